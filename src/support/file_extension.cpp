#include "support/file_extension.h"

#include <cwchar>

const wchar_t* FileNamePart(const wchar_t* path)
{
    const wchar_t* backslash = std::wcsrchr(path, L'\\');
    return backslash ? backslash + 1 : path;
}

const wchar_t* FindExtension(const wchar_t* path)
{
    const wchar_t* dot = std::wcsrchr(path, L'.');
    if (!dot || dot == path)
        return path + std::wcslen(path);
    return dot;
}

bool ExtensionIs(const wchar_t* extension, const wchar_t* upperExtension)
{
    for (;; ++extension, ++upperExtension) {
        wchar_t c = *extension;
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != *upperExtension)
            return false;
        if (c == L'\0')
            return true;
    }
}

bool IsJpegExtension(const wchar_t* extension)
{
    return ExtensionIs(extension, L".JPG") || ExtensionIs(extension, L".JPEG") || ExtensionIs(extension, L".JPE");
}

bool IsHeifExtension(const wchar_t* extension)
{
    return ExtensionIs(extension, L".HEIC") || ExtensionIs(extension, L".HEIF") || ExtensionIs(extension, L".HIF");
}
