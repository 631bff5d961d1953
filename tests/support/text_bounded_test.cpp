// Bounded copying and formatting, and the plain decimal number reader.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/decimal_number.h"
#include "support/text_bounded.h"

namespace {

TEST(TextBounded, CopyCutsToCapacityMinusOne)
{
    wchar_t buffer[8];
    EXPECT_EQ(buffer, CopyTextBounded(buffer, L"abc", 8));
    EXPECT_EQ(std::wstring(L"abc"), buffer);
    CopyTextBounded(buffer, L"abcdefghijk", 8);
    EXPECT_EQ(std::wstring(L"abcdefg"), buffer);
    CopyTextBounded(buffer, L"abcdefg", 8);
    EXPECT_EQ(std::wstring(L"abcdefg"), buffer);
    CopyTextBounded(buffer, L"xyz", 1);
    EXPECT_EQ(std::wstring(L""), buffer);
    EXPECT_EQ(nullptr, CopyTextBounded(buffer, L"xyz", 0));
}

TEST(TextBounded, FindSubstring)
{
    const char* text = "Google Earth Pro";
    EXPECT_EQ(text + 7, FindSubstring(text, "Earth"));
    EXPECT_EQ(nullptr, FindSubstring(text, "earth"));
    EXPECT_EQ(nullptr, FindSubstring(text, ""));
    EXPECT_EQ(nullptr, FindSubstring("", "a"));
    EXPECT_EQ(nullptr, FindSubstring(nullptr, "a"));
    EXPECT_EQ(nullptr, FindSubstring(text, nullptr));
}

TEST(TextBounded, FormatReportsLengthAndCuts)
{
    char narrow[8];
    EXPECT_EQ(6, FormatBounded(narrow, sizeof(narrow), "%d-%s", 42, "abc"));
    EXPECT_EQ(std::string("42-abc"), narrow);
    // Exactly filling the buffer is cut as well: 8 characters need 9 places.
    EXPECT_EQ(7, FormatBounded(narrow, sizeof(narrow), "%s", "12345678"));
    EXPECT_EQ(std::string("1234567"), narrow);
    EXPECT_EQ(7, FormatBounded(narrow, sizeof(narrow), "%f", 1234.5));
    EXPECT_EQ(std::string("1234.50"), narrow);
    EXPECT_EQ(0, FormatBounded(narrow, 0, "%s", "x"));

    wchar_t wide[8];
    EXPECT_EQ(7, FormatBoundedW(wide, 8, L"%hs/%ls", "narrow", L"wide"));
    EXPECT_EQ(std::wstring(L"narrow/"), wide);
    EXPECT_EQ(5, FormatBoundedW(wide, 8, L"%.2f\u00b0", 1.005));
    EXPECT_EQ(std::wstring(L"1.00\u00b0"), wide);
    EXPECT_EQ(3, FormatBoundedW(wide, 8, L"%03u", 7u));
    EXPECT_EQ(std::wstring(L"007"), wide);
}

TEST(DecimalNumber, ReadsPlainDecimalNumbersOnly)
{
    double value = -1.0;
    const wchar_t* end = nullptr;
    const wchar_t* text = L"  -48.25e1xyz";
    ASSERT_TRUE(ReadDecimalNumber(text, &value, &end));
    EXPECT_EQ(-482.5, value);
    EXPECT_EQ(text + 10, end);

    const wchar_t* noExponent = L"5.e";
    ASSERT_TRUE(ReadDecimalNumber(noExponent, &value, &end));
    EXPECT_EQ(5.0, value);
    EXPECT_EQ(noExponent + 2, end);

    const wchar_t* rejected[] = {L"", L"-", L".", L"+.e5", L"inf", L"nan", L"x5", L"\u00b0"};
    for (const wchar_t* bad : rejected) {
        value = 3.0;
        EXPECT_FALSE(ReadDecimalNumber(bad, &value, &end)) << testing::PrintToString(std::wstring(bad));
        EXPECT_EQ(0.0, value);
        EXPECT_EQ(bad, end);
    }

    ASSERT_TRUE(ReadDecimalNumber("0x1p4", &value, nullptr));
    EXPECT_EQ(0.0, value);
    ASSERT_TRUE(ReadDecimalNumber("1e999", &value, nullptr));
    EXPECT_TRUE(std::isinf(value));
    ASSERT_TRUE(ReadDecimalNumber("-0.000001e-999", &value, nullptr));
    EXPECT_EQ(0.0, value);
    EXPECT_FALSE(ReadFiniteDecimalNumber("-1e400", &value));
    EXPECT_EQ(0.0, value);
    EXPECT_TRUE(ReadFiniteDecimalNumber("0.1", &value));
    EXPECT_EQ(0.1, value);
}

}  // namespace
