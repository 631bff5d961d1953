// Stand-in for the program registered for .kml files in the test prefix:
// records the path it was started with and exits. The record goes into the
// file named by VZ_KML_STANDIN_RECORD (UTF-16, no terminator), appended, one
// path per line, so that several launches can be told apart.
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t record[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"VZ_KML_STANDIN_RECORD", record, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 2;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2)
        return 3;
    HANDLE file = CreateFileW(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 4;
    DWORD written = 0;
    WriteFile(file, argv[1], static_cast<DWORD>(lstrlenW(argv[1]) * sizeof(wchar_t)), &written, nullptr);
    WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    LocalFree(argv);
    return 0;
}
