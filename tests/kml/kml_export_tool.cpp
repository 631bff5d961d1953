// Writes the KML file of "Show location in Google Earth" for the photos
// named on the command line, exactly as the command writes it (the JPEG
// previews of raw files beside it), but into a given file and without
// opening it; for checking the file with KML readers of the host.
//   kml_export_tool <output.kml> <photo or shortcut>...
#include <windows.h>
#include <cstdio>

#include "earth/show_location.h"
#include "kml/kml_document.h"
#include "selection/image_selection.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kml_export_tool <output.kml> <photo>...\n");
        return 2;
    }
    HRESULT hr = OleInitialize(nullptr);
    ImageSelection selection;
    for (int i = 2; SUCCEEDED(hr) && i < argc; ++i)
        hr = selection.Append(argv[i]);
    if (SUCCEEDED(hr)) {
        XmlDocumentHolder document(BuildKmlDocument(selection, argv[1]));
        hr = WriteKmlFile(argv[1], document.get());
    }
    if (FAILED(hr))
        std::fprintf(stderr, "kml_export_tool: failed with %08lx\n", static_cast<unsigned long>(hr));
    OleUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
