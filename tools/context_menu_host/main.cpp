// ContextMenuHost: shows what Explorer would show when the user right-clicks
// files, by doing with the registered context-menu handler what Explorer
// does, and optionally runs one of its commands. Useful under Wine (whose
// shell does not load third-party handlers) and on Windows alike.
#include <windows.h>
#include <shlobj.h>
#include <cstdio>
#include <string>

#include "dialog_watcher.h"
#include "handler_loader.h"
#include "host_options.h"
#include "menu_printer.h"
#include "shell_selection.h"

namespace {

// Invokes one command the way the shell does for a menu choice or a verb.
HRESULT InvokeHandlerCommand(IContextMenu* menu, const HostOptions& options)
{
    const std::wstring& what = options.invoke;
    bool byOffset = what.size() > 1 && what[0] == L'#';
    UINT_PTR offset = byOffset ? wcstoul(what.c_str() + 1, nullptr, 10) : 0;
    char verbA[256] = "";
    if (!byOffset)
        WideCharToMultiByte(CP_ACP, 0, what.c_str(), -1, verbA, sizeof(verbA), nullptr, nullptr);

    CMINVOKECOMMANDINFOEX info = {};
    if (options.invokeAnsi)
        info.cbSize = sizeof(CMINVOKECOMMANDINFO);
    else {
        info.cbSize = sizeof(CMINVOKECOMMANDINFOEX);
        info.fMask = CMIC_MASK_UNICODE;
        info.lpVerbW = byOffset ? reinterpret_cast<LPCWSTR>(offset) : what.c_str();
    }
    info.lpVerb = byOffset ? reinterpret_cast<LPCSTR>(offset) : verbA;
    info.hwnd = nullptr;
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
}

int RunHost(const HostOptions& options)
{
    wchar_t number[16];
    HandlerServer server;
    HRESULT hr = FindHandler(options.handlerName, options.clsidText, &server);
    if (FAILED(hr)) {
        wprintf(L"No handler: *\\shellex\\ContextMenuHandlers\\%ls is not registered (%ls)\n",
                options.handlerName.c_str(), ResultName(hr, number, 16));
        return 2;
    }
    wprintf(L"Handler: %ls  *\\shellex\\ContextMenuHandlers\\%ls\n", server.clsidText.c_str(),
            options.handlerName.c_str());

    IDataObject* data = nullptr;
    PIDLIST_ABSOLUTE folder = nullptr;
    hr = CreateSelectionDataObject(options.files, &data, &folder);
    wprintf(L"Selection: %u file(s)\n", static_cast<unsigned>(options.files.size()));
    for (const std::wstring& file : options.files)
        wprintf(L"  %ls\n", FullPathOf(file).c_str());
    if (FAILED(hr)) {
        wprintf(L"The shell made no data object for the selection (%ls); the files must exist in one folder\n",
                ResultName(hr, number, 16));
        return 2;
    }

    IClassFactory* factory = nullptr;
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;
    HMENU hmenu = nullptr;
    int exitCode = 1;
    hr = GetHandlerFactory(&server, options.dllPath, &factory);
    wprintf(L"Server: %ls\nClass factory: %ls\n", server.serverPath.c_str(), ResultName(hr, number, 16));
    if (SUCCEEDED(hr)) {
        hr = factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
        wprintf(L"CreateInstance(IShellExtInit): %ls\n", ResultName(hr, number, 16));
    }
    if (SUCCEEDED(hr)) {
        hr = init->Initialize(folder, data, nullptr);
        wprintf(L"Initialize: %ls%ls\n", ResultName(hr, number, 16),
                FAILED(hr) ? L"  (the handler adds nothing for this selection)" : L"");
        if (FAILED(hr))
            exitCode = 3;
    }
    if (SUCCEEDED(hr)) {
        hr = init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
        wprintf(L"QueryInterface(IContextMenu): %ls\n", ResultName(hr, number, 16));
    }
    UINT reserved = 0;
    if (SUCCEEDED(hr)) {
        hmenu = CreatePopupMenu();
        hr = menu->QueryContextMenu(hmenu, 0, options.idCmdFirst, options.idCmdLast, options.queryFlags);
        reserved = SUCCEEDED(hr) ? HRESULT_CODE(hr) : 0;
        wprintf(L"QueryContextMenu(first %u, last %u, flags 0x%x): %ls, %u identifier(s) reserved\n",
                options.idCmdFirst, options.idCmdLast, options.queryFlags, ResultName(hr, number, 16), reserved);
        wprintf(L"Menu:\n");
        PrintMenu(hmenu, menu, options.idCmdFirst, reserved);
        exitCode = SUCCEEDED(hr) ? 0 : 3;
    }
    if (SUCCEEDED(hr) && !options.invoke.empty()) {
        DialogWatcher watcher(options.answer, options.screenshotFolder, options.dialogDelayMs);
        if (options.watchDialogs)
            watcher.Start();
        wprintf(L"InvokeCommand(%ls, %ls):\n", options.invoke.c_str(), options.invokeAnsi ? L"ANSI" : L"Unicode");
        fflush(stdout);
        HRESULT hrInvoke = InvokeHandlerCommand(menu, options);
        watcher.Stop();
        wprintf(L"InvokeCommand result: %ls\n", ResultName(hrInvoke, number, 16));
        exitCode = SUCCEEDED(hrInvoke) ? 0 : 4;
    }

    if (hmenu)
        DestroyMenu(hmenu);
    if (menu)
        menu->Release();
    if (init)
        init->Release();
    if (factory)
        factory->Release();
    data->Release();
    CoTaskMemFree(folder);
    if (server.module) {
        typedef HRESULT(STDAPICALLTYPE * CanUnloadFn)();
        CanUnloadFn canUnload = reinterpret_cast<CanUnloadFn>(
            reinterpret_cast<void*>(GetProcAddress(server.module, "DllCanUnloadNow")));
        if (canUnload)
            wprintf(L"DllCanUnloadNow after release: %ls\n", ResultName(canUnload(), number, 16));
        FreeLibrary(server.module);
    }
    return exitCode;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    HostOptions options;
    std::wstring error;
    if (!ParseHostOptions(argc, argv, &options, &error)) {
        if (!error.empty())
            fwprintf(stderr, L"ContextMenuHost: %ls\n", error.c_str());
        PrintHostUsage();
        return error.empty() ? 0 : 2;
    }
    // Explorer's threads are single-threaded apartments with OLE initialised.
    if (FAILED(OleInitialize(nullptr))) {
        fwprintf(stderr, L"ContextMenuHost: OleInitialize failed\n");
        return 2;
    }
    int code = RunHost(options);
    fflush(stdout);
    CoFreeUnusedLibraries();
    OleUninitialize();
    return code;
}
