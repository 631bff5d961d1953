#include "shellext/menu_bitmaps.h"

#include "shellext/menu_table.h"
#include "support/module.h"
#include "support/owners.h"

namespace {

// One slot per row of the menu's table. Menus may be built on several of the shell's
// threads at once, so a slot is filled by an interlocked exchange: the thread
// that loses the race deletes its own copy.
void* volatile g_menuBitmaps[kMenuTableRows] = {};

HBITMAP LoadMenuBitmap(UINT row)
{
    // Not LR_SHARED: the system promises sharing only for icons and cursors,
    // and these bitmaps are ours to delete. The submenu's own picture (the
    // first row) keeps its background.
    UINT flags = row == 0 ? 0 : LR_LOADTRANSPARENT;
    return static_cast<HBITMAP>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(kMenuTable[row].bitmap),
                                           IMAGE_BITMAP, 0, 0, flags));
}

}  // namespace

HBITMAP MenuBitmap(const MenuCommand& command)
{
    UINT row = static_cast<UINT>(&command - kMenuTable);
    if (row >= kMenuTableRows)
        return nullptr;
    HBITMAP bitmap = static_cast<HBITMAP>(g_menuBitmaps[row]);
    if (bitmap)
        return bitmap;
    GdiObject<HBITMAP> loaded(LoadMenuBitmap(row));
    if (!loaded.Get())
        return nullptr;
    void* earlier = InterlockedCompareExchangePointer(&g_menuBitmaps[row], loaded.Get(), nullptr);
    if (earlier)
        return static_cast<HBITMAP>(earlier);
    return loaded.Detach();
}

void ReleaseMenuBitmaps()
{
    for (UINT row = 0; row < kMenuTableRows; ++row) {
        GdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(InterlockedExchangePointer(&g_menuBitmaps[row], nullptr)));
    }
}
