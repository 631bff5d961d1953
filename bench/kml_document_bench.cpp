// Benchmark: the KML document of "Show location in Google Earth" for a
// folder of located photos, built (BuildKmlDocument) and serialised
// (SerializeDocument), against the photo engine's read of the same photos
// (Open + ReadPosition), both per photo, from a warm cache: one untimed
// pass first, then timed passes.
//   kml_document_bench <folder> <timed passes>
// Prints "kml <photos> <placemarks> <characters>", then the medians per
// photo in microseconds, by the wall clock: read, build+serialise, beyond the
// read, serialise; then the same four by this thread's CPU time.
#include <cstdio>
#include <cstdlib>

#include "bench/exif_bench_common.h"
#include "exif/exif_block.h"
#include "kml/kml_document.h"
#include "kml/xml_serializer.h"
#include "selection/image_selection.h"

namespace {

// CPU time of this thread in microseconds (user and kernel): on a loaded
// machine the wall clock also counts the time other processes run.
double ThreadCpuMicroseconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10.0;
}

int CountPlacemarks(const XmlDocument* document)
{
    if (document == nullptr || document->root == nullptr || document->root->children.Count() == 0)
        return 0;
    const XmlNode* folder = static_cast<const XmlNode*>(document->root->children.ItemAt(0));
    return folder->children.Count() - 2;  // name and description
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kml_document_bench <folder> <passes>\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const int passes = _wtoi(argv[2]);
    ImageSelection selection;
    std::vector<std::wstring> paths;
    for (const std::wstring& name : vzbench::JpegNames(folder)) {
        paths.push_back(folder + L"\\" + name);
        if (FAILED(selection.Append(paths.back().c_str())))
            return 1;
    }
    const double count = static_cast<double>(paths.size());
    if (paths.empty())
        return 1;

    std::vector<double> readTimes, buildTimes, beyondTimes, serialiseTimes;
    std::vector<double> readCpu, buildCpu, beyondCpu, serialiseCpu;
    int placemarks = 0;
    unsigned characters = 0;
    for (int pass = 0; pass <= passes; ++pass) {
        double start = vzbench::NowMicroseconds();
        double startCpu = ThreadCpuMicroseconds();
        for (const std::wstring& path : paths) {
            ExifBlock block;
            block.Open(path.c_str());
            double latitude, longitude, altitude, heading;
            block.ReadPosition(&latitude, &longitude, &altitude, &heading);
        }
        const double read = (vzbench::NowMicroseconds() - start) / count;
        const double readOnCpu = (ThreadCpuMicroseconds() - startCpu) / count;

        start = vzbench::NowMicroseconds();
        startCpu = ThreadCpuMicroseconds();
        XmlDocumentHolder document(BuildKmlDocument(selection));
        const double built = vzbench::NowMicroseconds();
        const double builtCpu = ThreadCpuMicroseconds();
        BSTR text = nullptr;
        HRESULT hr = SerializeDocument(document.get(), &text, true);
        const double end = vzbench::NowMicroseconds();
        const double endCpu = ThreadCpuMicroseconds();
        if (hr != S_OK)
            return 1;
        characters = SysStringLen(text);
        SysFreeString(text);
        placemarks = CountPlacemarks(document.get());

        if (pass > 0) {  // pass 0 warms the cache
            readTimes.push_back(read);
            buildTimes.push_back((end - start) / count);
            beyondTimes.push_back((end - start) / count - read);
            serialiseTimes.push_back((end - built) / count);
            readCpu.push_back(readOnCpu);
            buildCpu.push_back((endCpu - startCpu) / count);
            beyondCpu.push_back((endCpu - startCpu) / count - readOnCpu);
            serialiseCpu.push_back((endCpu - builtCpu) / count);
        }
    }
    std::printf("kml %zu %d %u %.2f %.2f %.2f %.2f %.2f %.2f %.2f %.2f\n", paths.size(), placemarks, characters,
                vzbench::Median(readTimes), vzbench::Median(buildTimes), vzbench::Median(beyondTimes),
                vzbench::Median(serialiseTimes), vzbench::Median(readCpu), vzbench::Median(buildCpu),
                vzbench::Median(beyondCpu), vzbench::Median(serialiseCpu));
    return 0;
}
