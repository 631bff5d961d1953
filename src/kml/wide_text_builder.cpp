#include "kml/wide_text_builder.h"

#include <oleauto.h>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {
// Longest text a BSTR can carry (its byte length is a 32-bit count).
const size_t kMaxBstrLength = 0x7FFFFFFF / sizeof(wchar_t) - 1;
}

WideTextBuilder::~WideTextBuilder()
{
    std::free(m_text);
}

bool WideTextBuilder::Reserve(size_t extra)
{
    if (m_failed)
        return false;
    if (extra > kMaxBstrLength - m_length) {
        m_failed = true;
        return false;
    }
    size_t needed = m_length + extra;
    if (needed <= m_capacity)
        return true;
    size_t capacity = m_capacity < 256 ? 256 : m_capacity;
    while (capacity < needed)
        capacity = capacity > kMaxBstrLength / 2 ? kMaxBstrLength : capacity * 2;
    void* grown = std::realloc(m_text, capacity * sizeof(wchar_t));
    if (grown == nullptr) {
        m_failed = true;
        return false;
    }
    m_text = static_cast<wchar_t*>(grown);
    m_capacity = capacity;
    return true;
}

void WideTextBuilder::Append(const wchar_t* text, size_t length)
{
    if (length == 0 || !Reserve(length))
        return;
    std::memcpy(m_text + m_length, text, length * sizeof(wchar_t));
    m_length += length;
}

void WideTextBuilder::Append(const wchar_t* text)
{
    if (text != nullptr)
        Append(text, std::wcslen(text));
}

void WideTextBuilder::Append(wchar_t c, size_t count)
{
    if (count == 0 || !Reserve(count))
        return;
    for (size_t i = 0; i < count; ++i)
        m_text[m_length++] = c;
}

BSTR WideTextBuilder::ToBstr() const
{
    if (m_failed)
        return nullptr;
    return SysAllocStringLen(m_length ? m_text : L"", static_cast<UINT>(m_length));
}
