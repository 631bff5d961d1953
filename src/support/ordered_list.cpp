#include "support/ordered_list.h"

#include <cstdlib>
#include <cstring>
#include <cwctype>

void OrderedList::Init(LCID locale)
{
    m_locale = locale;
    m_caseSensitive = false;
    m_count = 0;
    m_capacity = 0;
    m_slots = nullptr;
}

void OrderedList::Free()
{
    std::free(m_slots);
    m_slots = nullptr;
    m_count = 0;
    m_capacity = 0;
}

HRESULT OrderedList::SetCaseSensitive(bool caseSensitive)
{
    if (m_count != 0)
        return E_FAIL;
    m_caseSensitive = caseSensitive;
    return S_OK;
}

void* OrderedList::ItemAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return m_slots[index].item;
}

const wchar_t* OrderedList::KeyAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return m_slots[index].key;
}

bool OrderedList::Reallocate(int capacity)
{
    if (capacity == 0) {
        std::free(m_slots);
        m_slots = nullptr;
        m_capacity = 0;
        return true;
    }
    void* grown = std::realloc(m_slots, static_cast<size_t>(capacity) * sizeof(Triple));
    if (!grown)
        return false;
    m_slots = static_cast<Triple*>(grown);
    m_capacity = capacity;
    return true;
}

HRESULT OrderedList::Insert(void* item, int index, const wchar_t* key, DWORD value)
{
    if (index < 0 || index > m_count)
        index = m_count;
    if (m_count % kGrowStep == 0 && m_count == m_capacity) {
        if (m_count > 0x7FFFFFFF - kGrowStep || !Reallocate(m_count + kGrowStep))
            return E_OUTOFMEMORY;
    }
    std::memmove(&m_slots[index + 1], &m_slots[index], static_cast<size_t>(m_count - index) * sizeof(Triple));
    m_slots[index].item = item;
    m_slots[index].key = key;
    m_slots[index].value = value;
    ++m_count;
    return S_OK;
}

HRESULT OrderedList::RemoveAt(int index)
{
    if (index < 0 || index >= m_count)
        return E_INVALIDARG;
    std::memmove(&m_slots[index], &m_slots[index + 1], static_cast<size_t>(m_count - index - 1) * sizeof(Triple));
    --m_count;
    if (m_count % kGrowStep == 0 && !Reallocate(m_count))
        return E_OUTOFMEMORY;
    return S_OK;
}

int OrderedList::CompareKeys(const wchar_t* a, const wchar_t* b) const
{
#ifdef _WIN32
    DWORD flags = SORT_STRINGSORT | (m_caseSensitive ? 0 : NORM_IGNORECASE);
    return CompareStringW(m_locale, flags, a, -1, b, -1);
#else
    // Native builds (the photo engine under the fuzzer) compare code units.
    for (;; ++a, ++b) {
        wint_t ca = m_caseSensitive ? static_cast<wint_t>(*a) : std::towlower(static_cast<wint_t>(*a));
        wint_t cb = m_caseSensitive ? static_cast<wint_t>(*b) : std::towlower(static_cast<wint_t>(*b));
        if (ca != cb)
            return ca < cb ? 1 : 3;
        if (ca == 0)
            return 2;
    }
#endif
}

void* OrderedList::FindByKey(const wchar_t* key) const
{
    if (!key)
        return nullptr;
    for (int i = 0; i < m_count; ++i) {
        if (!m_slots[i].key)
            continue;
        int result = CompareKeys(key, m_slots[i].key);
        if (result == 2)
            return m_slots[i].item;
        if (result == 0)
            return nullptr;
    }
    return nullptr;
}
