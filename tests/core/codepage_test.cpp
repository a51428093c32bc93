#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "launcher/codepage.h"

namespace rq {
namespace {

using namespace std::string_literals;

std::string allBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

TEST(CodePageRoundTrip, EveryByteMapsToACharacterAndBack) {
    for (int b = 0; b < 256; ++b) {
        const char32_t ch = byteToUnicode(static_cast<std::uint8_t>(b));
        const auto back = unicodeToByte(ch);
        ASSERT_TRUE(back.has_value()) << "byte " << b;
        EXPECT_EQ(*back, b) << "byte " << b;
    }
}

TEST(CodePageRoundTrip, EveryByteSurvivesUtf8AndBack) {
    const std::string bytes = allBytes();
    const auto back = utf8ToBytes(bytesToUtf8(bytes));
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(*back, bytes);
}

struct KnownByte {
    std::uint8_t byte;
    char32_t ch;
    std::string utf8;
};

TEST(CodePageMapping, BytesGiveTheirWindows1252Characters) {
    const KnownByte known[] = {
        {0x00, 0x0000, "\0"s},      {0x41, U'A', "A"},          {0x7F, 0x007F, "\x7F"},
        {0x80, 0x20AC, "€"},        {0x81, 0x0081, "\xC2\x81"}, {0x8D, 0x008D, "\xC2\x8D"},
        {0x8F, 0x008F, "\xC2\x8F"}, {0x90, 0x0090, "\xC2\x90"}, {0x9D, 0x009D, "\xC2\x9D"},
        {0x99, 0x2122, "™"},        {0x9F, 0x0178, "Ÿ"},        {0xA0, 0x00A0, "\xC2\xA0"},
        {0xE9, 0x00E9, "é"},        {0xFF, 0x00FF, "ÿ"},
    };
    for (const auto& k : known) {
        SCOPED_TRACE(static_cast<int>(k.byte));
        EXPECT_EQ(byteToUnicode(k.byte), k.ch);
        const std::string byte(1, static_cast<char>(k.byte));
        EXPECT_EQ(bytesToUtf8(byte), k.utf8);
    }
}

TEST(CodePageMapping, CharacterWithoutAByteFailsNamingIt) {
    for (const char* text : {"a一b", "\xC2\x80", "Ā", "😀"}) {
        SCOPED_TRACE(text);
        const auto bytes = utf8ToBytes(text);
        ASSERT_FALSE(bytes.ok());
        const std::string character = text[0] == 'a' ? "一" : text;
        EXPECT_NE(bytes.error().find(character), std::string::npos) << bytes.error();
    }
    EXPECT_FALSE(unicodeToByte(0x4E00).has_value());
    EXPECT_FALSE(unicodeToByte(0x0080).has_value());
}

struct MalformedUtf8 {
    const char* name;
    std::string bytes;
};

std::ostream& operator<<(std::ostream& out, const MalformedUtf8& m) {
    return out << m.name;
}

const MalformedUtf8 kMalformed[] = {
    {"LoneContinuationByte", "a\x80"},
    {"TruncatedSequenceAtEnd", "\xE2\x82"},
    {"ContinuationMissing",
     "\xC3"
     "A"},
    {"InvalidLeadFF", "\xFF"},
    {"InvalidLeadF8", "\xF8\x88\x80\x80\x80"},
    {"OverlongTwoByteNul", "\xC0\x80"s},
    {"OverlongTwoByteLetter", "\xC1\x81"},
    {"OverlongThreeByte", "\xE0\x81\x81"},
    {"OverlongFourByte", "\xF0\x80\x81\x81"},
    {"Surrogate", "\xED\xA0\x80"},
    {"BeyondUnicode", "\xF4\x90\x80\x80"},
};

class MalformedUtf8Text : public ::testing::TestWithParam<MalformedUtf8> {};

TEST_P(MalformedUtf8Text, FailsAsNotUtf8) {
    EXPECT_FALSE(decodeUtf8(GetParam().bytes).has_value());
    const auto bytes = utf8ToBytes(GetParam().bytes);
    ASSERT_FALSE(bytes.ok());
    EXPECT_NE(bytes.error().find("UTF-8"), std::string::npos) << bytes.error();
}

INSTANTIATE_TEST_SUITE_P(CodePage, MalformedUtf8Text, ::testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rq
