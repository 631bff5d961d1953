// KmlReceiver: stands in for Google Earth as the program registered for KML
// files, where Google Earth itself cannot be installed (under Wine). The
// shell starts it with the file to open; it notes the file's path, one line
// per call, in "opened-files.txt" beside itself, and ends.
#include <windows.h>
#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 2;
    std::wstring log(self);
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"opened-files.txt";
    FILE* file = _wfopen(log.c_str(), L"ab");
    if (!file)
        return 1;
    char utf8[MAX_PATH * 4];
    WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, utf8, sizeof(utf8), nullptr, nullptr);
    fprintf(file, "%s\n", utf8);
    fclose(file);
    return 0;
}
