#include "sidecar/xmp_document.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

#include "sidecar/sidecar_texts.h"

const char kXmpMetaNamespace[] = "adobe:ns:meta/";
const char kRdfNamespace[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";
const char kXmlnsNamespace[] = "http://www.w3.org/2000/xmlns/";

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Names: ASCII letters, "_" and ":" start one, digits, "-" and "." may
// follow; every non-ASCII character counts as a letter (the encoding has
// been checked already).
bool IsNameStart(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Decodes the UTF-8 character at *at into *c and moves *at past it; false
// for a malformed sequence (overlong, a surrogate, beyond U+10FFFF, cut).
bool NextCodePoint(const std::string& t, size_t* at, uint32_t* c)
{
    const unsigned char lead = static_cast<unsigned char>(t[*at]);
    size_t more = 0;
    uint32_t value = 0, least = 0;
    if (lead < 0x80) {
        *c = lead;
        ++*at;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, value = lead & 0x07, least = 0x10000;
    } else {
        return false;
    }
    if (more > t.size() - *at - 1)
        return false;
    for (size_t i = 1; i <= more; ++i) {
        const unsigned char next = static_cast<unsigned char>(t[*at + i]);
        if ((next & 0xC0) != 0x80)
            return false;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return false;
    *c = value;
    *at += more + 1;
    return true;
}

void AppendUtf8(uint32_t c, std::string* out)
{
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Reads the reference at t[at] == '&': sets *end after its ";" and *c to
// the character it stands for. False for anything but a character
// reference to an XML character or one of the five predefined entities.
bool ReadReference(const std::string& t, size_t at, size_t* end, uint32_t* c)
{
    // The longest reference is "&#x10FFFF;": a ";" further on ends no
    // reference (and is not searched for, so a text of "&" stays linear).
    size_t semicolon = at + 1;
    while (semicolon < t.size() && semicolon - at <= 12 && t[semicolon] != ';')
        ++semicolon;
    if (semicolon >= t.size() || t[semicolon] != ';')
        return false;
    const std::string body = t.substr(at + 1, semicolon - at - 1);
    *end = semicolon + 1;
    static const std::pair<const char*, uint32_t> kPredefined[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
    for (const auto& entity : kPredefined) {
        if (body == entity.first) {
            *c = entity.second;
            return true;
        }
    }
    if (body.size() < 2 || body[0] != '#')
        return false;
    const bool hex = body[1] == 'x';
    const size_t first = hex ? 2 : 1;
    if (first >= body.size() || body.size() - first > 8)
        return false;
    uint32_t value = 0;
    for (size_t i = first; i < body.size(); ++i) {
        const char d = body[i];
        uint32_t digit;
        if (d >= '0' && d <= '9')
            digit = static_cast<uint32_t>(d - '0');
        else if (hex && d >= 'a' && d <= 'f')
            digit = static_cast<uint32_t>(d - 'a' + 10);
        else if (hex && d >= 'A' && d <= 'F')
            digit = static_cast<uint32_t>(d - 'A' + 10);
        else
            return false;
        value = value * (hex ? 16 : 10) + digit;
    }
    if (!IsXmlChar(value))
        return false;
    *c = value;
    return true;
}

bool StartsWith(const std::string& t, size_t at, const char* prefix)
{
    return t.compare(at, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The text of a range with its references decoded, CDATA sections taken
// as they stand and comments and instructions left out.
std::string DecodeRange(const std::string& t, TextRange range)
{
    std::string out;
    for (size_t i = range.begin; i < range.end && i < t.size();) {
        if (t[i] == '&') {
            size_t after = i + 1;
            uint32_t c = 0;
            if (ReadReference(t, i, &after, &c))
                AppendUtf8(c, &out);
            i = after;
        } else if (StartsWith(t, i, "<![CDATA[")) {
            const size_t close = std::min(t.find("]]>", i + 9), range.end);
            out.append(t, i + 9, close - i - 9);
            i = close + 3;
        } else if (StartsWith(t, i, "<!--")) {
            i = std::min(t.find("-->", i + 4), range.end) + 3;
        } else if (StartsWith(t, i, "<?")) {
            i = std::min(t.find("?>", i + 2), range.end) + 2;
        } else {
            out.push_back(t[i]);
            ++i;
        }
    }
    return out;
}


struct Binding {
    std::string prefix;  // empty: the default namespace
    std::string uri;
};

struct OpenElement {
    TextRange qname;
    int recorded;  // index in the elements, -1 when deeper than recorded
    size_t scope;  // bindings in force before its start tag
};

// An attribute's name as ranges of the text, and the namespace it is in
// (null: none).
struct AttributeName {
    TextRange prefix, local;
    const std::string* uri = nullptr;
};

const std::string kNoUri;
const std::string kXmlUri = kXmlNamespace;
const std::string kXmlnsUri = kXmlnsNamespace;

struct RawAttribute {
    TextRange whole, leading, qname, value;
    char quote;
};

// The one pass over the text: checks it and records the upper elements.
class Scanner {
public:
    Scanner(const std::string& text, std::vector<XmpElement>* elements) : t(text), m_elements(elements) {}

    HRESULT Run(size_t start);
    size_t FailedAt() const { return m_at; }
    const char* Reason() const { return m_reason; }

private:
    HRESULT Fail(HRESULT hr, const char* reason, size_t at)
    {
        m_reason = reason;
        m_at = at;
        return hr;
    }
    size_t SkipBlanks(size_t at) const
    {
        while (at < t.size() && IsBlank(t[at]))
            ++at;
        return at;
    }
    size_t NameEnd(size_t at) const
    {
        if (at >= t.size() || !IsNameStart(t[at]))
            return at;
        while (at < t.size() && IsNameChar(t[at]))
            ++at;
        return at;
    }
    HRESULT Declaration(size_t at, size_t* end);
    HRESULT Markup(size_t at, size_t* end, bool inContent);
    HRESULT CheckText(size_t begin, size_t end);
    HRESULT StartTag(size_t at, size_t* end);
    HRESULT EndTag(size_t at, size_t* end);
    HRESULT SplitRange(TextRange qname, TextRange* prefix, TextRange* local);
    // The namespace bound to a prefix ("" for none: an empty prefix
    // without a default namespace), or null when the prefix is not bound.
    const std::string* Lookup(TextRange prefix) const;
    bool Is(TextRange range, const char* text) const
    {
        return t.compare(range.begin, range.Length(), text) == 0;
    }
    std::string Text(TextRange range) const { return t.substr(range.begin, range.Length()); }

    const std::string& t;
    std::vector<XmpElement>* m_elements;
    std::vector<OpenElement> m_open;
    std::vector<Binding> m_scope;
    // The attributes of the start tag being read (kept to reuse their room).
    std::vector<RawAttribute> m_raw;
    std::vector<AttributeName> m_names;
    bool m_rootSeen = false;
    const char* m_reason = "";
    size_t m_at = 0;
};

HRESULT Scanner::Run(size_t start)
{
    size_t at = start;
    // The XML declaration: only at the very start, and only for UTF-8.
    if (StartsWith(t, at, "<?xml") && at + 5 < t.size() && IsBlank(t[at + 5])) {
        HRESULT hr = Declaration(at, &at);
        if (FAILED(hr))
            return hr;
    }
    while (at < t.size()) {
        if (t[at] == '<') {
            HRESULT hr = Markup(at, &at, !m_open.empty());
            if (FAILED(hr))
                return hr;
            continue;
        }
        const size_t next = std::min(t.find('<', at), t.size());
        if (m_open.empty()) {
            const size_t blank = SkipBlanks(at);
            if (blank < next)
                return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarTextOutsideRoot, blank);
        } else {
            HRESULT hr = CheckText(at, next);
            if (FAILED(hr))
                return hr;
        }
        at = next;
    }
    if (!m_open.empty())
        return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarCutOff, t.size());
    if (!m_rootSeen)
        return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarNoRoot, t.size());
    return S_OK;
}

HRESULT Scanner::Declaration(size_t at, size_t* end)
{
    const size_t close = t.find("?>", at);
    if (close == std::string::npos)
        return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarCutOff, t.size());
    const std::string declaration = t.substr(at, close - at);
    const size_t name = declaration.find("encoding");
    if (name != std::string::npos) {
        size_t i = name + 8;
        while (i < declaration.size() && (IsBlank(declaration[i]) || declaration[i] == '='))
            ++i;
        if (i < declaration.size() && (declaration[i] == '"' || declaration[i] == '\'')) {
            const size_t valueEnd = declaration.find(declaration[i], i + 1);
            std::string value = declaration.substr(i + 1, valueEnd == std::string::npos ? 0 : valueEnd - i - 1);
            for (char& c : value)
                c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
            if (value != "UTF-8")
                return Fail(VZ_E_SIDECAR_ENCODING, kSidecarOtherEncoding, at + name);
        }
    }
    *end = close + 2;
    return S_OK;
}

HRESULT Scanner::Markup(size_t at, size_t* end, bool inContent)
{
    if (StartsWith(t, at, "<!--")) {
        const size_t dashes = t.find("--", at + 4);
        if (dashes == std::string::npos)
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarCutOff, t.size());
        if (dashes + 2 >= t.size() || t[dashes + 2] != '>')
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadComment, dashes);
        *end = dashes + 3;
        return S_OK;
    }
    if (StartsWith(t, at, "<?")) {
        const size_t nameEnd = NameEnd(at + 2);
        std::string target = t.substr(at + 2, nameEnd - at - 2);
        for (char& c : target)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (nameEnd == at + 2 || target == "xml")
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadInstruction, at);
        const size_t close = t.find("?>", nameEnd);
        if (close == std::string::npos)
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarCutOff, t.size());
        if (close != nameEnd && !IsBlank(t[nameEnd]))
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadInstruction, nameEnd);
        *end = close + 2;
        return S_OK;
    }
    if (StartsWith(t, at, "<!DOCTYPE") || StartsWith(t, at, "<!ENTITY"))
        return Fail(VZ_E_SIDECAR_DTD, kSidecarDtd, at);
    if (inContent && StartsWith(t, at, "<![CDATA[")) {
        const size_t close = t.find("]]>", at + 9);
        if (close == std::string::npos)
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarCutOff, t.size());
        *end = close + 3;
        return S_OK;
    }
    if (inContent && StartsWith(t, at, "</"))
        return EndTag(at, end);
    if (m_rootSeen && !inContent)
        return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarTextOutsideRoot, at);
    return StartTag(at, end);
}

HRESULT Scanner::CheckText(size_t begin, size_t end)
{
    for (size_t i = begin; i < end; ++i) {
        if (t[i] == '&') {
            size_t after = 0;
            uint32_t c = 0;
            if (!ReadReference(t, i, &after, &c) || after > end)
                return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadReference, i);
            i = after - 1;
        } else if (t[i] == '>' && i >= begin + 2 && t[i - 1] == ']' && t[i - 2] == ']') {
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadText, i - 2);
        }
    }
    return S_OK;
}

const std::string* Scanner::Lookup(TextRange prefix) const
{
    if (Is(prefix, "xml"))
        return &kXmlUri;
    for (size_t i = m_scope.size(); i-- > 0;) {
        const std::string& bound = m_scope[i].prefix;
        if (bound.size() == prefix.Length() && t.compare(prefix.begin, prefix.Length(), bound) == 0)
            return &m_scope[i].uri;
    }
    return prefix.Length() == 0 ? &kNoUri : nullptr;
}

HRESULT Scanner::SplitRange(TextRange qname, TextRange* prefix, TextRange* local)
{
    size_t colon = qname.begin;
    while (colon < qname.end && t[colon] != ':')
        ++colon;
    if (colon == qname.end) {
        *prefix = TextRange{qname.begin, qname.begin};
        *local = qname;
        return S_OK;
    }
    size_t second = colon + 1;
    while (second < qname.end && t[second] != ':')
        ++second;
    if (colon == qname.begin || colon + 1 == qname.end || second != qname.end || !IsNameStart(t[colon + 1]))
        return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadName, qname.begin);
    *prefix = TextRange{qname.begin, colon};
    *local = TextRange{colon + 1, qname.end};
    return S_OK;
}

HRESULT Scanner::StartTag(size_t at, size_t* end)
{
    const TextRange qname{at + 1, NameEnd(at + 1)};
    if (qname.Length() == 0)
        return Fail(VZ_E_SIDECAR_MALFORMED, qname.begin >= t.size() ? kSidecarCutOff : kSidecarBadMarkup,
                    qname.begin);
    if (m_open.size() >= static_cast<size_t>(kMaxSidecarDepth))
        return Fail(VZ_E_SIDECAR_TOO_DEEP, kSidecarTooDeep, at);
    if (m_open.empty() && m_rootSeen)
        return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarTextOutsideRoot, at);

    // The attributes as written.
    m_raw.clear();
    size_t i = qname.end;
    bool empty = false;
    size_t attributesEnd = qname.end;
    for (;;) {
        const size_t blank = i;
        i = SkipBlanks(i);
        if (i >= t.size())
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarCutOff, t.size());
        if (t[i] == '>' || StartsWith(t, i, "/>")) {
            empty = t[i] == '/';
            i += empty ? 2 : 1;
            break;
        }
        RawAttribute a;
        a.leading = {blank, i};
        a.qname = {i, NameEnd(i)};
        if (blank == i || a.qname.Length() == 0)
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadAttribute, i);
        i = SkipBlanks(a.qname.end);
        if (i >= t.size() || t[i] != '=')
            return Fail(VZ_E_SIDECAR_MALFORMED, i >= t.size() ? kSidecarCutOff : kSidecarBadAttribute, i);
        i = SkipBlanks(i + 1);
        if (i >= t.size() || (t[i] != '"' && t[i] != '\''))
            return Fail(VZ_E_SIDECAR_MALFORMED, i >= t.size() ? kSidecarCutOff : kSidecarBadAttribute, i);
        a.quote = t[i];
        const size_t close = t.find(a.quote, i + 1);
        if (close == std::string::npos)
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarCutOff, t.size());
        a.value = {i + 1, close};
        for (size_t v = a.value.begin; v < a.value.end; ++v) {
            if (t[v] == '<')
                return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadAttribute, v);
            if (t[v] == '&') {
                size_t after = 0;
                uint32_t c = 0;
                if (!ReadReference(t, v, &after, &c) || after > close)
                    return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadReference, v);
                v = after - 1;
            }
        }
        a.whole = {a.qname.begin, close + 1};
        attributesEnd = close + 1;
        m_raw.push_back(a);
        i = close + 1;
    }

    // Namespace declarations come into force for the element's own name
    // and attributes. Names stay ranges of the text here (no copies): most
    // elements lie deeper than the recorded ones and are only checked.
    const size_t scope = m_scope.size();
    m_names.clear();
    for (const RawAttribute& r : m_raw) {
        AttributeName n;
        HRESULT hr = SplitRange(r.qname, &n.prefix, &n.local);
        if (FAILED(hr))
            return hr;
        const bool declaresDefault = n.prefix.Length() == 0 && Is(n.local, "xmlns");
        if (declaresDefault || Is(n.prefix, "xmlns")) {
            n.uri = &kXmlnsUri;
            Binding binding{declaresDefault ? std::string() : Text(n.local), DecodeRange(t, r.value)};
            if ((binding.uri.empty() && !declaresDefault) || binding.prefix == "xmlns" ||
                (binding.prefix == "xml") != (binding.uri == kXmlNamespace) || binding.uri == kXmlnsNamespace)
                return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadNamespace, r.qname.begin);
            if (declaresDefault)
                n.local = TextRange{r.qname.begin, r.qname.begin};
            m_scope.push_back(std::move(binding));
            if (m_scope.size() > kMaxSidecarNamespaces)
                return Fail(VZ_E_SIDECAR_TOO_LARGE, kSidecarTooManyNamespaces, r.qname.begin);
        }
        m_names.push_back(n);
    }
    TextRange prefix, local;
    HRESULT hr = SplitRange(qname, &prefix, &local);
    if (FAILED(hr))
        return hr;
    const std::string* uri = Lookup(prefix);
    if (!uri)
        return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarUnboundPrefix, qname.begin);
    for (AttributeName& n : m_names) {
        if (n.uri || n.prefix.Length() == 0)
            continue;
        n.uri = Lookup(n.prefix);
        if (!n.uri || n.uri->empty())
            return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarUnboundPrefix, n.prefix.begin);
    }
    // One expanded name (namespace and local name) at most once: pairs
    // compared for the few attributes of most elements, sorted for many.
    const auto order = [this](const AttributeName& x, const AttributeName& y) {
        const int uris = (x.uri ? *x.uri : kNoUri).compare(y.uri ? *y.uri : kNoUri);
        return uris != 0 ? uris : t.compare(x.local.begin, x.local.Length(), t, y.local.begin, y.local.Length());
    };
    if (m_names.size() <= 16) {
        for (size_t a = 0; a < m_names.size(); ++a) {
            for (size_t b = a + 1; b < m_names.size(); ++b) {
                if (order(m_names[a], m_names[b]) == 0)
                    return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarRepeatedAttribute, at);
            }
        }
    } else {
        std::vector<AttributeName> sorted = m_names;
        std::sort(sorted.begin(), sorted.end(),
                  [&order](const AttributeName& x, const AttributeName& y) { return order(x, y) < 0; });
        for (size_t a = 1; a < sorted.size(); ++a) {
            if (order(sorted[a - 1], sorted[a]) == 0)
                return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarRepeatedAttribute, at);
        }
    }

    const int depth = static_cast<int>(m_open.size());
    int recorded = -1;
    if (depth < XmpDocument::kRecordedDepth) {
        XmpElement e;
        e.parent = m_open.empty() ? -1 : m_open.back().recorded;
        e.depth = depth;
        e.whole = {at, i};
        e.qname = qname;
        e.attributesEnd = attributesEnd;
        e.content = {i, i};
        e.empty = empty;
        size_t lead = at;
        const size_t floor = e.parent >= 0 ? (*m_elements)[static_cast<size_t>(e.parent)].content.begin : 0;
        while (lead > floor && IsBlank(t[lead - 1]))
            --lead;
        e.leadingBlanks = lead;
        e.nsUri = *uri;
        e.local = Text(local);
        e.attributes.reserve(m_raw.size());
        for (size_t k = 0; k < m_raw.size(); ++k) {
            XmpAttribute a;
            a.whole = m_raw[k].whole;
            a.leading = m_raw[k].leading;
            a.qname = m_raw[k].qname;
            a.value = m_raw[k].value;
            a.quote = m_raw[k].quote;
            a.nsUri = m_names[k].uri ? *m_names[k].uri : std::string();
            a.local = Text(m_names[k].local);
            e.attributes.push_back(std::move(a));
        }
        m_elements->push_back(std::move(e));
        recorded = static_cast<int>(m_elements->size() - 1);
    }
    if (!m_open.empty() && m_open.back().recorded >= 0)
        (*m_elements)[static_cast<size_t>(m_open.back().recorded)].hasChildElements = true;
    m_rootSeen = true;
    if (empty)
        m_scope.resize(scope);
    else
        m_open.push_back(OpenElement{qname, recorded, scope});
    *end = i;
    return S_OK;
}

HRESULT Scanner::EndTag(size_t at, size_t* end)
{
    const OpenElement open = m_open.back();
    const TextRange qname{at + 2, NameEnd(at + 2)};
    if (qname.Length() != open.qname.Length() ||
        t.compare(qname.begin, qname.Length(), t, open.qname.begin, open.qname.Length()) != 0)
        return Fail(VZ_E_SIDECAR_MALFORMED, qname.end >= t.size() ? kSidecarCutOff : kSidecarMismatchedTag, at);
    const size_t close = SkipBlanks(qname.end);
    if (close >= t.size() || t[close] != '>')
        return Fail(VZ_E_SIDECAR_MALFORMED, close >= t.size() ? kSidecarCutOff : kSidecarMismatchedTag, close);
    if (open.recorded >= 0) {
        XmpElement& e = (*m_elements)[static_cast<size_t>(open.recorded)];
        e.content.end = at;
        e.whole.end = close + 1;
    }
    m_scope.resize(open.scope);
    m_open.pop_back();
    *end = close + 1;
    return S_OK;
}

}  // namespace

HRESULT XmpDocument::Fail(HRESULT hr, const char* reason, size_t at, SidecarProblem* problem) const
{
    if (problem) {
        problem->reason = reason;
        problem->line = 0;
        problem->column = 0;
        if (at != static_cast<size_t>(-1)) {
            problem->line = 1;
            size_t lineStart = 0;
            for (size_t i = 0; i < at && i < m_text.size(); ++i) {
                if (m_text[i] == '\n') {
                    ++problem->line;
                    lineStart = i + 1;
                }
            }
            problem->column = static_cast<uint32_t>(at - lineStart + 1);
        }
    }
    return hr;
}

HRESULT XmpDocument::Parse(const std::string& text, SidecarProblem* problem)
{
    m_elements.clear();
    m_descriptions.clear();
    m_rdf = -1;
    m_text.clear();
    if (problem)
        *problem = SidecarProblem();
    try {
        if (text.size() > kMaxSidecarBytes)
            return Fail(VZ_E_SIDECAR_TOO_LARGE, kSidecarTooLarge, static_cast<size_t>(-1), problem);
        m_text = text;
        const auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0x100u; };
        // UTF-16 and UTF-32, by their byte-order marks or by the zero bytes
        // around the first "<".
        if ((byte(0) == 0xFE && byte(1) == 0xFF) || (byte(0) == 0xFF && byte(1) == 0xFE) ||
            (byte(0) == 0 && byte(1) == 0 && byte(2) == 0xFE && byte(3) == 0xFF) ||
            (byte(0) == 0 && byte(1) == '<') || (byte(0) == '<' && byte(1) == 0) ||
            (byte(0) == 0 && byte(1) == 0 && byte(2) == 0 && byte(3) == '<'))
            return Fail(VZ_E_SIDECAR_ENCODING, kSidecarUtf16, static_cast<size_t>(-1), problem);
        const size_t start = (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) ? 3 : 0;
        for (size_t i = start; i < text.size();) {
            uint32_t c = 0;
            const size_t at = i;
            if (!NextCodePoint(text, &i, &c))
                return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarNotUtf8, at, problem);
            if (!IsXmlChar(c))
                return Fail(VZ_E_SIDECAR_MALFORMED, kSidecarBadCharacter, at, problem);
        }

        Scanner scanner(m_text, &m_elements);
        HRESULT hr = scanner.Run(start);
        if (FAILED(hr)) {
            m_elements.clear();
            return Fail(hr, scanner.Reason(), scanner.FailedAt(), problem);
        }
        if (!FindStructure()) {
            m_elements.clear();
            return Fail(VZ_E_SIDECAR_NOT_XMP, kSidecarNotXmp, static_cast<size_t>(-1), problem);
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        m_elements.clear();
        return E_OUTOFMEMORY;
    }
}

bool XmpDocument::FindStructure()
{
    if (m_elements.empty())
        return false;
    const XmpElement& root = m_elements[0];
    if (root.Is(kRdfNamespace, "RDF")) {
        m_rdf = 0;
    } else if (root.Is(kXmpMetaNamespace, "xmpmeta") || root.Is(kXmpMetaNamespace, "xapmeta")) {
        for (size_t i = 1; i < m_elements.size() && m_rdf < 0; ++i) {
            if (m_elements[i].parent == 0 && m_elements[i].Is(kRdfNamespace, "RDF"))
                m_rdf = static_cast<int>(i);
        }
    }
    if (m_rdf < 0)
        return false;
    for (size_t i = 0; i < m_elements.size(); ++i) {
        if (m_elements[i].parent == m_rdf && m_elements[i].Is(kRdfNamespace, "Description"))
            m_descriptions.push_back(static_cast<int>(i));
    }
    return true;
}

bool XmpDocument::PrefixFor(int element, const std::string& uri, std::string* prefix) const
{
    std::vector<std::string> shadowed;
    for (int e = element; e >= 0; e = m_elements[static_cast<size_t>(e)].parent) {
        for (const XmpAttribute& a : m_elements[static_cast<size_t>(e)].attributes) {
            if (!a.IsNamespaceDeclaration() || a.local.empty() ||
                std::find(shadowed.begin(), shadowed.end(), a.local) != shadowed.end())
                continue;
            shadowed.push_back(a.local);
            if (DecodedText(a.value) == uri) {
                *prefix = a.local;
                return true;
            }
        }
    }
    return false;
}

bool XmpDocument::PrefixBound(int element, const std::string& prefix) const
{
    if (prefix == "xml" || prefix == "xmlns")
        return true;
    for (int e = element; e >= 0; e = m_elements[static_cast<size_t>(e)].parent) {
        for (const XmpAttribute& a : m_elements[static_cast<size_t>(e)].attributes) {
            if (a.IsNamespaceDeclaration() && a.local == prefix)
                return true;
        }
    }
    return false;
}

std::string XmpDocument::DecodedText(TextRange range) const
{
    return DecodeRange(m_text, range);
}

HRESULT DescribeSidecarProblem(const SidecarProblem& problem, std::string* text)
{
    try {
        if (problem.line == 0)
            *text = problem.reason;
        else
            *text = problem.reason + " (line " + std::to_string(problem.line) + ", column " +
                    std::to_string(problem.column) + ")";
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
