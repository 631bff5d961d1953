// Hostile photos: thousands of damaged variants of hand-built and real JPEG
// files, made by a seeded generator (the same variants on every run), go
// through Open, ReadPosition, StorePosition, RemovePosition,
// BuildExifSegment and the rewrite. Nothing may crash or hang; a rewrite
// keeps every byte outside the Exif segment; WriteToFile either rewrites the
// file exactly as the in-memory rewrite does or, when it reports failure,
// leaves it byte for byte as it was.
//
// A failure names the variant: its number and the mutations applied.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "exif/exif_block.h"
#include "fuzz/engine_checks.h"
#include "fuzz/jpeg_mutator.h"
#include "fuzz/seed_photos.h"
#include "testlib/photos.h"
#include "testlib/temp_folder.h"

namespace {

using vzseed::Bytes;
using vzseed::TestPosition;

const uint64_t kRunSeed = 0x56A27E10D1CEull;
// Variants per run: most in memory, fewer through real files (each costs
// several file calls under Wine).
const int kMemoryVariants = 12000;
const int kFileVariants = 1200;
// A single variant that takes longer than this is a hang.
const int kHangSeconds = 20;
// Reported failures before a test gives up.
const int kMaxFailures = 10;

// Real photos among the seeds: both byte orders, big maker notes, a segment
// of exactly 64 KiB, strip thumbnails, SRATIONAL positions, entries of type
// 0, a compression-7 thumbnail, a GPS directory with GPSVersionID only,
// maker directories whose offsets move with the note (bare, after a header).
const wchar_t* const kRealSeeds[] = {
    L"canon_eos-rebel-t3i.jpg",      L"nikon_d90_exif64k.jpg",       L"sony_dsc-hx5v_gps.jpg",
    L"kodak_dc210_stripthumb.jpg",   L"hmd_nokia-8.3-5g_gps.jpg",    L"dji-hasselblad_l1d-20c_gps.jpg",
    L"olympus_pen-e-p3.jpg",         L"apple_iphone-4s_gps.jpg",     L"canon_powershot-sx60hs_gpsversiononly.jpg",
    L"canon_powershot-s40.jpg",      L"panasonic_dmc-fz30.jpg",
};

// Whole photos (not cut after the scan header) for the file part, so that
// the tail moved by a rewrite spans several 64 KiB blocks.
const wchar_t* const kWholeSeeds[] = {L"canon_eos-rebel-t3i.jpg", L"sony_dsc-hx5v_gps.jpg"};

struct Seed {
    std::string name;
    Bytes bytes;
    vzseed::JpegMap map;
};

Bytes ToBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

std::string ToString(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

std::string Narrow(const wchar_t* w)
{
    std::string s;
    for (; *w; ++w)
        s.push_back(static_cast<char>(*w));
    return s;
}

std::vector<Seed> LoadSeeds(bool whole)
{
    std::vector<Seed> seeds;
    for (const vzseed::SeedFile& built : vzseed::HandBuiltSeeds())
        seeds.push_back({built.name, built.bytes, vzseed::MapJpeg(built.bytes)});
    for (const wchar_t* name : kRealSeeds) {
        Bytes photo = ToBytes(vztest::ReadFileBytes(vztest::PhotosFolder() + L"\\" + name));
        if (photo.empty())
            continue;
        Bytes cut = vzseed::CutAfterScanStart(photo);
        seeds.push_back({Narrow(name), cut, vzseed::MapJpeg(cut)});
    }
    if (whole) {
        for (const wchar_t* name : kWholeSeeds) {
            Bytes photo = ToBytes(vztest::ReadFileBytes(vztest::PhotosFolder() + L"\\" + name));
            if (!photo.empty())
                seeds.push_back({Narrow(name) + " (whole)", photo, vzseed::MapJpeg(photo)});
        }
    }
    return seeds;
}

// The variant number n of a run: its own generator, so that one variant
// can be made again from its number alone.
Bytes MakeVariant(const std::vector<Seed>& seeds, int n, std::string* what)
{
    const Seed& seed = seeds[n % seeds.size()];
    vzseed::Random random(kRunSeed ^ (0x9E3779B97F4A7C15ull * (n + 1)));
    *what = "variant " + std::to_string(n) + " of " + seed.name + ": ";
    return vzseed::Mutate(seed.bytes, seed.map, random, what);
}

// Aborts the process, naming the variant, when one variant runs too long.
class HangWatch {
public:
    HangWatch() : m_thread([this] { Watch(); }) {}
    ~HangWatch()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void Start(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_what = what;
        m_started = std::chrono::steady_clock::now();
        m_running = true;
    }
    void Stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = false;
    }

private:
    void Watch()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            m_wake.wait_for(lock, std::chrono::milliseconds(200));
            if (m_running && std::chrono::steady_clock::now() - m_started > std::chrono::seconds(kHangSeconds)) {
                std::fprintf(stderr, "hang: %s\n", m_what.c_str());
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_what;
    std::chrono::steady_clock::time_point m_started;
    bool m_running = false;
    bool m_stop = false;
    std::thread m_thread;
};

// Checks a successful in-memory rewrite: everything before the old segment
// and after it is kept, and the new segment stands in its place. Empty when
// fine.
std::string CheckRewrite(const Bytes& before, const OwnedBytes& after, const OwnedBytes& segment)
{
    const ExifSegmentScan old = vzseed::ScanBytes(before.data(), before.size());
    const size_t start = old.recorded ? old.offset : 2;
    const size_t oldSize = old.recorded ? old.size : 0;
    if (after.size != before.size() - oldSize + segment.size)
        return "rewritten size " + std::to_string(after.size);
    const uint8_t* a = after.data.get();
    if (!std::equal(before.begin(), before.begin() + start, a))
        return "bytes before the segment changed";
    if (!std::equal(segment.data.get(), segment.data.get() + segment.size, a + start))
        return "the new segment is not in place";
    if (!std::equal(before.begin() + start + oldSize, before.end(), a + start + segment.size))
        return "bytes after the segment changed";
    return "";
}

// Counts of what the variants did, to show that both ways were taken.
struct Outcomes {
    int written = 0;
    int refused = 0;
    int withTree = 0;
};

// Every operation of the block on one variant in memory. Empty when all
// promises were kept, else what broke.
std::string RunInMemory(const Bytes& file, const TestPosition& p, Outcomes* outcomes)
{
    ExifBlock block;
    block.OpenFromBytes(file.data(), file.size());
    if (block.Root())
        ++outcomes->withTree;
    double lat = 1, lon = 1, alt = 1, head = 1;
    // A failed read may leave a latitude (or longitude) it got to, but never
    // an altitude or heading.
    if (FAILED(block.ReadPosition(&lat, &lon, &alt, &head)) && (alt != 0 || head != 0))
        return "a failed ReadPosition left the altitude or heading set";
    block.ReadPosition(nullptr, nullptr, nullptr, nullptr);

    std::string problem = vzseed::SegmentProblem(block.BuildExifSegment());
    if (!problem.empty())
        return "before storing: " + problem;

    const HRESULT stored = block.StorePosition(p.latitude, p.longitude, p.altitude, p.heading);
    if (!vzseed::CanBeStored(p)) {
        if (block.IsJpeg() && stored != E_INVALIDARG)
            return "a number that cannot be stored gave " + std::to_string(stored);
    }
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            block.RemovePosition();
        OwnedBytes segment = block.BuildExifSegment();
        problem = vzseed::SegmentProblem(segment);
        if (!problem.empty())
            return problem;
        OwnedBytes rewritten;
        const HRESULT hr = block.WriteToBytes(file.data(), file.size(), &rewritten);
        if (hr == S_OK) {
            ++outcomes->written;
            if (!segment.data)
                return "S_OK without a segment";
            problem = CheckRewrite(file, rewritten, segment);
            if (!problem.empty())
                return problem;
        } else {
            ++outcomes->refused;
            if (SUCCEEDED(hr) && (rewritten.size != file.size() ||
                                  !std::equal(file.begin(), file.end(), rewritten.data.get())))
                return "nothing to write, but the bytes changed";
        }
    }
    return "";
}

// The same operation through a real file. Empty when the file is exactly
// what the in-memory rewrite gives (or unchanged when the write failed).
std::string RunOnFile(const std::wstring& path, const Bytes& file, const TestPosition& p, bool remove, Outcomes* outcomes)
{
    if (!vztest::WriteFileBytes(path, ToString(file)))
        return "cannot write the variant";
    ExifBlock block;
    block.Open(path.c_str());
    ExifBlock memory;
    memory.OpenFromBytes(file.data(), file.size());
    if (remove) {
        block.RemovePosition();
        memory.RemovePosition();
    } else if (block.StorePosition(p.latitude, p.longitude, p.altitude, p.heading) !=
               memory.StorePosition(p.latitude, p.longitude, p.altitude, p.heading)) {
        return "StorePosition differs between file and memory";
    }
    const HRESULT hr = block.WriteToFile();
    const Bytes after = ToBytes(vztest::ReadFileBytes(path));
    OwnedBytes expected;
    const HRESULT memoryHr = memory.WriteToBytes(file.data(), file.size(), &expected);
    if (hr != S_OK) {
        ++outcomes->refused;
        if (after != file)
            return "WriteToFile reported " + std::to_string(hr) + " but changed the file";
        if (memoryHr == S_OK)
            return "WriteToFile refused a file that the in-memory rewrite takes";
        return "";
    }
    ++outcomes->written;
    if (memoryHr != S_OK)
        return "WriteToFile rewrote a file that the in-memory rewrite refuses";
    if (after.size() != expected.size || !std::equal(after.begin(), after.end(), expected.data.get()))
        return "the rewritten file differs from the in-memory rewrite";
    return "";
}

TEST(HostilePhotos, VariantsInMemoryNeitherCrashNorDamage)
{
    const std::vector<Seed> seeds = LoadSeeds(false);
    ASSERT_GT(seeds.size(), vzseed::HandBuiltSeeds().size()) << "no real photos found";
    HangWatch watch;
    Outcomes outcomes;
    int failures = 0;
    for (int n = 0; n < kMemoryVariants && failures < kMaxFailures; ++n) {
        std::string what;
        const Bytes variant = MakeVariant(seeds, n, &what);
        watch.Start(what);
        const std::string problem = RunInMemory(variant, vzseed::kTestPositions[n % vzseed::kCommonPositions], &outcomes);
        watch.Stop();
        if (!problem.empty()) {
            ++failures;
            ADD_FAILURE() << what << "-> " << problem;
        }
    }
    // The variants must reach both ends: rewrites and refusals.
    EXPECT_GT(outcomes.written, kMemoryVariants / 10);
    EXPECT_GT(outcomes.refused, kMemoryVariants / 10);
    EXPECT_GT(outcomes.withTree, kMemoryVariants / 10);
    std::printf("%d variants in memory: %d with a tree, %d rewrites, %d refused\n", kMemoryVariants,
                outcomes.withTree, outcomes.written, outcomes.refused);
}

TEST(HostilePhotos, WriteToFileRewritesExactlyOrLeavesTheFileAlone)
{
    const std::vector<Seed> seeds = LoadSeeds(true);
    ASSERT_GT(seeds.size(), vzseed::HandBuiltSeeds().size()) << "no real photos found";
    vztest::TempFolder folder;
    const std::wstring path = folder / L"variant.jpg";
    HangWatch watch;
    Outcomes outcomes;
    int failures = 0;
    for (int n = 0; n < kFileVariants && failures < kMaxFailures; ++n) {
        std::string what;
        // Numbers beyond the memory part's: other variants.
        const Bytes variant = MakeVariant(seeds, kMemoryVariants + n, &what);
        watch.Start(what);
        const std::string problem = RunOnFile(path, variant, vzseed::kTestPositions[n % vzseed::kCommonPositions], n % 3 == 2, &outcomes);
        watch.Stop();
        if (!problem.empty()) {
            ++failures;
            ADD_FAILURE() << what << "-> " << problem;
        }
    }
    EXPECT_GT(outcomes.written, kFileVariants / 10);
    EXPECT_GT(outcomes.refused, kFileVariants / 10);
    std::printf("%d variants on disk: %d rewrites, %d refused\n", kFileVariants, outcomes.written, outcomes.refused);
}

}  // namespace
