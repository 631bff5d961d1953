#include "earth_client/earth_standin.h"

#include <oleauto.h>
#include <cwchar>

#include "earth_client/standin/standin_registry.h"
#include "earth_client/standin/standin_settings.h"
#include "testlib/earth_install.h"
#include "testlib/temp_folder.h"

namespace vztest {

const wchar_t kEarthLocalServerKey[] = L"CLSID\\{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}\\LocalServer32";

namespace {

using standin::ReadText;
using standin::WriteDword;
using standin::WriteNumber;
using standin::WriteText;

// A record the stand-in has not written reads as -999.
double ReadNumber(const wchar_t* name) { return standin::ReadNumber(name, -999.0); }
DWORD ReadDword(const wchar_t* name) { return standin::ReadDword(name, 0); }

}  // namespace

std::wstring EarthStandIn::ServerPath(EarthPointForm form)
{
    return HostPathToWindows(form == EarthPointForm::Array ? VZ_STANDIN_ARRAY_UNIX_PATH
                                                           : VZ_STANDIN_OBJECT_UNIX_PATH);
}

EarthStandIn::EarthStandIn(EarthPointForm form)
{
    WaitUntilStopped();
    RegDeleteTreeW(HKEY_CURRENT_USER, standin::kSettingsKey);
    SetInitialized(true);
    SetVersion(4, 3, 7284, 2);
    SetView(52.5, 13.4, 34.0);
    SetAzimuth(0.0);
    SetExaggeration(1.0);
    FailMembers(L"", E_FAIL);
    SetPointAnswer(L"");
    ClearCalls();
    WriteDword(standin::kLastConsiderTerrain, 0xFFFFFFFFu);

    std::wstring path = ServerPath(form);
    HKEY key = nullptr;
    m_registered = HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CLASSES_ROOT, kEarthLocalServerKey, 0, nullptr, 0,
                                                      KEY_WRITE, nullptr, &key, nullptr));
    if (SUCCEEDED(m_registered)) {
        m_registered = HRESULT_FROM_WIN32(RegSetValueExW(key, nullptr, 0, REG_SZ,
                                                         reinterpret_cast<const BYTE*>(path.c_str()),
                                                         static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))));
        RegCloseKey(key);
    }
    ITypeLib* typeLib = nullptr;
    if (SUCCEEDED(m_registered))
        m_registered = LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &typeLib);
    if (SUCCEEDED(m_registered)) {
        TLIBATTR* attributes = nullptr;
        if (SUCCEEDED(typeLib->GetLibAttr(&attributes))) {
            m_libid = attributes->guid;
            m_majorVersion = attributes->wMajorVerNum;
            m_minorVersion = attributes->wMinorVerNum;
            typeLib->ReleaseTLibAttr(attributes);
        }
        typeLib->Release();
    }
}

EarthStandIn::~EarthStandIn()
{
    WaitUntilStopped();
    if (!IsEqualGUID(m_libid, GUID_NULL))
        UnRegisterTypeLib(m_libid, m_majorVersion, m_minorVersion, LOCALE_NEUTRAL,
                          sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    UnregisterEarth();
    RegDeleteTreeW(HKEY_CURRENT_USER, standin::kSettingsKey);
}

void EarthStandIn::SetInitialized(bool initialized) { WriteDword(standin::kInitialized, initialized ? 1 : 0); }

void EarthStandIn::SetView(double latitudeDegrees, double longitudeDegrees, double altitudeMetres)
{
    WriteNumber(standin::kLatitude, latitudeDegrees);
    WriteNumber(standin::kLongitude, longitudeDegrees);
    WriteNumber(standin::kAltitude, altitudeMetres);
}

void EarthStandIn::SetAzimuth(double degrees) { WriteNumber(standin::kAzimuth, degrees); }

void EarthStandIn::SetExaggeration(double exaggeration) { WriteNumber(standin::kExaggeration, exaggeration); }

void EarthStandIn::SetVersion(int major, int minor, int build, int appType)
{
    WriteDword(standin::kVersionMajor, static_cast<DWORD>(major));
    WriteDword(standin::kVersionMinor, static_cast<DWORD>(minor));
    WriteDword(standin::kVersionBuild, static_cast<DWORD>(build));
    WriteDword(standin::kVersionAppType, static_cast<DWORD>(appType));
}

void EarthStandIn::FailMembers(const std::wstring& members, HRESULT hr)
{
    WriteText(standin::kFailMembers, members);
    WriteDword(standin::kFailResult, static_cast<DWORD>(hr));
}

void EarthStandIn::SetPointAnswer(const std::wstring& answer) { WriteText(standin::kPointAnswer, answer); }

std::wstring EarthStandIn::Calls() const { return ReadText(standin::kCalls); }

void EarthStandIn::ClearCalls() { WriteText(standin::kCalls, L""); }

double EarthStandIn::LastScreenX() const { return ReadNumber(standin::kLastScreenX); }

double EarthStandIn::LastScreenY() const { return ReadNumber(standin::kLastScreenY); }

DWORD EarthStandIn::LastConsiderTerrain() const { return ReadDword(standin::kLastConsiderTerrain); }

DWORD EarthStandIn::ServerStarts() const { return ReadDword(standin::kServerStarts); }

bool EarthStandIn::WaitUntilStopped(DWORD timeoutMs)
{
    HANDLE running = OpenMutexW(SYNCHRONIZE, FALSE, standin::kRunningMutex);
    if (!running)
        return true;
    DWORD wait = WaitForSingleObject(running, timeoutMs);
    bool stopped = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (stopped)
        ReleaseMutex(running);
    CloseHandle(running);
    return stopped;
}

}  // namespace vztest
