// The XML writer through its public operations: the text it produces byte
// for byte, name validation, attributes, the three element forms, escaping
// and its length limit.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <string>

#include "kml/xml_document.h"
#include "kml/xml_serializer.h"

namespace {

// Takes ownership of a BSTR and gives its text (with its exact length).
std::wstring TakeBstr(BSTR text)
{
    std::wstring result;
    if (text != nullptr)
        result.assign(text, SysStringLen(text));
    SysFreeString(text);
    return result;
}

// The whole document's text, or "<failed hr>" / "<no root>" for the tests
// to compare against.
std::wstring Serialize(const XmlDocument* document, bool byteOrderMark = false, HRESULT* result = nullptr)
{
    BSTR text = reinterpret_cast<BSTR>(1);
    HRESULT hr = SerializeDocument(document, &text, byteOrderMark);
    if (result != nullptr)
        *result = hr;
    if (hr != S_OK) {
        EXPECT_EQ(nullptr, text) << "no text expected with result " << std::hex << hr;
        return L"<no text>";
    }
    return TakeBstr(text);
}

const wchar_t kHeader[] = L"<?xml version=\"1.0\"?>\r\n";

TEST(XmlWriter, WritesTheKmlFolderExampleByteForByte)
{
    XmlDocumentHolder document(CreateXmlDocument(L"kml", nullptr));
    ASSERT_NE(nullptr, document);
    ASSERT_NE(nullptr, document->root);
    XmlNode* folder = nullptr;
    ASSERT_EQ(S_OK, SetAttribute(document->root, L"xmlns", L"http://www.opengis.net/kml/2.2"));
    ASSERT_EQ(S_OK, AddChild(document->root, L"Folder", nullptr, &folder));
    ASSERT_EQ(S_OK, AddChild(folder, L"name", L"New Images"));

    BSTR text = nullptr;
    ASSERT_EQ(S_OK, SerializeDocument(document.get(), &text, true));
    // The bytes as they go into the file: UTF-16 little-endian.
    std::string bytes(reinterpret_cast<const char*>(text), SysStringByteLen(text));
    SysFreeString(text);
    std::wstring expected = std::wstring(1, wchar_t(0xFEFF)) + kHeader +
        L"<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
        L"\t<Folder>\r\n"
        L"\t\t<name>New Images</name>\r\n"
        L"\t</Folder>\r\n"
        L"</kml>\r\n";
    ASSERT_EQ(expected.size() * 2, bytes.size());
    EXPECT_EQ(0, memcmp(expected.data(), bytes.data(), bytes.size()));
    EXPECT_EQ(std::string("\xFF\xFE<\0?\0", 6), bytes.substr(0, 6));

    // Without the flag: the same text without U+FEFF; serialising again
    // gives the same text (the tree is not changed).
    EXPECT_EQ(expected.substr(1), Serialize(document.get(), false));
    EXPECT_EQ(expected.substr(1), Serialize(document.get(), false));
}

TEST(XmlWriter, ValidatesOnlyTheRootName)
{
    EXPECT_EQ(S_OK, IsValidXmlName(L"kml"));
    EXPECT_EQ(S_OK, IsValidXmlName(L"_a-b:c"));
    EXPECT_EQ(S_OK, IsValidXmlName(L"a"));
    EXPECT_EQ(S_OK, IsValidXmlName(std::wstring(31, L'x').c_str()));
    EXPECT_EQ(XML_E_INVALIDNAME, IsValidXmlName(std::wstring(32, L'x').c_str()));
    EXPECT_EQ(XML_E_INVALIDNAME, IsValidXmlName(L"1kml"));
    EXPECT_EQ(XML_E_INVALIDNAME, IsValidXmlName(L""));
    EXPECT_EQ(XML_E_INVALIDNAME, IsValidXmlName(nullptr));
    EXPECT_EQ(XML_E_INVALIDNAME, IsValidXmlName(L"-kml"));
    EXPECT_EQ(XML_E_INVALIDNAME, IsValidXmlName(L"k ml"));
    EXPECT_EQ(XML_E_INVALIDNAME, IsValidXmlName(L"k.ml"));
    EXPECT_EQ(static_cast<HRESULT>(0x80040F00), XML_E_INVALIDNAME);

    // An invalid root name leaves the document without a root.
    XmlDocumentHolder invalid(CreateXmlDocument(L"1kml", L"text"));
    ASSERT_NE(nullptr, invalid);
    EXPECT_EQ(nullptr, invalid->root);

    // Children take any name; only the root is checked.
    XmlDocumentHolder document(CreateXmlDocument(L"r", nullptr));
    ASSERT_EQ(S_OK, AddChild(document->root, L"1 odd", nullptr));
    EXPECT_EQ(std::wstring(kHeader) + L"<r>\r\n\t<1 odd/>\r\n</r>\r\n", Serialize(document.get()));
}

TEST(XmlWriter, DocumentWithoutRootGivesFalseAndNoText)
{
    XmlDocumentHolder document(CreateXmlDocument(L"", nullptr));
    ASSERT_NE(nullptr, document);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(L"<no text>", Serialize(document.get(), true, &hr));
    EXPECT_EQ(S_FALSE, hr);
}

TEST(XmlWriter, SettingAnAttributeAgainReplacesItsValueInPlace)
{
    XmlDocumentHolder document(CreateXmlDocument(L"e", nullptr));
    XmlAttribute* first = nullptr;
    XmlAttribute* again = nullptr;
    XmlAttribute* upper = nullptr;
    ASSERT_EQ(S_OK, SetAttribute(document->root, L"id", L"1", &first));
    ASSERT_EQ(S_OK, SetAttribute(document->root, L"x", L"y"));
    ASSERT_EQ(S_OK, SetAttribute(document->root, L"id", L"2", &again));
    ASSERT_EQ(S_OK, SetAttribute(document->root, L"ID", L"3", &upper));
    EXPECT_EQ(first, again);
    EXPECT_NE(first, upper);
    EXPECT_EQ(3, document->root->attributes.Count());
    EXPECT_EQ(std::wstring(kHeader) + L"<e id=\"2\" x=\"y\" ID=\"3\"/>\r\n", Serialize(document.get()));

    // An empty value is stored as none and written as an empty value.
    ASSERT_EQ(S_OK, SetAttribute(document->root, L"x", L""));
    EXPECT_EQ(nullptr, static_cast<XmlAttribute*>(document->root->attributes.ItemAt(1))->value);
    EXPECT_EQ(std::wstring(kHeader) + L"<e id=\"2\" x=\"\" ID=\"3\"/>\r\n", Serialize(document.get()));
}

TEST(XmlWriter, RejectsMissingNodeOrName)
{
    XmlNode* child = reinterpret_cast<XmlNode*>(1);
    XmlAttribute* attribute = reinterpret_cast<XmlAttribute*>(1);
    EXPECT_EQ(E_INVALIDARG, AddChild(nullptr, L"a", nullptr, &child));
    EXPECT_EQ(nullptr, child);
    EXPECT_EQ(E_INVALIDARG, SetAttribute(nullptr, L"a", L"b", &attribute));
    EXPECT_EQ(nullptr, attribute);
    XmlDocumentHolder document(CreateXmlDocument(L"e", nullptr));
    EXPECT_EQ(E_INVALIDARG, AddChild(document->root, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, SetAttribute(document->root, nullptr, L"b"));
    EXPECT_EQ(std::wstring(kHeader) + L"<e/>\r\n", Serialize(document.get()));
}

TEST(XmlWriter, WritesTheThreeElementForms)
{
    XmlDocumentHolder document(CreateXmlDocument(L"Style", L"after"));
    XmlNode* icon = nullptr;
    XmlNode* empty = nullptr;
    ASSERT_EQ(S_OK, AddChild(document->root, L"Icon", nullptr, &icon));
    ASSERT_EQ(S_OK, AddChild(document->root, L"href", L"", &empty));
    ASSERT_EQ(S_OK, AddChild(document->root, L"scale", L"1.5"));
    ASSERT_EQ(S_OK, SetAttribute(icon, L"id", L"a"));
    EXPECT_EQ(nullptr, empty->text);

    // Children first, then the element's own text on a line of its own one
    // level deeper; an element without content in the empty form with no
    // space before "/>", also after attributes.
    EXPECT_EQ(std::wstring(kHeader) +
                  L"<Style>\r\n"
                  L"\t<Icon id=\"a\"/>\r\n"
                  L"\t<href/>\r\n"
                  L"\t<scale>1.5</scale>\r\n"
                  L"\tafter\r\n"
                  L"</Style>\r\n",
              Serialize(document.get()));

    // A node serialised on its own at a given depth.
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, SerializeNode(icon, 3, &text));
    EXPECT_EQ(L"\t\t\t<Icon id=\"a\"/>\r\n", TakeBstr(text));
}

TEST(XmlWriter, EscapesTextAndAttributeValues)
{
    XmlDocumentHolder document(CreateXmlDocument(L"e", L"a<b & 'c'"));
    ASSERT_EQ(S_OK, SetAttribute(document->root, L"v", L"\"q\" > <"));
    EXPECT_EQ(std::wstring(kHeader) + L"<e v=\"&quot;q&quot; &gt; &lt;\">a&lt;b &amp; &apos;c&apos;</e>\r\n",
              Serialize(document.get()));

    // Line breaks and characters beyond ASCII are copied unchanged.
    BSTR escaped = nullptr;
    ASSERT_EQ(S_OK, EscapeXmlText(L"Z\u00fcrich\r\n\u65e5&", &escaped));
    EXPECT_EQ(L"Z\u00fcrich\r\n\u65e5&amp;", TakeBstr(escaped));

    escaped = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(S_FALSE, EscapeXmlText(nullptr, &escaped));
    EXPECT_EQ(nullptr, escaped);
    ASSERT_EQ(S_OK, EscapeXmlText(L"", &escaped));
    EXPECT_EQ(L"", TakeBstr(escaped));
}

TEST(XmlWriter, EscapedTextsUpTo1009CharactersAreWritten)
{
    BSTR escaped = nullptr;
    ASSERT_EQ(S_OK, EscapeXmlText(std::wstring(1009, L'a').c_str(), &escaped));
    EXPECT_EQ(1009u, SysStringLen(escaped));
    SysFreeString(escaped);

    escaped = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(E_FAIL, EscapeXmlText(std::wstring(1010, L'a').c_str(), &escaped));
    EXPECT_EQ(nullptr, escaped);

    // The limit is checked before each character: 1,008 letters and an
    // ampersand give 1,013 characters and are still written.
    ASSERT_EQ(S_OK, EscapeXmlText((std::wstring(1008, L'a') + L"&").c_str(), &escaped));
    EXPECT_EQ(std::wstring(1008, L'a') + L"&amp;", TakeBstr(escaped));
    EXPECT_EQ(E_FAIL, EscapeXmlText((std::wstring(1009, L'a') + L"&").c_str(), &escaped));
    // 1,008 characters already written, then a six-character entity.
    ASSERT_EQ(S_OK, EscapeXmlText((std::wstring(1008, L'a') + L"'").c_str(), &escaped));
    EXPECT_EQ(1014u, SysStringLen(escaped));
    SysFreeString(escaped);

    // In a tree: the text of 1,009 letters is written, one of 1,010 fails
    // the whole serialisation (no text), whether element text or attribute.
    XmlDocumentHolder document(CreateXmlDocument(L"kml", nullptr));
    XmlNode* child = nullptr;
    ASSERT_EQ(S_OK, AddChild(document->root, L"description", std::wstring(1009, L'a').c_str(), &child));
    EXPECT_EQ(std::wstring(kHeader) + L"<kml>\r\n\t<description>" + std::wstring(1009, L'a') +
                  L"</description>\r\n</kml>\r\n",
              Serialize(document.get()));
    ASSERT_EQ(S_OK, AddChild(child, L"deeper", std::wstring(1010, L'b').c_str()));
    HRESULT hr = S_OK;
    EXPECT_EQ(L"<no text>", Serialize(document.get(), true, &hr));
    EXPECT_EQ(E_FAIL, hr);

    XmlDocumentHolder attributes(CreateXmlDocument(L"kml", nullptr));
    ASSERT_EQ(S_OK, SetAttribute(attributes->root, L"a", std::wstring(1010, L'c').c_str()));
    EXPECT_EQ(L"<no text>", Serialize(attributes.get(), false, &hr));
    EXPECT_EQ(E_FAIL, hr);
}

TEST(XmlWriter, LargeTreesKeepTheirOrder)
{
    // Many children: the lists grow past their first blocks and keep the
    // order of adding.
    XmlDocumentHolder document(CreateXmlDocument(L"Folder", nullptr));
    std::wstring expected = std::wstring(kHeader) + L"<Folder>\r\n";
    for (int i = 0; i < 100; ++i) {
        std::wstring number = std::to_wstring(i);
        ASSERT_EQ(S_OK, AddChild(document->root, L"n", number.c_str()));
        expected += L"\t<n>" + number + L"</n>\r\n";
    }
    expected += L"</Folder>\r\n";
    EXPECT_EQ(expected, Serialize(document.get()));
}

TEST(XmlWriter, TooDeepTreesFailInsteadOfOverflowingTheStack)
{
    XmlDocumentHolder document(CreateXmlDocument(L"d", nullptr));
    XmlNode* node = document->root;
    for (int i = 0; i < kMaxXmlDepth; ++i)
        ASSERT_EQ(S_OK, AddChild(node, L"d", nullptr, &node));
    BSTR text = nullptr;
    EXPECT_EQ(S_OK, SerializeDocument(document.get(), &text, false));
    SysFreeString(text);
    ASSERT_EQ(S_OK, AddChild(node, L"d", nullptr));
    HRESULT hr = S_OK;
    EXPECT_EQ(L"<no text>", Serialize(document.get(), false, &hr));
    EXPECT_EQ(E_FAIL, hr);
}

}  // namespace
