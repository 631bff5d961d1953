#include "selection/drop_files_reader.h"

#include <shlobj.h>
#include <cstring>

#include "support/code_page_text.h"

DropFilesReader::DropFilesReader(const void* block, SIZE_T size)
    : m_block(static_cast<const BYTE*>(block)), m_size(size), m_offset(size), m_wide(false)
{
    DROPFILES header;
    if (!m_block || m_size < sizeof header)
        return;
    std::memcpy(&header, m_block, sizeof header);
    m_wide = header.fWide != FALSE;
    if (header.pFiles <= m_size)
        m_offset = header.pFiles;
}

bool DropFilesReader::Next(wchar_t* name, int cchName)
{
    if (!name || cchName <= 0)
        return false;
    name[0] = L'\0';
    return m_wide ? NextWide(name, cchName) : NextAnsi(name, cchName);
}

bool DropFilesReader::NextWide(wchar_t* name, int cchName)
{
    // Code units are copied one by one: the names need not be aligned.
    SIZE_T start = m_offset;
    SIZE_T length = 0;
    for (;;) {
        SIZE_T at = start + length * sizeof(wchar_t);
        if (m_size - at < sizeof(wchar_t))
            return false;
        wchar_t unit;
        std::memcpy(&unit, m_block + at, sizeof unit);
        if (unit == L'\0')
            break;
        ++length;
    }
    if (length == 0)
        return false;
    m_offset = start + (length + 1) * sizeof(wchar_t);
    if (length < static_cast<SIZE_T>(cchName)) {
        std::memcpy(name, m_block + start, length * sizeof(wchar_t));
        name[length] = L'\0';
    }
    return true;
}

bool DropFilesReader::NextAnsi(wchar_t* name, int cchName)
{
    const char* start = reinterpret_cast<const char*>(m_block + m_offset);
    const void* end = std::memchr(start, '\0', m_size - m_offset);
    if (!end)
        return false;
    SIZE_T length = static_cast<const char*>(end) - start;
    if (length == 0)
        return false;
    m_offset += length + 1;
    // A name that does not fit whole with its terminator is left empty.
    bool whole = length <= 0x7FFFFFFF &&
                 AnsiToWide(start, static_cast<int>(length), name, static_cast<size_t>(cchName)).complete;
    if (!whole)
        name[0] = L'\0';
    return true;
}
