// A stand-in for the Google Earth desktop program as the product meets it:
// an out-of-process automation server of CLSID_ApplicationGE. COM starts it
// with "-Embedding"; it serves until the last of its objects is released
// (or, unused, for a short while) and then ends, so each query of a test
// meets a freshly started server, as a query after Google Earth's start does.
#include <windows.h>
#include <new>

#include "standin_objects.h"
#include "standin_settings.h"
#include "standin_state.h"

namespace {

// Longest life when nobody connects, and in any case.
const DWORD kUnusedLifetimeMs = 30000;
const DWORD kLongestLifetimeMs = 120000;

class CClassFactory : public IClassFactory {
public:
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory lives as long as the process.
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return standin::CreateApplication(riid, ppv);
    }
    IFACEMETHODIMP LockServer(BOOL) override { return S_OK; }
};

CClassFactory g_classFactory;

bool ShouldEnd(DWORD startTick)
{
    DWORD elapsed = GetTickCount() - startTick;
    if (standin::AllObjectsGone())
        return true;
    if (!standin::AnyObjectMade() && elapsed > kUnusedLifetimeMs)
        return true;
    return elapsed > kLongestLifetimeMs;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    HANDLE running = CreateMutexW(nullptr, TRUE, standin::kRunningMutex);
    standin::WriteDword(standin::kServerStarts, standin::ReadDword(standin::kServerStarts, 0) + 1);

    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) {
        hr = standin::LoadOwnTypeLib();
        DWORD cookie = 0;
        if (SUCCEEDED(hr))
            hr = CoRegisterClassObject(CLSID_ApplicationGE, &g_classFactory, CLSCTX_LOCAL_SERVER,
                                       REGCLS_MULTIPLEUSE, &cookie);
        if (SUCCEEDED(hr)) {
            DWORD start = GetTickCount();
            UINT_PTR timer = SetTimer(nullptr, 0, 500, nullptr);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                DispatchMessageW(&msg);
                if (ShouldEnd(start))
                    break;
            }
            KillTimer(nullptr, timer);
            CoRevokeClassObject(cookie);
        }
        standin::ReleaseOwnTypeLib();
        CoUninitialize();
    }
    if (running) {
        ReleaseMutex(running);
        CloseHandle(running);
    }
    return SUCCEEDED(hr) ? 0 : 1;
}
