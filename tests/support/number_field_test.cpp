// Real numbers in edit fields under a user locale with a point and one with a
// comma as the decimal separator. The separator is set for the test prefix's
// user (HKCU\Control Panel\International, sDecimal) as the regional settings
// would set it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/number_field.h"
#include "testlib/test_window.h"

namespace {

const int kFieldId = 1410;

std::string RegistryDecimalSeparator()
{
    char value[16] = {};
    DWORD size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\International", "sDecimal", RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS) {
        return "(none)";
    }
    return value;
}

class NumberField : public testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override
    {
        m_saved[0] = L'\0';
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, m_saved, 8);
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, GetParam()));
        m_dialog = new vztest::TestWindow(WS_POPUP, 10, 10, 300, 100);
        m_field = new vztest::TestWindow(WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 120, 20,
                                         m_dialog->Handle(), L"EDIT", kFieldId);
        ASSERT_NE(nullptr, m_field->Handle());
    }
    void TearDown() override
    {
        delete m_field;
        delete m_dialog;
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, m_saved);
    }

    HWND Dialog() const { return m_dialog->Handle(); }
    bool CommaLocale() const { return GetParam()[0] == L','; }

    std::string FieldText() const
    {
        char text[64] = {};
        GetDlgItemTextA(Dialog(), kFieldId, text, sizeof(text));
        return text;
    }
    void SetFieldText(const char* text) { SetDlgItemTextA(Dialog(), kFieldId, text); }
    double Read(const char* text)
    {
        SetFieldText(text);
        return GetDlgItemDouble(Dialog(), kFieldId);
    }
    // The text for a number written with a point, in the locale's form.
    std::string Localised(std::string text) const
    {
        for (char& ch : text) {
            if (ch == '.' && CommaLocale()) {
                ch = ',';
            }
        }
        return text;
    }

private:
    wchar_t m_saved[8];
    vztest::TestWindow* m_dialog = nullptr;
    vztest::TestWindow* m_field = nullptr;
};

TEST_P(NumberField, TheLocaleOfThePrefixGivesTheSeparator)
{
    std::string expected(1, static_cast<char>(GetParam()[0]));
    EXPECT_EQ(expected, RegistryDecimalSeparator());
    EXPECT_EQ(expected[0], UserDecimalSeparator());
}

TEST_P(NumberField, WritesWithTheLocaleSeparatorAndReadsBack)
{
    SetDlgItemDouble(Dialog(), kFieldId, 48.5, -1);
    EXPECT_EQ(Localised("48.500000"), FieldText());
    EXPECT_EQ(48.5, GetDlgItemDouble(Dialog(), kFieldId));

    SetDlgItemDouble(Dialog(), kFieldId, 51.40704, 4);
    EXPECT_EQ(Localised("51.4070"), FieldText());
    EXPECT_DOUBLE_EQ(51.407, GetDlgItemDouble(Dialog(), kFieldId));

    SetDlgItemDouble(Dialog(), kFieldId, -33.856784, 6);
    EXPECT_EQ(Localised("-33.856784"), FieldText());
    EXPECT_DOUBLE_EQ(-33.856784, GetDlgItemDouble(Dialog(), kFieldId));

    SetDlgItemDouble(Dialog(), kFieldId, 12.0, 0);
    EXPECT_EQ("12", FieldText());
}

TEST_P(NumberField, TypedTextWithCommaOrPoint)
{
    if (CommaLocale()) {
        EXPECT_EQ(48.5, Read("48,5"));
        // Only the locale's separator is replaced: a typed point still counts.
        EXPECT_EQ(48.5, Read("48.5"));
    } else {
        EXPECT_EQ(48.0, Read("48,5"));
        EXPECT_EQ(48.5, Read("48.5"));
    }
    EXPECT_EQ(-12.0, Read("  -12 m"));
    EXPECT_EQ(0.0, Read(""));
    EXPECT_EQ(0.0, Read("abc"));
    EXPECT_EQ(1500.0, Read(Localised("1.5e3").c_str()));
}

TEST_P(NumberField, ValuesThatAreNotFiniteShowStars)
{
    SetDlgItemDouble(Dialog(), kFieldId, std::numeric_limits<double>::quiet_NaN(), -1);
    EXPECT_EQ("***", FieldText());
    SetDlgItemDouble(Dialog(), kFieldId, std::numeric_limits<double>::infinity(), 4);
    EXPECT_EQ("***", FieldText());
    SetDlgItemDouble(Dialog(), kFieldId, -std::numeric_limits<double>::infinity(), 2);
    EXPECT_EQ("***", FieldText());
    // "***" itself reads as no number.
    EXPECT_EQ(0.0, GetDlgItemDouble(Dialog(), kFieldId));
}

TEST_P(NumberField, TextIsCutTo15Characters)
{
    SetDlgItemDouble(Dialog(), kFieldId, 123456789012.345678, -1);
    EXPECT_EQ(Localised("123456789012.34"), FieldText());
    SetDlgItemDouble(Dialog(), kFieldId, 1e20, -1);
    EXPECT_EQ("100000000000000", FieldText());
    SetDlgItemDouble(Dialog(), kFieldId, 12345678.25, 6);
    EXPECT_EQ(Localised("12345678.250000"), FieldText());

    // Reading takes the first 15 characters of a longer text.
    EXPECT_EQ(123456789012345.0, Read("1234567890123456789"));
}

TEST_P(NumberField, TextsThatAreNoFiniteDecimalNumberRead0)
{
    EXPECT_EQ(0.0, Read("nan"));
    EXPECT_EQ(0.0, Read("-nan"));
    EXPECT_EQ(0.0, Read("inf"));
    EXPECT_EQ(0.0, Read("-infinity"));
    EXPECT_EQ(0.0, Read("1e999"));
    EXPECT_EQ(0.0, Read("-1e999"));
    EXPECT_EQ(0.0, Read("0x30"));
    EXPECT_EQ(0.0, Read("0x1p4"));
    EXPECT_EQ(0.0, Read("1e-999"));
}

INSTANTIATE_TEST_SUITE_P(Locales, NumberField, testing::Values(L".", L","),
                         [](const testing::TestParamInfo<const wchar_t*>& info) {
                             return std::string(info.param[0] == L',' ? "CommaSeparator"
                                                                      : "PointSeparator");
                         });

}  // namespace
