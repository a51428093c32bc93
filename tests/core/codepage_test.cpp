#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "files/codepage.h"

namespace rq {
namespace {

using namespace std::string_literals;

TEST(CodePage, EveryByteRoundTripsThroughItsCharacterAndUtf8) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        const auto back = unicodeToByte(byteToUnicode(static_cast<std::uint8_t>(b)));
        ASSERT_TRUE(back.has_value()) << "byte " << b;
        EXPECT_EQ(*back, b) << "byte " << b;
        bytes += static_cast<char>(b);
    }
    const auto back = utf8ToBytes(bytesToUtf8(bytes));
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(*back, bytes);
}

TEST(CodePage, BytesGiveTheirWindows1252CharactersAndTheUnusedFiveTheirC1Controls) {
    const struct {
        std::uint8_t byte;
        char32_t ch;
        std::string utf8;
    } known[] = {
        {0x00, 0x0000, "\0"s},      {0x41, U'A', "A"},          {0x7F, 0x007F, "\x7F"},
        {0x80, 0x20AC, "€"},        {0x81, 0x0081, "\xC2\x81"}, {0x8D, 0x008D, "\xC2\x8D"},
        {0x8F, 0x008F, "\xC2\x8F"}, {0x90, 0x0090, "\xC2\x90"}, {0x9D, 0x009D, "\xC2\x9D"},
        {0x99, 0x2122, "™"},        {0x9F, 0x0178, "Ÿ"},        {0xA0, 0x00A0, "\xC2\xA0"},
        {0xE9, 0x00E9, "é"},        {0xFF, 0x00FF, "ÿ"},
    };
    for (const auto& k : known) {
        SCOPED_TRACE(static_cast<int>(k.byte));
        EXPECT_EQ(byteToUnicode(k.byte), k.ch);
        EXPECT_EQ(bytesToUtf8(std::string(1, static_cast<char>(k.byte))), k.utf8);
    }
}

TEST(CodePage, CharacterWithoutAByteFailsNamingIt) {
    for (const auto& [text, character] : {std::pair{"a一b", "一"}, std::pair{"\xC2\x80", "\xC2\x80"},
                                          std::pair{"Ā", "Ā"}, std::pair{"😀", "😀"}}) {
        SCOPED_TRACE(text);
        const auto bytes = utf8ToBytes(text);
        ASSERT_FALSE(bytes.ok());
        EXPECT_NE(bytes.error().find(character), std::string::npos) << bytes.error();
    }
}

TEST(CodePage, MalformedUtf8FailsAsNotUtf8) {
    const std::pair<const char*, std::string> malformed[] = {
        {"lone continuation byte", "a\x80"},
        {"sequence cut at the end", "\xE2\x82"},
        {"continuation missing",
         "\xC3"
         "A"},
        {"invalid lead FF", "\xFF"},
        {"invalid lead F8", "\xF8\x88\x80\x80\x80"},
        {"overlong NUL", "\xC0\x80"s},
        {"overlong letter", "\xC1\x81"},
        {"overlong three bytes", "\xE0\x81\x81"},
        {"overlong four bytes", "\xF0\x80\x81\x81"},
        {"surrogate", "\xED\xA0\x80"},
        {"beyond Unicode", "\xF4\x90\x80\x80"},
    };
    for (const auto& [name, text] : malformed) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(decodeUtf8(text).has_value());
        const auto bytes = utf8ToBytes(text);
        ASSERT_FALSE(bytes.ok());
        EXPECT_NE(bytes.error().find("UTF-8"), std::string::npos) << bytes.error();
    }
}

}  // namespace
}  // namespace rq
