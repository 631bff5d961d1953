// One-call helpers for the controls of a dialog and for combo boxes whose
// items carry a 32-bit number.
#pragma once
#include <windows.h>

void EnableDlgItem(HWND dialog, int id, BOOL enable);
BOOL IsDlgItemVisible(HWND dialog, int id);
// Sets the control's font and redraws it.
void SetDlgItemFont(HWND dialog, int id, HFONT font);

// Runs the modal dialog of the given template number; returns its result
// (-1 when it cannot be created).
INT_PTR ShowDialogBox(HINSTANCE module, int templateId, HWND owner, DLGPROC procedure,
                      LPARAM parameter);

// Adds an item (an absent text adds an empty one) with data; returns its index,
// negative on failure.
int ComboAddItem(HWND combo, const wchar_t* text, DWORD data);
// Selects the first item whose data equals data; nothing when none does.
void ComboSelectByData(HWND combo, DWORD data);
// FALSE and *data = 0 when nothing is selected, else TRUE and the item's data.
BOOL ComboGetSelectedData(HWND combo, DWORD* data);
