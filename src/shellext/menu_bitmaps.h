// The check-mark bitmaps of the context menu, loaded once for the life of
// the DLL. Explorer builds a new menu at every right-click and runs for weeks:
// a bitmap loaded per menu would cost it GDI objects until its limit.
#pragma once
#include <windows.h>

// The bitmap of the command at offset (0 to 5), loaded at its first use and
// kept; null when it cannot be loaded (the item is then shown without one).
// The menu only borrows it: it must not be deleted.
HBITMAP MenuBitmap(UINT offset);

// Deletes the bitmaps loaded so far; called when the DLL is unloaded.
void ReleaseMenuBitmaps();
