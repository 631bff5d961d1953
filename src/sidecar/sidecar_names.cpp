#include "sidecar/sidecar_names.h"

#include <new>
#include <utility>

namespace {

// The capital of a letter by one fixed table: ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic, as the upper-case tables of file systems
// hold them; every other character is its own. The Turkish dotless i
// (U+0131) and dotted I (U+0130) have no partner here, as in an ordinal
// comparison.
wchar_t Capital(wchar_t c)
{
    const unsigned long u = static_cast<unsigned long>(c);
    if (u >= 'a' && u <= 'z')
        return static_cast<wchar_t>(u - 0x20);
    if (u < 0xE0)
        return c;
    if (u <= 0xFE && u != 0xF7)
        return static_cast<wchar_t>(u - 0x20);
    if (u == 0xFF)
        return static_cast<wchar_t>(0x178);
    if (u >= 0x100 && u <= 0x17F) {
        if (u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x178 || u == 0x17F)
            return c;
        // Pairs: even capital, odd small from U+0100 to U+0137 and from
        // U+014A to U+0177; odd capital, even small from U+0139 to U+0148
        // and from U+0179 to U+017E.
        const bool evenCapitals = u < 0x138 || (u >= 0x14A && u <= 0x177);
        if (evenCapitals)
            return static_cast<wchar_t>(u & ~1ul);
        return static_cast<wchar_t>((u & 1ul) ? u : u - 1);
    }
    if (u >= 0x3B1 && u <= 0x3CB && u != 0x3C2)
        return static_cast<wchar_t>(u - 0x20);
    if (u == 0x3C2)
        return static_cast<wchar_t>(0x3A3);
    if (u >= 0x430 && u <= 0x44F)
        return static_cast<wchar_t>(u - 0x20);
    if (u >= 0x450 && u <= 0x45F)
        return static_cast<wchar_t>(u - 0x50);
    return c;
}

// The name without its last extension ("a.b.CR2" gives "a.b").
std::wstring BaseName(const std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

bool SameFileName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Capital(a[i]) != Capital(b[i]))
            return false;
    }
    return true;
}

HRESULT FindSidecarNames(const std::wstring& rawName, const std::vector<std::wstring>& folderNames,
                         bool (*isRaw)(const std::wstring& name), SidecarNames* names)
{
    try {
        SidecarNames found;
        const std::wstring base = BaseName(rawName);
        const std::wstring byBase = base + L".xmp";
        const std::wstring byName = rawName + L".xmp";
        bool baseShared = false;
        for (const std::wstring& name : folderNames) {
            if (SameFileName(name, byBase) || SameFileName(name, byName))
                found.existing.push_back(name);
            else if (!SameFileName(name, rawName) && SameFileName(BaseName(name), base) && isRaw && isRaw(name))
                baseShared = true;
        }
        if (found.existing.empty())
            found.create = baseShared ? byName : byBase;
        *names = std::move(found);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
