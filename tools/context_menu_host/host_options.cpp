#include "host_options.h"

#include <cstdio>
#include <cwchar>
#include <cwctype>

namespace {

bool ReadNumber(const wchar_t* text, UINT* value)
{
    wchar_t* end = nullptr;
    unsigned long number = wcstoul(text, &end, 0);
    if (!*text || *end)
        return false;
    *value = static_cast<UINT>(number);
    return true;
}

}  // namespace

void PrintHostUsage()
{
    fwprintf(stdout,
        L"ContextMenuHost [options] file...\n"
        L"  Builds the shell's data object for the files (all in one folder), creates the\n"
        L"  context-menu handler as Explorer does and prints the menu it adds.\n"
        L"  --handler NAME      handler under *\\shellex\\ContextMenuHandlers (VantreloZerli)\n"
        L"  --clsid {GUID}      use this class instead of the one the handler key names\n"
        L"  --dll PATH          load the server from PATH instead of asking COM (needs the\n"
        L"                      class from the registry or --clsid)\n"
        L"  --invoke VERB|#N    invoke a command by verb or by offset after the menu is built\n"
        L"  --ansi              invoke with CMINVOKECOMMANDINFO and an ANSI verb\n"
        L"  --first N --last N  identifier range given to QueryContextMenu (100, 32767)\n"
        L"  --flags N           QueryContextMenu flags (0 = CMF_NORMAL)\n"
        L"  --answer WHAT       answer message boxes: ok, cancel, yes, no or default;\n"
        L"                      other dialogs are cancelled\n"
        L"  --screenshots DIR   save a bitmap of every dialog and message box in DIR\n"
        L"  --dialog-delay MS   how long a dialog stays up before it is answered (400)\n");
}

bool ParseHostOptions(int argc, wchar_t** argv, HostOptions* options, std::wstring* error)
{
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool takesValue = arg == L"--handler" || arg == L"--clsid" || arg == L"--dll" ||
                          arg == L"--invoke" || arg == L"--first" || arg == L"--last" ||
                          arg == L"--flags" || arg == L"--answer" || arg == L"--screenshots" ||
                          arg == L"--dialog-delay";
        if (takesValue && i + 1 >= argc) {
            *error = arg + L" needs a value";
            return false;
        }
        if (arg == L"--handler") {
            options->handlerName = argv[++i];
        } else if (arg == L"--clsid") {
            options->clsidText = argv[++i];
        } else if (arg == L"--dll") {
            options->dllPath = argv[++i];
        } else if (arg == L"--invoke") {
            options->invoke = argv[++i];
        } else if (arg == L"--ansi") {
            options->invokeAnsi = true;
        } else if (arg == L"--first" || arg == L"--last" || arg == L"--flags" || arg == L"--dialog-delay") {
            UINT value = 0;
            if (!ReadNumber(argv[++i], &value)) {
                *error = arg + L" needs a number";
                return false;
            }
            if (arg == L"--first")
                options->idCmdFirst = value;
            else if (arg == L"--last")
                options->idCmdLast = value;
            else if (arg == L"--flags")
                options->queryFlags = value;
            else
                options->dialogDelayMs = value;
        } else if (arg == L"--answer") {
            options->answer = argv[++i];
            options->watchDialogs = true;
            if (options->answer != L"ok" && options->answer != L"cancel" && options->answer != L"yes" &&
                options->answer != L"no" && options->answer != L"default") {
                *error = L"--answer takes ok, cancel, yes, no or default";
                return false;
            }
        } else if (arg == L"--screenshots") {
            options->screenshotFolder = argv[++i];
            options->watchDialogs = true;
        } else if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            *error = L"";
            return false;
        } else if (arg.size() > 2 && arg.compare(0, 2, L"--") == 0) {
            *error = L"unknown option " + arg;
            return false;
        } else {
            options->files.push_back(arg);
        }
    }
    if (options->files.empty()) {
        *error = L"no files given";
        return false;
    }
    return true;
}
