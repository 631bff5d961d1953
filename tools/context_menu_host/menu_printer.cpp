#include "menu_printer.h"

#include <cstdio>
#include <cwchar>

const wchar_t* ResultName(HRESULT hr, wchar_t* buffer, size_t capacity)
{
    switch (hr) {
    case S_OK: return L"S_OK";
    case S_FALSE: return L"S_FALSE";
    case E_FAIL: return L"E_FAIL";
    case E_INVALIDARG: return L"E_INVALIDARG";
    case E_NOINTERFACE: return L"E_NOINTERFACE";
    case E_OUTOFMEMORY: return L"E_OUTOFMEMORY";
    case E_NOTIMPL: return L"E_NOTIMPL";
    default: break;
    }
    swprintf(buffer, capacity, L"%08lx", static_cast<unsigned long>(hr));
    return buffer;
}

namespace {

void DescribeBitmap(HBITMAP bitmap, wchar_t* buffer, size_t capacity)
{
    BITMAP info = {};
    if (!bitmap)
        swprintf(buffer, capacity, L"none");
    else if (GetObjectW(bitmap, sizeof(info), &info) == sizeof(info))
        swprintf(buffer, capacity, L"%ldx%ld %u-bit", info.bmWidth, info.bmHeight,
                 static_cast<unsigned>(info.bmBitsPixel));
    else
        swprintf(buffer, capacity, L"present (not a bitmap?)");
}

void PrintCommandStrings(IContextMenu* handler, UINT offset, int depth)
{
    wchar_t verb[256] = L"";
    wchar_t help[1024] = L"";
    wchar_t number[3][16];
    HRESULT hrVerb = handler->GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(verb),
                                               ARRAYSIZE(verb));
    HRESULT hrHelp = handler->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(help),
                                               ARRAYSIZE(help));
    HRESULT hrValid = handler->GetCommandString(offset, GCS_VALIDATEW, nullptr, nullptr, 0);
    wprintf(L"%*s  verb \"%ls\" (%ls)  valid: %ls\n", depth * 4, L"", SUCCEEDED(hrVerb) ? verb : L"",
            ResultName(hrVerb, number[0], 16), ResultName(hrValid, number[1], 16));
    wprintf(L"%*s  help \"%ls\" (%ls)\n", depth * 4, L"", SUCCEEDED(hrHelp) ? help : L"",
            ResultName(hrHelp, number[2], 16));
}

void PrintLevel(HMENU hmenu, IContextMenu* handler, UINT idCmdFirst, UINT reserved, int depth)
{
    int count = GetMenuItemCount(hmenu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = L"";
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_FTYPE | MIIM_STRING | MIIM_BITMAP | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = ARRAYSIZE(text);
        if (!GetMenuItemInfoW(hmenu, i, TRUE, &info)) {
            wprintf(L"%*s[%d] (unreadable item, error %lu)\n", depth * 4, L"", i, GetLastError());
            continue;
        }
        if (info.fType & MFT_SEPARATOR) {
            wprintf(L"%*s[%d] ----\n", depth * 4, L"", i);
            continue;
        }
        wchar_t checked[64], unchecked[64];
        DescribeBitmap(info.hbmpChecked, checked, ARRAYSIZE(checked));
        DescribeBitmap(info.hbmpUnchecked, unchecked, ARRAYSIZE(unchecked));
        bool ours = info.wID >= idCmdFirst && info.wID - idCmdFirst < reserved;
        wprintf(L"%*s[%d] \"%ls\"  id %u", depth * 4, L"", i, text, info.wID);
        if (ours)
            wprintf(L" (offset %u)", info.wID - idCmdFirst);
        wprintf(L"%ls%ls  check-mark bitmaps: %ls / %ls\n", info.hSubMenu ? L"  submenu" : L"",
                (info.fState & MFS_DISABLED) ? L"  disabled" : L"", checked, unchecked);
        if (ours)
            PrintCommandStrings(handler, info.wID - idCmdFirst, depth);
        if (info.hSubMenu)
            PrintLevel(info.hSubMenu, handler, idCmdFirst, reserved, depth + 1);
    }
}

}  // namespace

void PrintMenu(HMENU hmenu, IContextMenu* handler, UINT idCmdFirst, UINT reserved)
{
    PrintLevel(hmenu, handler, idCmdFirst, reserved, 0);
}
