// Base64 against RFC 4648's test vectors, its line rule, and the icon id.
#include <gtest/gtest.h>
#include <string>

#include "kml/base64.h"

namespace {

std::string Encode(const std::string& bytes)
{
    char* text = Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    EXPECT_NE(nullptr, text);
    std::string result = text != nullptr ? text : "<null>";
    ReleaseBase64Text(text);
    return result;
}

TEST(Base64, EncodesTheRfc4648Vectors)
{
    EXPECT_EQ("", Encode(""));
    EXPECT_EQ("Zg==", Encode("f"));
    EXPECT_EQ("Zm8=", Encode("fo"));
    EXPECT_EQ("Zm9v", Encode("foo"));
    EXPECT_EQ("Zm9vYg==", Encode("foob"));
    EXPECT_EQ("Zm9vYmE=", Encode("fooba"));
    EXPECT_EQ("Zm9vYmFy", Encode("foobar"));
    // All 64 letters of the alphabet and bytes with the high bit set.
    EXPECT_EQ("AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4v\n",
              Encode(std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
                                 "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f"
                                 "\x20\x21\x22\x23\x24\x25\x26\x27\x28\x29\x2a\x2b\x2c\x2d\x2e\x2f", 48)));
    EXPECT_EQ("+//8", Encode("\xfb\xff\xfc"));
}

TEST(Base64, EndsEveryFullLineOf64CharactersWithALineFeed)
{
    std::string line(64, 'A');
    EXPECT_EQ(std::string(60, 'A'), Encode(std::string(45, '\0')));
    EXPECT_EQ(line + "\n", Encode(std::string(48, '\0')));
    EXPECT_EQ(line + "\nAA==", Encode(std::string(49, '\0')));
    EXPECT_EQ(line + "\n" + std::string(60, 'A') + "AA==\n", Encode(std::string(94, '\0')));
    EXPECT_EQ(line + "\n" + line + "\n", Encode(std::string(96, '\0')));
    EXPECT_EQ(line + "\n" + line + "\nAAA=", Encode(std::string(98, '\0')));
}

TEST(Base64, EncodesThePlacemarkIconId)
{
    EXPECT_EQ("VlpfMS4yLjEuMjA=", Encode("VZ_1.2.1.20"));
}

TEST(Base64, RefusesMissingBytes)
{
    EXPECT_EQ(nullptr, Base64Encode(nullptr, 3));
    char* empty = Base64Encode(nullptr, 0);
    ASSERT_NE(nullptr, empty);
    EXPECT_STREQ("", empty);
    ReleaseBase64Text(empty);
}

}  // namespace
