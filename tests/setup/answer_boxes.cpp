// answer_boxes: answers the message boxes that another program of the same
// Wine prefix shows (regsvr32 running DllInstall), as a user would, and
// writes down what they said.
//
//   answer_boxes.exe TITLE ANSWER COUNT SECONDS LOGFILE
//
// Waits for visible dialogs (#32770) captioned TITLE, in any process; logs
// each box's text followed by a line "-- <button>", presses ANSWER (ok, yes
// or no; the box's default button when it has no such button) and ends
// after COUNT boxes (exit code 0), when the file LOGFILE.stop appears (exit
// code 0 when COUNT boxes were answered, else 1), or after SECONDS (1).
#include <windows.h>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    const wchar_t* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    wchar_t className[16] = L"";
    wchar_t caption[256] = L"";
    if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, className, 16) && wcscmp(className, L"#32770") == 0 &&
        GetWindowTextW(hwnd, caption, 256) && wcscmp(caption, search->title) == 0)
        search->found.push_back(hwnd);
    return TRUE;
}

int ButtonFor(HWND box, const std::wstring& answer)
{
    int wanted = answer == L"yes" ? IDYES : answer == L"no" ? IDNO : IDOK;
    if (GetDlgItem(box, wanted))
        return wanted;
    DWORD defId = static_cast<DWORD>(SendMessageW(box, DM_GETDEFID, 0, 0));
    return HIWORD(defId) == DC_HASDEFID ? LOWORD(defId) : IDOK;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 6) {
        fwprintf(stderr, L"usage: answer_boxes TITLE ok|yes|no COUNT SECONDS LOGFILE\n");
        return 2;
    }
    const wchar_t* title = argv[1];
    std::wstring answer = argv[2];
    int count = _wtoi(argv[3]);
    DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtoi(argv[4])) * 1000;
    FILE* log = _wfopen(argv[5], L"wb");
    if (!log)
        return 2;

    std::wstring stopFile = std::wstring(argv[5]) + L".stop";
    std::vector<HWND> answered;
    int seen = 0;
    bool stop = false;
    while (seen < count && !stop && static_cast<LONG>(deadline - GetTickCount()) > 0) {
        // One more scan after the stop file appears: a box already up is answered.
        stop = GetFileAttributesW(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES;
        Search search = {title, {}};
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            bool known = false;
            for (HWND old : answered)
                known = known || old == box;
            if (known)
                continue;
            answered.push_back(box);
            Sleep(100);  // a user reads before pressing
            wchar_t text[2048] = L"";
            GetDlgItemTextW(box, 0xFFFF, text, 2048);
            int button = ButtonFor(box, answer);
            char utf8[8192];
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
            fprintf(log, "%s\n-- %s\n", utf8,
                    button == IDYES ? "yes" : button == IDNO ? "no" : button == IDCANCEL ? "cancel" : "ok");
            fflush(log);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
            ++seen;
        }
        Sleep(20);
    }
    fclose(log);
    return seen >= count ? 0 : 1;
}
