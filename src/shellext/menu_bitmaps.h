// The check-mark bitmaps of the context menu, loaded once for the life of
// the DLL. Explorer builds a new menu at every right-click and runs for weeks:
// a bitmap loaded per menu would cost it GDI objects until its limit.
#pragma once
#include <windows.h>

struct MenuCommand;

// The bitmap of a row of the menu's table, loaded at its first use and
// kept; null when it cannot be loaded (the item is then shown without one).
// The menu only borrows it: it must not be deleted.
HBITMAP MenuBitmap(const MenuCommand& command);

// Deletes the bitmaps loaded so far; called when the DLL is unloaded.
void ReleaseMenuBitmaps();
