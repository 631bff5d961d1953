// A growable UTF-16 text that is built by appending pieces and handed out as
// one BSTR. Appending never throws: a failed growth marks the builder as
// failed and every later append does nothing.
#pragma once
#include <windows.h>
#include <cstddef>

class WideTextBuilder {
public:
    WideTextBuilder() {}
    ~WideTextBuilder();
    WideTextBuilder(const WideTextBuilder&) = delete;
    WideTextBuilder& operator=(const WideTextBuilder&) = delete;

    void Append(const wchar_t* text, size_t length);
    void Append(const wchar_t* text);
    void Append(wchar_t c, size_t count = 1);

    bool Failed() const { return m_failed; }
    size_t Length() const { return m_length; }
    const wchar_t* Text() const { return m_text; }

    // The text as a new BSTR (empty text included), or null when an append
    // failed or the BSTR cannot be had.
    BSTR ToBstr() const;

private:
    bool Reserve(size_t extra);

    wchar_t* m_text = nullptr;
    size_t m_length = 0;
    size_t m_capacity = 0;
    bool m_failed = false;
};
