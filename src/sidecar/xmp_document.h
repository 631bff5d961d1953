// XmpDocument: the text of an XMP sidecar, checked and mapped, never
// rebuilt. Reading checks that the whole text is well-formed XML within the
// limits of xmp_results.h and records where the upper elements (down to the
// properties of an rdf:Description) and
// their attributes lie in the text, with their namespaces resolved. An edit
// then replaces byte ranges of the original, so that everything outside the
// changed properties stays byte for byte.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "sidecar/xmp_results.h"

extern const char kXmpMetaNamespace[];  // adobe:ns:meta/
extern const char kRdfNamespace[];      // http://www.w3.org/1999/02/22-rdf-syntax-ns#
extern const char kXmlNamespace[];      // http://www.w3.org/XML/1998/namespace
extern const char kXmlnsNamespace[];    // http://www.w3.org/2000/xmlns/

// A range of the text: [begin, end).
struct TextRange {
    size_t begin = 0;
    size_t end = 0;
    size_t Length() const { return end - begin; }
};

struct XmpAttribute {
    TextRange whole;      // name="value", from the name to the closing quote
    TextRange leading;    // the blanks before it
    TextRange qname;
    TextRange value;      // inside the quotes, as written (references not decoded)
    char quote = '"';
    std::string nsUri;    // empty for an attribute without prefix
    std::string local;
    bool IsNamespaceDeclaration() const { return nsUri == kXmlnsNamespace; }
};

struct XmpElement {
    int parent = -1;          // index in Elements(), -1 for the root
    int depth = 0;            // 0 for the root
    TextRange whole;          // from "<" to the end of its end tag (or "/>")
    TextRange qname;
    size_t attributesEnd = 0; // after the last attribute (or the name): where one more goes
    TextRange content;        // between the start and end tag; empty for "<.../>"
    bool empty = false;       // written as <.../>
    bool hasChildElements = false;
    size_t leadingBlanks = 0; // where the blanks before "<" start (whole.begin when none)
    std::string nsUri;
    std::string local;
    std::vector<XmpAttribute> attributes;
    bool Is(const char* uri, const char* name) const { return nsUri == uri && local == name; }
};

class XmpDocument {
public:
    // Elements this deep or deeper are checked but not recorded; recorded
    // are the root (x:xmpmeta), rdf:RDF, rdf:Description and its properties.
    static const int kRecordedDepth = 4;

    // S_OK, or one of the refusals of xmp_results.h with the problem
    // described (when problem is given); E_OUTOFMEMORY.
    HRESULT Parse(const std::string& text, SidecarProblem* problem);

    const std::string& Text() const { return m_text; }
    const std::vector<XmpElement>& Elements() const { return m_elements; }
    // The rdf:RDF element and the rdf:Description elements in it (indices
    // in Elements()); set by a successful Parse.
    int RdfElement() const { return m_rdf; }
    const std::vector<int>& Descriptions() const { return m_descriptions; }

    // The prefix bound to uri where element stands (its own declarations
    // included); false when none is (the default namespace does not count:
    // attributes need a prefix).
    bool PrefixFor(int element, const std::string& uri, std::string* prefix) const;
    // True when prefix is declared on element or an ancestor.
    bool PrefixBound(int element, const std::string& prefix) const;
    // The text of a range with its character and entity references decoded
    // (CDATA sections taken as they stand); the parse has checked them.
    std::string DecodedText(TextRange range) const;

private:
    HRESULT Fail(HRESULT hr, const char* reason, size_t at, SidecarProblem* problem) const;
    bool FindStructure();

    std::string m_text;
    std::vector<XmpElement> m_elements;
    int m_rdf = -1;
    std::vector<int> m_descriptions;
};
