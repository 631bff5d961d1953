#include "support/dialog_items.h"

void EnableDlgItem(HWND dialog, int id, BOOL enable)
{
    EnableWindow(GetDlgItem(dialog, id), enable);
}

BOOL IsDlgItemVisible(HWND dialog, int id)
{
    return IsWindowVisible(GetDlgItem(dialog, id));
}

void SetDlgItemFont(HWND dialog, int id, HFONT font)
{
    SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

INT_PTR ShowDialogBox(HINSTANCE module, int templateId, HWND owner, DLGPROC procedure,
                      LPARAM parameter)
{
    return DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), owner, procedure, parameter);
}

int ComboAddItem(HWND combo, const wchar_t* text, DWORD data)
{
    LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0,
                                 reinterpret_cast<LPARAM>(text != nullptr ? text : L""));
    if (index >= 0) {
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
    }
    return static_cast<int>(index);
}

void ComboSelectByData(HWND combo, DWORD data)
{
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    LRESULT found = -1;
    for (LRESULT i = 0; i < count && found < 0; ++i) {
        LRESULT itemData = SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0);
        if (static_cast<DWORD>(itemData) == data) {
            found = i;
        }
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

BOOL ComboGetSelectedData(HWND combo, DWORD* data)
{
    *data = 0;
    LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index < 0) {
        return FALSE;
    }
    *data = static_cast<DWORD>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    return TRUE;
}
