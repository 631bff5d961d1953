// Runs "Edit location manually" on the photos named on the command line and
// saves a position typed into the dialog as a user would: ticks "Position is
// known" when it is clear, types latitude and longitude in decimal degrees
// and the altitude and heading exactly as given, and clicks "Save!". Prints
// the command's result and how many message boxes it showed. Used by
// check_coord_dialog_save.py, which reads the photos back with ExifTool.
//
//   coord_dialog_save_tool <latitude> <longitude> <altitude> <heading> <photo>...
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

#include "coords/coord_dialog.h"
#include "coords/coord_dialog_resources.h"
#include "notation/settings.h"
#include "selection/image_selection.h"
#include "testlib/dialog_driver.h"
#include "testlib/message_box_watcher.h"
#include "testlib/temp_folder.h"

namespace {

// The caption the dialog has for this selection.
std::wstring Caption(const ImageSelection& selection)
{
    std::wstring subject;
    if (selection.Count() == 1) {
        const wchar_t* path = selection.PathAt(0);
        const wchar_t* name = wcsrchr(path, L'\\');
        subject = L"'" + std::wstring(name != nullptr ? name + 1 : path) + L"'";
    } else {
        subject = std::to_wstring(selection.Count()) + L" files";
    }
    return L"Vantrelo Zerli: Coordinates for " + subject;
}

int Run(int argc, wchar_t** argv)
{
    if (argc < 6) {
        fprintf(stderr, "usage: coord_dialog_save_tool <latitude> <longitude> <altitude> <heading> <photo>...\n");
        return 2;
    }
    // The dialog and its picture are resources of the DLL.
    if (LoadLibraryW(vztest::HostPathToWindows(VZ_DLL_UNIX_PATH).c_str()) == nullptr) {
        fprintf(stderr, "cannot load the DLL\n");
        return 1;
    }
    LoadSettings();
    ImageSelection selection;
    for (int i = 5; i < argc; i++) {
        if (FAILED(selection.Append(argv[i])))
            return 1;
    }

    vztest::MessageBoxWatcher boxes;
    vztest::ModalThread run([&selection] { return static_cast<INT_PTR>(RunCoordinatesDialog(nullptr, &selection)); });
    HWND dialog = vztest::WaitForDialog(run.ThreadId(), Caption(selection));
    if (dialog == nullptr) {
        fprintf(stderr, "the dialog did not open\n");
        return 1;
    }
    if (!vztest::IsItemShown(dialog, IDC_COORD_LAT_DEGREES))
        vztest::ChooseListItem(dialog, IDC_COORD_NOTATION, 0);
    if (!vztest::IsItemChecked(dialog, IDC_COORD_KNOWN))
        vztest::Click(dialog, IDC_COORD_KNOWN);
    vztest::TypeText(dialog, IDC_COORD_LAT_DEGREES, argv[1]);
    vztest::TypeText(dialog, IDC_COORD_LON_DEGREES, argv[2]);
    vztest::TypeText(dialog, IDC_COORD_ALTITUDE, argv[3]);
    vztest::TypeText(dialog, IDC_COORD_HEADING, argv[4]);
    vztest::Click(dialog, IDOK);
    if (!run.Join(60000)) {
        fprintf(stderr, "the dialog did not end\n");
        return 1;
    }
    printf("result %08lx boxes %u\n", static_cast<unsigned long>(run.Result()), static_cast<unsigned>(boxes.Count()));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    int result = Run(argc, argv);
    OleUninitialize();
    return result;
}
