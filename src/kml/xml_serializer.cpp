#include "kml/xml_serializer.h"

#include <oleauto.h>
#include <cstring>

#include "kml/wide_text_builder.h"

namespace {

const wchar_t kXmlHeader[] = L"<?xml version=\"1.0\"?>\r\n";
const wchar_t kByteOrderMark = 0xFEFF;

// The entity name that replaces c, or null when c is copied as it is.
const wchar_t* EntityFor(wchar_t c)
{
    switch (c) {
    case L'&': return L"amp";
    case L'<': return L"lt";
    case L'>': return L"gt";
    case L'\'': return L"apos";
    case L'"': return L"quot";
    default: return nullptr;
    }
}

// Escapes text into work (kXmlEscapeBufferSize characters). S_OK with the
// escaped length in *length, or E_FAIL when the text is too long.
HRESULT EscapeIntoWorkBuffer(const wchar_t* text, wchar_t* work, int* length)
{
    int written = 0;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (written > kXmlEscapeLimit)
            return E_FAIL;
        const wchar_t* entity = EntityFor(*p);
        if (entity == nullptr) {
            work[written++] = *p;
            continue;
        }
        work[written++] = L'&';
        while (*entity != L'\0')
            work[written++] = *entity++;
        work[written++] = L';';
    }
    *length = written;
    return S_OK;
}

// Kept out of line so that the work buffer is not part of every frame of
// the recursion over the elements.
__attribute__((noinline)) HRESULT AppendEscaped(WideTextBuilder& out, const wchar_t* text)
{
    if (text == nullptr)
        return S_OK;
    wchar_t work[kXmlEscapeBufferSize];
    int length = 0;
    HRESULT hr = EscapeIntoWorkBuffer(text, work, &length);
    if (SUCCEEDED(hr))
        out.Append(work, static_cast<size_t>(length));
    return hr;
}

HRESULT AppendNode(WideTextBuilder& out, const XmlNode* node, int depth)
{
    if (node == nullptr || node->name == nullptr || depth > kMaxXmlDepth)
        return E_FAIL;
    HRESULT hr = S_OK;
    size_t indent = depth > 0 ? static_cast<size_t>(depth) : 0;

    out.Append(L'\t', indent);
    out.Append(L'<');
    out.Append(node->name);
    for (int i = 0; SUCCEEDED(hr) && i < node->attributes.Count(); ++i) {
        const XmlAttribute* attribute = static_cast<const XmlAttribute*>(node->attributes.ItemAt(i));
        out.Append(L' ');
        out.Append(attribute->name);
        out.Append(L"=\"", 2);
        hr = AppendEscaped(out, attribute->value);
        out.Append(L'"');
    }

    if (SUCCEEDED(hr) && node->children.Count() > 0) {
        out.Append(L">\r\n", 3);
        for (int i = 0; SUCCEEDED(hr) && i < node->children.Count(); ++i)
            hr = AppendNode(out, static_cast<const XmlNode*>(node->children.ItemAt(i)), depth + 1);
        if (SUCCEEDED(hr) && node->text != nullptr) {
            out.Append(L'\t', indent + 1);
            hr = AppendEscaped(out, node->text);
            out.Append(L"\r\n", 2);
        }
        out.Append(L'\t', indent);
        out.Append(L"</", 2);
        out.Append(node->name);
        out.Append(L">\r\n", 3);
    } else if (SUCCEEDED(hr) && node->text != nullptr) {
        out.Append(L'>');
        hr = AppendEscaped(out, node->text);
        out.Append(L"</", 2);
        out.Append(node->name);
        out.Append(L">\r\n", 3);
    } else if (SUCCEEDED(hr)) {
        out.Append(L"/>\r\n", 4);
    }

    if (SUCCEEDED(hr) && out.Failed())
        hr = E_OUTOFMEMORY;
    return hr;
}

// Hands the builder's text out as a BSTR when everything went well.
HRESULT TakeText(const WideTextBuilder& out, HRESULT hr, BSTR* text)
{
    if (SUCCEEDED(hr)) {
        *text = out.ToBstr();
        if (*text == nullptr)
            hr = E_OUTOFMEMORY;
    }
    return hr;
}

}  // namespace

HRESULT SerializeDocument(const XmlDocument* document, BSTR* text, bool byteOrderMark)
{
    if (text == nullptr)
        return E_INVALIDARG;
    *text = nullptr;
    if (document == nullptr || document->root == nullptr)
        return S_FALSE;

    WideTextBuilder out;
    if (byteOrderMark)
        out.Append(kByteOrderMark);
    out.Append(kXmlHeader);
    HRESULT hr = AppendNode(out, document->root, 0);
    return TakeText(out, hr, text);
}

HRESULT SerializeNode(const XmlNode* node, int depth, BSTR* text)
{
    if (text == nullptr)
        return E_INVALIDARG;
    *text = nullptr;
    WideTextBuilder out;
    HRESULT hr = AppendNode(out, node, depth);
    return TakeText(out, hr, text);
}

HRESULT EscapeXmlText(const wchar_t* text, BSTR* escaped)
{
    if (escaped == nullptr)
        return E_INVALIDARG;
    *escaped = nullptr;
    if (text == nullptr)
        return S_FALSE;
    WideTextBuilder out;
    HRESULT hr = AppendEscaped(out, text);
    return TakeText(out, hr, escaped);
}
