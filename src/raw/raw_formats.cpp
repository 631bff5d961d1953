#include "raw/raw_formats.h"

namespace {

const uint16_t kTiff = 42;
const uint16_t kOrfRo = 0x4F52;  // "RO" read little-endian
const uint16_t kOrfRs = 0x5352;  // "RS"
const uint16_t kRw2 = 0x0055;
const uint16_t kDngVersion = 0xC612;

using C = RawContainer;
using F = RawFrameRule;

const RawFormat kFormats[] = {
    {L"dng", "DNG", C::Tiff, kTiff, 0, nullptr, kDngVersion, F::LargestImage},
    {L"cr2", "CR2", C::Tiff, kTiff, 0, "CR\x02", 0, F::ExifSize},
    {L"nef", "NEF", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"nrw", "NRW", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"arw", "ARW", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"sr2", "SR2", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"srf", "SRF", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"pef", "PEF", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"orf", "ORF", C::Tiff, kOrfRo, kOrfRs, nullptr, 0, F::LargestImage},
    {L"rw2", "RW2", C::Tiff, kRw2, 0, nullptr, 0, F::SensorBorders},
    {L"srw", "SRW", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"erf", "ERF", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"3fr", "3FR", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"iiq", "IIQ", C::Tiff, kTiff, 0, "IIII", 0, F::ExifSize},
    {L"mos", "MOS", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"mef", "MEF", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"dcr", "DCR", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"kdc", "KDC", C::Tiff, kTiff, 0, nullptr, 0, F::LargestImage},
    {L"cr3", "CR3", C::Cr3, 0, 0, nullptr, 0, F::LargestImage},
    {L"raf", "RAF", C::Raf, 0, 0, nullptr, 0, F::ContainerHeader},
    {L"mrw", "MRW", C::Mrw, 0, 0, nullptr, 0, F::ContainerHeader},
};

}  // namespace

const RawFormat* FindRawFormat(const wchar_t* name)
{
    if (!name)
        return nullptr;
    const wchar_t* dot = nullptr;
    for (const wchar_t* p = name; *p; ++p) {
        if (*p == L'.')
            dot = p;
        else if (*p == L'\\' || *p == L'/')
            dot = nullptr;
    }
    if (!dot)
        return nullptr;
    for (const RawFormat& format : kFormats) {
        const wchar_t* a = dot + 1;
        const wchar_t* b = format.extension;
        // ASCII case folding only: a Turkish dotted capital I is no "i".
        while (*a && *b) {
            wchar_t c = *a;
            if (c >= L'A' && c <= L'Z')
                c = static_cast<wchar_t>(c - L'A' + L'a');
            if (c != *b)
                break;
            ++a;
            ++b;
        }
        if (!*a && !*b)
            return &format;
    }
    return nullptr;
}

const RawFormat* RawFormatTable(size_t* count)
{
    *count = sizeof(kFormats) / sizeof(kFormats[0]);
    return kFormats;
}
