#include "standin_state.h"

#include <cwchar>

#include "standin_registry.h"
#include "standin_settings.h"

namespace standin {
namespace {

ITypeLib* g_typeLib = nullptr;
LONG g_liveObjects = 0;
bool g_anyObjectMade = false;

// True when list (names separated by ';') holds member.
bool ListHolds(const std::wstring& list, const wchar_t* member)
{
    std::wstring padded = L";" + list + L";";
    std::wstring sought = std::wstring(L";") + member + L";";
    return padded.find(sought) != std::wstring::npos;
}

}  // namespace

ITypeLib* TypeLib() { return g_typeLib; }

HRESULT LoadOwnTypeLib()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;
    return LoadTypeLibEx(path, REGKIND_NONE, &g_typeLib);
}

void ReleaseOwnTypeLib()
{
    if (g_typeLib) {
        g_typeLib->Release();
        g_typeLib = nullptr;
    }
}

void ObjectCreated()
{
    InterlockedIncrement(&g_liveObjects);
    g_anyObjectMade = true;
}

void ObjectDestroyed()
{
    InterlockedDecrement(&g_liveObjects);
}

bool AnyObjectMade()
{
    return g_anyObjectMade;
}

bool AllObjectsGone()
{
    return g_anyObjectMade && g_liveObjects == 0;
}

HRESULT EnterMember(const wchar_t* member)
{
    WriteText(kCalls, ReadText(kCalls) + member + L";");
    if (ListHolds(ReadText(kFailMembers), member))
        return static_cast<HRESULT>(ReadDword(kFailResult, static_cast<DWORD>(E_FAIL)));
    return S_OK;
}

}  // namespace standin
