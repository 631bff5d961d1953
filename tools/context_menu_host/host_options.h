// Command line of ContextMenuHost.exe.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct HostOptions {
    std::vector<std::wstring> files;      // the selection, in the order given
    std::wstring handlerName = L"VantreloZerli";  // name under *\shellex\ContextMenuHandlers
    std::wstring clsidText;               // --clsid: use this class instead of the registry's
    std::wstring dllPath;                 // --dll: load this file instead of asking COM
    std::wstring invoke;                  // --invoke: a verb, or "#n" for an offset
    bool invokeAnsi = false;              // --ansi: CMINVOKECOMMANDINFO with an ANSI verb
    UINT idCmdFirst = 100;                // --first
    UINT idCmdLast = 0x7FFF;              // --last
    UINT queryFlags = 0;                  // --flags (CMF_NORMAL)
    bool watchDialogs = false;            // --answer or --screenshots given
    std::wstring answer = L"default";     // --answer: ok, cancel, yes, no or default
    std::wstring screenshotFolder;        // --screenshots: where dialog pictures go
    DWORD dialogDelayMs = 400;            // --dialog-delay: time a dialog stays up
};

// Reads argv into options. False with a message in error for a bad command line.
bool ParseHostOptions(int argc, wchar_t** argv, HostOptions* options, std::wstring* error);

void PrintHostUsage();
