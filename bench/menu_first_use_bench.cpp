// Benchmark: the context menu's first use for a large selection. Explorer's
// steps are taken through the built DLL (class factory, Initialize with the
// shell's data object, IContextMenu); what is timed is the first
// QueryContextMenu of each new menu object, which judges the selection once
// (Google Earth installed, some photo located, some file writable) before it
// builds the submenu. One untimed run first warms the file cache.
//   menu_first_use_bench <dll> <folder> <runs>
// Prints "menu <photos> <median ms> <min ms> <max ms> <items offered>".
#include <windows.h>
#include <shlobj.h>
#include <cstdio>
#include <cstdlib>

#include "bench/exif_bench_common.h"
#include "testlib/shell_data_object.h"

namespace {

// {EEA3944D-8517-4992-8A7C-47FFDD78A39B}
const CLSID kExtensionClsid = {0xEEA3944D, 0x8517, 0x4992, {0x8A, 0x7C, 0x47, 0xFF, 0xDD, 0x78, 0xA3, 0x9B}};

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);

// One menu object's first QueryContextMenu, in microseconds; -1 on failure.
double TimeFirstUse(IClassFactory* factory, IDataObject* data, int* offered)
{
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;
    double elapsed = -1;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    if (SUCCEEDED(hr))
        hr = init->Initialize(nullptr, data, nullptr);
    if (SUCCEEDED(hr))
        hr = init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    if (SUCCEEDED(hr)) {
        HMENU hmenu = CreatePopupMenu();
        double start = vzbench::NowMicroseconds();
        hr = menu->QueryContextMenu(hmenu, 0, 1, 100, CMF_NORMAL);
        elapsed = vzbench::NowMicroseconds() - start;
        *offered = GetMenuItemCount(GetSubMenu(hmenu, 0));
        DestroyMenu(hmenu);
        if (FAILED(hr))
            elapsed = -1;
    }
    if (menu)
        menu->Release();
    if (init)
        init->Release();
    return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: menu_first_use_bench <dll> <folder> <runs>\n");
        return 2;
    }
    const std::wstring folder = argv[2];
    const int runs = _wtoi(argv[3]);
    std::vector<std::wstring> paths;
    for (const std::wstring& name : vzbench::JpegNames(folder))
        paths.push_back(folder + L"\\" + name);

    OleInitialize(nullptr);
    HMODULE dll = LoadLibraryW(argv[1]);
    GetClassObjectFn getClassObject =
        dll ? reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")))
            : nullptr;
    IClassFactory* factory = nullptr;
    IDataObject* data = vztest::CreateShellDataObject(paths);
    if (!getClassObject || FAILED(getClassObject(kExtensionClsid, IID_IClassFactory,
                                                 reinterpret_cast<void**>(&factory))) || !data) {
        std::fprintf(stderr, "cannot load the extension or make the selection\n");
        return 1;
    }

    std::vector<double> times;
    int offered = 0;
    for (int run = 0; run <= runs; ++run) {
        double elapsed = TimeFirstUse(factory, data, &offered);
        if (elapsed < 0) {
            std::fprintf(stderr, "the menu failed\n");
            return 1;
        }
        if (run > 0)  // run 0 warms the cache
            times.push_back(elapsed);
    }
    std::sort(times.begin(), times.end());
    std::printf("menu %zu %.1f %.1f %.1f %d\n", paths.size(), vzbench::Median(times) / 1000, times.front() / 1000,
                times.back() / 1000, offered);
    data->Release();
    factory->Release();
    FreeLibrary(dll);
    OleUninitialize();
    return 0;
}
