// Reads raw files with the engine's raw reader, for the comparison with
// ExifTool (check_raw_files.py): for each path given, one JSON object a
// line on standard output with what the reader found.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "raw/raw_photo.h"

namespace {

const double kDeg = 0.017453292519943295;

bool ReadWhole(const wchar_t* path, std::vector<uint8_t>* bytes)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes->empty() || (ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) &&
                                got == bytes->size());
    }
    CloseHandle(file);
    return ok;
}

// Text of a file as a JSON string's content: anything but printable
// ASCII (and the quote and backslash) becomes "?".
std::string Json(const char* text)
{
    std::string out;
    for (; *text; ++text)
        out += (*text >= 0x20 && *text < 0x7F && *text != '"' && *text != '\\') ? *text : '?';
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::vector<uint8_t> bytes;
        const RawFormat* format = FindRawFormat(argv[i]);
        RawPhoto photo;
        HRESULT hr = E_FAIL;
        bool read = ReadWhole(argv[i], &bytes);
        if (read && format) {
            MemoryByteSource source(bytes.data(), bytes.size());
            hr = ReadRawPhoto(source, *format, &photo);
        }
        std::printf("{\"read\": %s, \"format\": \"%s\", \"photo\": %s, \"time\": \"%s\", \"subsec\": \"%s\", "
                    "\"offset\": \"%s\", \"position\": %s, \"lat\": %.10f, \"lon\": %.10f, \"alt\": %.4f, \"width\": %u, "
                    "\"height\": %u, \"preview\": [%u, %u], \"preview_jpeg\": %s}\n",
                    read ? "true" : "false", format ? format->name : "", hr == S_OK ? "true" : "false",
                    Json(photo.dateTimeOriginal).c_str(), Json(photo.subSecTimeOriginal).c_str(),
                    Json(photo.offsetTimeOriginal).c_str(),
                    photo.hasPosition ? "true" : "false", photo.latitude / kDeg, photo.longitude / kDeg, photo.altitude,
                    photo.frameWidth, photo.frameHeight, photo.previewOffset, photo.previewLength,
                    photo.previewIsJpeg ? "true" : "false");
    }
    return 0;
}
