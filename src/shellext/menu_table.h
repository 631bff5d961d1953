// The context menu's commands, one row each: all that QueryContextMenu,
// GetCommandString and InvokeCommand need to know of a command.
#pragma once
#include <windows.h>

class ImageSelection;

// When a command is in the submenu.
enum class MenuOffer {
    Always,
    WithEarth,             // Google Earth is installed
    WithEarthAndLocation,  // ... and some selected photo has a position
    WithTrack,             // the selection holds a GPS track
};

struct MenuCommand {
    // From the host's first identifier; InvokeCommand's number of the
    // command. Offsets never change: hosts and scripts keep them.
    UINT offset;
    const wchar_t* verb;
    const wchar_t* text;
    const wchar_t* help;
    WORD bitmap;
    MenuOffer offer;
    // The command needs a photo the user may write; without one the menu
    // says so instead of running it.
    bool writes;
    // Runs the command on the selection; it shows its own messages. Null
    // for the submenu itself.
    HRESULT (*run)(HWND owner, const ImageSelection& selection);
};

// The submenu's own item first, then its commands in the submenu's order.
const UINT kMenuTableRows = 6;
extern const MenuCommand kMenuTable[kMenuTableRows];

// The row of offset; null for an offset no row has.
const MenuCommand* MenuCommandAt(UINT_PTR offset);

// How many identifiers the menu reserves: those of every command not tied
// to a track, also of commands left out, and with a track the track's too.
UINT ReservedIdentifiers(bool withTrack);

// Room for an ANSI verb converted to UTF-16, terminator included.
const int kVerbCapacity = 32;
