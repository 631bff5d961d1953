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

#include "shell_driver/dialog_answering.h"

namespace {

const char* AnswerWord(int button)
{
    return button == IDYES ? "yes" : button == IDNO ? "no" : button == IDCANCEL ? "cancel" : "ok";
}

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? static_cast<size_t>(n) : 1, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], n, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 6) {
        fwprintf(stderr, L"usage: answer_boxes TITLE ok|yes|no COUNT SECONDS LOGFILE\n");
        return 2;
    }
    const std::wstring title = argv[1];
    std::wstring answer = argv[2];
    int count = _wtoi(argv[3]);
    DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtoi(argv[4])) * 1000;
    FILE* log = _wfopen(argv[5], L"wb");
    if (!log)
        return 2;

    std::wstring stopFile = std::wstring(argv[5]) + L".stop";
    const int wanted = answer == L"yes" ? IDYES : answer == L"no" ? IDNO : IDOK;
    shell_driver::DialogScan scan(shell_driver::DialogOwner::AnyProcess, title);
    int seen = 0;
    bool stop = false;
    while (seen < count && !stop && static_cast<LONG>(deadline - GetTickCount()) > 0) {
        // One more scan after the stop file appears: a box already up is answered.
        stop = GetFileAttributesW(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES;
        for (HWND box : scan.Unanswered()) {
            scan.MarkAnswered(box);
            Sleep(100);  // a user reads before pressing
            int button = shell_driver::ChooseButton(box, wanted);
            fprintf(log, "%s\n-- %s\n", Utf8(shell_driver::MessageBoxText(box)).c_str(), AnswerWord(button));
            fflush(log);
            shell_driver::PressButton(box, button);
            ++seen;
        }
        Sleep(20);
    }
    fclose(log);
    return seen >= count ? 0 : 1;
}
