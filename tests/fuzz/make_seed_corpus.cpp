// Writes the fuzzer's seed corpus: the hand-built seed files (JPEG, and
// HEIF files with each layout of the item tables, with Exif and without),
// and every photo of the folders cut down to the part the engine reads.
//   make_seed_corpus <photo folder> <corpus folder> [<photo folder>...]
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "heif/heif_bytes.h"
#include "fuzz/seed_photos.h"

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& path, const vzseed::Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: make_seed_corpus <photo folder> <corpus folder> [<photo folder>...]\n";
        return 2;
    }
    std::vector<fs::path> folders = {argv[1]};
    for (int i = 3; i < argc; ++i)
        folders.push_back(argv[i]);
    const fs::path corpus = argv[2];
    std::error_code error;
    fs::create_directories(corpus, error);
    int written = 0;
    for (const vzseed::SeedFile& seed : vzseed::HandBuiltSeeds())
        written += WriteFile(corpus / ("built-" + seed.name + ".jpg"), seed.bytes);
    std::vector<vztest::NamedLayout> layouts = vztest::EveryHeifLayout(vztest::SimpleTiff(false));
    // Layouts without Exif: bare, with entity groups, a sequence with a
    // video box at the end, and an empty iref as the last child of meta.
    vztest::HeifLayout groups, sequence, emptyIref;
    groups.groups = true;
    sequence.movie = true;
    sequence.trailer = vztest::MotionPhotoVideo();
    emptyIref.metaTail = vztest::Box("iref", {});
    for (const vztest::HeifLayout& layout : {vztest::HeifLayout(), groups, sequence, emptyIref})
        layouts.push_back({"no Exif item", layout});
    for (const vztest::NamedLayout& layout : layouts)
        written += WriteFile(corpus / ("built-" + std::to_string(written) + ".heic"), vztest::Heif(layout.layout));
    int photoCount = 0;
    for (const fs::path& photos : folders) {
        for (const fs::directory_entry& entry : fs::directory_iterator(photos, error)) {
            if (entry.path().extension() != ".jpg")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            vzseed::Bytes photo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            written += WriteFile(corpus / ("photo-" + entry.path().filename().string()), vzseed::CutAfterScanStart(photo));
            ++photoCount;
        }
    }
    std::cout << written << " seed files (" << photoCount << " photos) in " << corpus << "\n";
    return photoCount > 0 && !error ? 0 : 1;
}
