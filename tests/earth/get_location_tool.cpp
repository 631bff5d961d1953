// Runs "Get location from Google Earth" on the photos named on the command
// line, with the Google Earth stand-in showing the given view and the
// confirmation answered as asked; prints the command's result. Used by
// check_get_location.py, which reads the photos back with ExifTool.
//
//   get_location_tool <latitude> <longitude> <altitude> <azimuth> ok|cancel <photo>...
#include <windows.h>
#include <ole2.h>
#include <cstdio>
#include <cwchar>

#include "earth/earth_standin.h"
#include "earth/get_location.h"
#include "selection/image_selection.h"
#include "testlib/message_box_watcher.h"

namespace {

int Run(int argc, wchar_t** argv)
{
    if (argc < 7) {
        fprintf(stderr, "usage: get_location_tool <latitude> <longitude> <altitude> <azimuth> ok|cancel <photo>...\n");
        return 2;
    }
    vztest::EarthStandIn standIn(vztest::EarthPointForm::Object);
    if (FAILED(standIn.Registered())) {
        fprintf(stderr, "stand-in not registered: %08lx\n", static_cast<unsigned long>(standIn.Registered()));
        return 1;
    }
    standIn.SetView(wcstod(argv[1], nullptr), wcstod(argv[2], nullptr), wcstod(argv[3], nullptr));
    standIn.SetAzimuth(wcstod(argv[4], nullptr));
    bool ok = wcscmp(argv[5], L"ok") == 0;

    ImageSelection selection;
    for (int i = 6; i < argc; i++) {
        if (FAILED(selection.Append(argv[i])))
            return 1;
    }
    HRESULT hr = E_UNEXPECTED;
    size_t boxCount = 0;
    int lastAnswer = 0;
    {
        vztest::MessageBoxWatcher boxes(ok ? IDOK : IDCANCEL);
        hr = GetLocationFromEarth(selection);
        boxCount = boxes.Count();
        if (boxCount > 0)
            lastAnswer = boxes[boxCount - 1].result;
    }
    bool stopped = vztest::EarthStandIn::WaitUntilStopped();
    printf("result %08lx boxes %u answered %d stand-in stopped %d\n", static_cast<unsigned long>(hr),
           static_cast<unsigned>(boxCount), lastAnswer, stopped ? 1 : 0);
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
