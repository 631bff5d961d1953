// What the context menu shows and answers: its commands' verbs, menu texts,
// help texts and bitmaps, indexed by command offset, and its one message.
#pragma once
#include <windows.h>
#include "resources/resource_ids.h"

struct MenuCommand {
    const wchar_t* verb;
    const wchar_t* text;
    const wchar_t* help;
    WORD bitmap;
};

enum MenuOffset : UINT {
    kOffsetSubmenu = 0,
    kOffsetShowLocation = 1,
    kOffsetGetLocation = 2,
    kOffsetEditLocation = 3,
    kOffsetAbout = 4,
    // Exists only when the selection holds a GPS track. Its offset follows
    // the others so that theirs stay what they always were.
    kOffsetGeotagTrack = 5,
    kMenuCommandCount = 6,
};

// Every submenu reserves the identifiers of offsets 0 .. 4, also those of
// commands it leaves out; the track's command adds offset 5.
const UINT kAlwaysReservedCount = kOffsetAbout + 1;

// The order of the submenu's items.
const UINT kSubmenuOrder[] = {kOffsetShowLocation, kOffsetGetLocation, kOffsetEditLocation, kOffsetGeotagTrack,
                              kOffsetAbout};

const MenuCommand kMenuCommands[kMenuCommandCount] = {
    {L"", L"Vantrelo Zerli", L"Vantrelo Zerli options for linking photos to locations.", IDB_MENU_FIRST + 0},
    {L"JpegToGe", L"Show location in Google Earth",
     L"Activates Google Earth and 'flies' to the selected image file's location.", IDB_MENU_FIRST + 1},
    {L"GeToJpeg", L"Get location from Google Earth",
     L"Gets the current location from Google Earth and inserts it into the selected image file(s).",
     IDB_MENU_FIRST + 2},
    {L"DlgToJpeg", L"Edit location manually", L"Lets you edit the selected image file's location coordinates.",
     IDB_MENU_FIRST + 3},
    {L"AboutZerli", L"About Vantrelo Zerli", L"Provides information about the Vantrelo Zerli tool.",
     IDB_MENU_FIRST + 4},
    {L"GpxToJpeg", L"Geotag from GPS track",
     L"Matches the selected image files' times against the selected GPS track and inserts the positions into them.",
     IDB_MENU_FIRST + 5},
};

const wchar_t kMenuMessageTitle[] = L"Vantrelo Zerli";
const wchar_t kNoWritableFileMessage[] =
    L"There is no file selected with write access allowed\n- can't insert GPS data!";

// Room for an ANSI verb converted to UTF-16, terminator included.
const int kVerbCapacity = 32;
