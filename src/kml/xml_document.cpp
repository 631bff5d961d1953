#include "kml/xml_document.h"

#include <new>
#include <oleauto.h>
#include <cwctype>

namespace {

// Longest valid element name, in characters.
const int kMaxXmlNameLength = 31;

// A BSTR copy of text, or null for an absent or empty text. *failed is set
// when a non-empty text could not be copied.
BSTR CopyOptionalText(const wchar_t* text, bool* failed)
{
    *failed = false;
    if (text == nullptr || text[0] == L'\0')
        return nullptr;
    BSTR copy = SysAllocString(text);
    if (copy == nullptr)
        *failed = true;
    return copy;
}

void FreeAttribute(XmlAttribute* attribute)
{
    SysFreeString(attribute->name);
    SysFreeString(attribute->value);
    delete attribute;
}

void FreeNode(XmlNode* node)
{
    for (int i = 0; i < node->children.Count(); ++i)
        FreeNode(static_cast<XmlNode*>(node->children.ItemAt(i)));
    for (int i = 0; i < node->attributes.Count(); ++i)
        FreeAttribute(static_cast<XmlAttribute*>(node->attributes.ItemAt(i)));
    SysFreeString(node->name);
    SysFreeString(node->text);
    delete node;
}

// A new element with copies of name and text and empty lists, or null when
// memory ran out.
XmlNode* MakeNode(const wchar_t* name, const wchar_t* text)
{
    XmlNode* node = new (std::nothrow) XmlNode();
    if (node == nullptr)
        return nullptr;
    bool textFailed = false;
    node->name = SysAllocString(name);
    node->text = CopyOptionalText(text, &textFailed);
    if (node->name == nullptr || textFailed) {
        FreeNode(node);
        return nullptr;
    }
    return node;
}

}  // namespace

XmlNode::XmlNode()
    : attributes(GetUserDefaultLCID()), children(GetUserDefaultLCID())
{
    // Id and id are two attributes.
    attributes.SetCaseSensitive(true);
    children.SetCaseSensitive(true);
}

HRESULT IsValidXmlName(const wchar_t* name)
{
    if (name == nullptr)
        return XML_E_INVALIDNAME;
    if (!(std::iswalpha(static_cast<wint_t>(name[0])) || name[0] == L'_'))
        return XML_E_INVALIDNAME;
    for (int i = 1; i <= kMaxXmlNameLength; ++i) {
        wchar_t c = name[i];
        if (c == L'\0')
            return S_OK;
        if (!(std::iswalnum(static_cast<wint_t>(c)) || c == L'_' || c == L'-' || c == L':'))
            return XML_E_INVALIDNAME;
    }
    return XML_E_INVALIDNAME;
}

XmlDocument* CreateXmlDocument(const wchar_t* rootName, const wchar_t* rootText)
{
    XmlDocument* document = new (std::nothrow) XmlDocument();
    if (document != nullptr && SUCCEEDED(IsValidXmlName(rootName)))
        document->root = MakeNode(rootName, rootText);
    return document;
}

void ReleaseDocument(XmlDocument* document)
{
    if (document == nullptr)
        return;
    if (document->root != nullptr)
        FreeNode(document->root);
    delete document;
}

HRESULT AddChild(XmlNode* parent, const wchar_t* name, const wchar_t* text, XmlNode** child)
{
    if (child != nullptr)
        *child = nullptr;
    if (parent == nullptr || name == nullptr)
        return E_INVALIDARG;

    HRESULT hr = S_OK;
    XmlNode* node = MakeNode(name, text);
    if (node == nullptr)
        hr = E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        hr = parent->children.Insert(node, -1, node->name, 0);
        if (FAILED(hr))
            FreeNode(node);
    }
    if (SUCCEEDED(hr) && child != nullptr)
        *child = node;
    return hr;
}

HRESULT SetAttribute(XmlNode* node, const wchar_t* name, const wchar_t* value, XmlAttribute** attribute)
{
    if (attribute != nullptr)
        *attribute = nullptr;
    if (node == nullptr || name == nullptr)
        return E_INVALIDARG;

    bool valueFailed = false;
    BSTR newValue = CopyOptionalText(value, &valueFailed);
    if (valueFailed)
        return E_OUTOFMEMORY;

    XmlAttribute* target = static_cast<XmlAttribute*>(node->attributes.FindByKey(name));
    if (target != nullptr) {
        SysFreeString(target->value);
        target->value = newValue;
        if (attribute != nullptr)
            *attribute = target;
        return S_OK;
    }

    HRESULT hr = S_OK;
    target = new (std::nothrow) XmlAttribute();
    if (target == nullptr) {
        SysFreeString(newValue);
        hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr)) {
        target->value = newValue;
        target->name = SysAllocString(name);
        if (target->name == nullptr)
            hr = E_OUTOFMEMORY;
        if (SUCCEEDED(hr))
            hr = node->attributes.Insert(target, -1, target->name, 0);
        if (FAILED(hr)) {
            FreeAttribute(target);  // frees the value with it
            target = nullptr;
        }
    }
    if (SUCCEEDED(hr) && attribute != nullptr)
        *attribute = target;
    return hr;
}
