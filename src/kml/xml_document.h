// The element tree of a small XML writer: a document owns its root element,
// every element owns its name, text, attributes and child elements. The tree
// is only built up (elements and attributes are added, attribute values
// replaced) and then serialised (xml_serializer.h); it is never parsed.
//
// All strings are BSTRs (SysAllocString / SysFreeString). An empty text or
// attribute value is stored as none (null).
#pragma once
#include <windows.h>
#include <memory>

#include "support/ordered_list.h"

// Result of IsValidXmlName for a name that is not a valid element name.
const HRESULT XML_E_INVALIDNAME = static_cast<HRESULT>(0x80040F00L);

struct XmlAttribute {
    BSTR name = nullptr;
    BSTR value = nullptr;  // none for an empty value
};

struct XmlNode {
    XmlNode();
    BSTR name = nullptr;   // set when the element is made, never changed
    BSTR text = nullptr;   // none for an empty text
    // XmlAttribute items keyed by their names, in order of first setting.
    // Names compare under the user's locale without case folding.
    OrderedList attributes;
    // XmlNode items keyed by their names, in order of adding.
    OrderedList children;
};

struct XmlDocument {
    XmlNode* root = nullptr;  // none when the root name was not valid or memory ran out
};

// A new document whose root element has rootName and rootText (may be null).
// The document has no root when rootName is not a valid name or memory ran
// out. Null only when the document record itself cannot be had.
XmlDocument* CreateXmlDocument(const wchar_t* rootName, const wchar_t* rootText);

// Frees the whole tree, depth first, and the document. Null is allowed.
void ReleaseDocument(XmlDocument* document);

// Deletes a document through ReleaseDocument.
struct XmlDocumentReleaser {
    void operator()(XmlDocument* document) const { ReleaseDocument(document); }
};
using XmlDocumentHolder = std::unique_ptr<XmlDocument, XmlDocumentReleaser>;

// S_OK when name is a valid root element name: a letter or "_", then up to
// 30 letters, digits, "_", "-" or ":" (1 to 31 characters in all);
// XML_E_INVALIDNAME otherwise, also for null.
HRESULT IsValidXmlName(const wchar_t* name);

// Appends a new child element with copies of name and text (null or empty:
// no text) at the end of parent's children. *child (when given) is set to
// null first, then to the new element. S_OK; E_OUTOFMEMORY with the tree
// unchanged; E_INVALIDARG for a missing parent or name. Names are not
// checked: callers pass fixed valid names.
HRESULT AddChild(XmlNode* parent, const wchar_t* name, const wchar_t* text, XmlNode** child = nullptr);

// Sets an attribute: an attribute with an equal name (case counts) gets the
// new value in its place; otherwise a new one is appended. A null or empty
// value is stored as none. *attribute (when given) is set to null first, then
// to the attribute. S_OK; E_OUTOFMEMORY with the tree unchanged; E_INVALIDARG
// for a missing node or name.
HRESULT SetAttribute(XmlNode* node, const wchar_t* name, const wchar_t* value,
                     XmlAttribute** attribute = nullptr);
