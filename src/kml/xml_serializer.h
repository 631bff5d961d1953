// Serialising an XML element tree (xml_document.h) as UTF-16 text: a header
// line, then one element per line, indented with TABs, lines ended by CR LF.
// The text comes as a BSTR that the caller frees with SysFreeString; its size
// in bytes is SysStringByteLen.
#pragma once
#include <windows.h>

#include "kml/xml_document.h"

// Escaped texts and attribute values are built in a work buffer of this many
// characters. Before each character the number of characters already written
// is compared with kXmlEscapeLimit; past it the escaping fails. So up to 1,009
// characters of escaped text always fit, more than 1,014 never.
const int kXmlEscapeBufferSize = 1024;
const int kXmlEscapeLimit = 1008;

// Elements nested deeper than this are not written (the serialisation fails
// with E_FAIL instead of running out of stack).
const int kMaxXmlDepth = 1000;

// The document's text: optionally U+FEFF (so the file's first bytes are
// FF FE), then <?xml version="1.0"?> CR LF, then the root element.
// S_OK with *text; S_FALSE and no text when the document has no root; the
// failure of SerializeNode otherwise (no text).
HRESULT SerializeDocument(const XmlDocument* document, BSTR* text, bool byteOrderMark);

// One element and everything below it, indented by depth TABs.
// S_OK with *text; E_FAIL when an element has no name, lies deeper than
// kMaxXmlDepth or has a text too long to escape; E_OUTOFMEMORY. On failure *text is null.
HRESULT SerializeNode(const XmlNode* node, int depth, BSTR* text);

// text with & < > ' " replaced by &amp; &lt; &gt; &apos; &quot;.
// S_OK with *escaped; S_FALSE and no text for a null text; E_FAIL when the
// escaped text is too long (see kXmlEscapeLimit); E_OUTOFMEMORY.
HRESULT EscapeXmlText(const wchar_t* text, BSTR* escaped);
