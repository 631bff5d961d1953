// Stands in for the web browser in the tests of the About box: registered in
// the test prefix as the program that opens https addresses, it appends the
// address it is given to a record file.
//   url_recorder.exe <record file> <address>
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    char line[2048];
    int length = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, line, sizeof(line) - 1, nullptr, nullptr);
    if (length <= 0)
        return 1;
    line[length - 1] = '\n';
    FILE* record = _wfopen(argv[1], L"ab");
    if (record == nullptr)
        return 1;
    fwrite(line, 1, static_cast<size_t>(length), record);
    fclose(record);
    return 0;
}
