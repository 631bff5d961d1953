#include "shellext/menu_bitmaps.h"

#include "shellext/context_menu_texts.h"
#include "support/module.h"
#include "support/owners.h"

namespace {

// One slot per command offset. Menus may be built on several of the shell's
// threads at once, so a slot is filled by an interlocked exchange: the thread
// that loses the race deletes its own copy.
void* volatile g_menuBitmaps[kMenuCommandCount] = {};

HBITMAP LoadMenuBitmap(UINT offset)
{
    // Not LR_SHARED: the system promises sharing only for icons and cursors,
    // and these bitmaps are ours to delete.
    UINT flags = offset == kOffsetSubmenu ? 0 : LR_LOADTRANSPARENT;
    return static_cast<HBITMAP>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(kMenuCommands[offset].bitmap),
                                           IMAGE_BITMAP, 0, 0, flags));
}

}  // namespace

HBITMAP MenuBitmap(UINT offset)
{
    if (offset >= kMenuCommandCount)
        return nullptr;
    HBITMAP bitmap = static_cast<HBITMAP>(g_menuBitmaps[offset]);
    if (bitmap)
        return bitmap;
    GdiObject<HBITMAP> loaded(LoadMenuBitmap(offset));
    if (!loaded.Get())
        return nullptr;
    void* earlier = InterlockedCompareExchangePointer(&g_menuBitmaps[offset], loaded.Get(), nullptr);
    if (earlier)
        return static_cast<HBITMAP>(earlier);
    return loaded.Detach();
}

void ReleaseMenuBitmaps()
{
    for (UINT offset = 0; offset < kMenuCommandCount; ++offset) {
        GdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(InterlockedExchangePointer(&g_menuBitmaps[offset], nullptr)));
    }
}
