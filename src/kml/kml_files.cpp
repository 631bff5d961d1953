#include "kml/kml_files.h"

#include <cwchar>

#include "kml/for_each_file.h"
#include "kml/kml_texts.h"
#include "support/file_extension.h"
#include "support/text_bounded.h"

namespace {

// Appends a backslash unless folder ends in one. False when there is no room.
bool EndWithBackslash(wchar_t* folder, size_t capacity)
{
    size_t length = std::wcslen(folder);
    if (length > 0 && folder[length - 1] == L'\\')
        return true;
    if (length + 2 > capacity)
        return false;
    folder[length] = L'\\';
    folder[length + 1] = L'\0';
    return true;
}

// Formats into out (MAX_PATH characters) and tells whether the whole text
// fitted; a text that did not is not left in out.
template <typename... Args>
bool FormatWholePath(wchar_t (&out)[MAX_PATH], const wchar_t* format, Args... args)
{
    // One place more than out: a text that fills it did not fit.
    wchar_t text[MAX_PATH + 1];
    int length = FormatBoundedW(text, MAX_PATH + 1, format, args...);
    if (length <= 0 || length >= MAX_PATH) {
        out[0] = L'\0';
        return false;
    }
    CopyTextBounded(out, text, MAX_PATH);
    return true;
}

bool DeleteVisitedFile(const wchar_t* path, DWORD, ULONGLONG, ULONGLONG, void*)
{
    DeleteFileW(path);
    return true;
}

}  // namespace

HRESULT MakeKmlFileName(wchar_t (&out)[kKmlPathCapacity])
{
    out[0] = L'\0';
    // One more place than GetTempPathW is told of, for the backslash.
    wchar_t folder[kKmlTempFolderCapacity + 1];
    DWORD length = GetTempPathW(kKmlTempFolderCapacity, folder);
    if (length == 0 || length > kKmlTempFolderCapacity)
        return E_FAIL;
    if (!EndWithBackslash(folder, kKmlTempFolderCapacity + 1))
        return E_FAIL;
    if (!FormatWholePath(out, kKmlFileNameFormat, folder, static_cast<unsigned long>(GetTickCount())))
        return E_FAIL;
    return S_OK;
}

HRESULT MakePreviewFileName(const wchar_t* kmlPath, int index, wchar_t (&out)[kKmlPathCapacity])
{
    out[0] = L'\0';
    const size_t length = kmlPath ? std::wcslen(kmlPath) : 0;
    if (length < 4 || length >= kKmlPathCapacity || !ExtensionIs(kmlPath + length - 4, L".KML"))
        return E_FAIL;
    wchar_t base[kKmlPathCapacity];
    CopyTextBounded(base, kmlPath, length - 3);  // without ".kml"
    return FormatWholePath(out, kPreviewFileNameFormat, base, index) ? S_OK : E_FAIL;
}

void DeleteOldKmlFiles()
{
    wchar_t folder[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH || !EndWithBackslash(folder, MAX_PATH))
        return;
    wchar_t pattern[MAX_PATH];
    if (FormatWholePath(pattern, kKmlFilePatternFormat, folder))
        ForEachFile(pattern, DeleteVisitedFile, nullptr);
    if (FormatWholePath(pattern, kPreviewFilePatternFormat, folder))
        ForEachFile(pattern, DeleteVisitedFile, nullptr);
}
