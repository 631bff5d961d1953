// Reads the file names of a CF_HDROP block (a DROPFILES header followed by
// NUL-terminated names and an empty name) without ever reading past the end
// of the block, whatever the block holds.
#pragma once
#include <windows.h>

class DropFilesReader {
public:
    // block: the locked memory of size bytes; it must outlive the reader.
    DropFilesReader(const void* block, SIZE_T size);

    // Puts the next name, as UTF-16 (ANSI names are converted from the
    // system code page), into name (cchName characters). A name that does
    // not fit whole is never cut: name is then empty. Returns false at the
    // end of the names: the empty name, the end of the block, or a name whose
    // terminator is missing (the block is cut short; such a name is not used).
    bool Next(wchar_t* name, int cchName);

private:
    bool NextWide(wchar_t* name, int cchName);
    bool NextAnsi(wchar_t* name, int cchName);

    const BYTE* m_block;
    SIZE_T m_size;
    SIZE_T m_offset;  // of the next name, from the start of the block
    bool m_wide;
};
