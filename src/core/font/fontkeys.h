#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/iniReadWriteDelete.h"
#include "files/result.h"

// What a template says of the game's font ([Font]) and of its text boxes ([Box], [BoxN]). Read with the
// template; the font itself is read from the game file by font/gamefont.
namespace rq::font {

// How a tile of 8x8 pixels is stored. The decoders of font/tiles follow this table's order.
enum class TileFormat : std::uint8_t { Bpp1, Nes2, Gb2, Ngp2, Sms4, Snes4, Md4, Gba4, Gba8 };
struct TileFormatInfo {
    std::string_view name;  // as Format= writes it
    TileFormat format;
    int bytes;  // a tile
    int bits;   // a pixel
};
inline constexpr std::array kTileFormats = {
    TileFormatInfo{"1bpp", TileFormat::Bpp1, 8, 1},
    TileFormatInfo{"2bpp-nes", TileFormat::Nes2, 16, 2},
    TileFormatInfo{"2bpp-gb", TileFormat::Gb2, 16, 2},
    TileFormatInfo{"2bpp-ngp", TileFormat::Ngp2, 16, 2},
    TileFormatInfo{"4bpp-sms", TileFormat::Sms4, 32, 4},
    TileFormatInfo{"4bpp-snes", TileFormat::Snes4, 32, 4},
    TileFormatInfo{"4bpp-md", TileFormat::Md4, 32, 4},
    TileFormatInfo{"4bpp-gba", TileFormat::Gba4, 32, 4},
    TileFormatInfo{"8bpp-gba", TileFormat::Gba8, 64, 8},
};
[[nodiscard]] const TileFormatInfo& formatInfo(TileFormat format);

// The most pixels a font may hold in all (a byte each once decoded): a Japanese font of 8,000 glyphs of
// 16x16 takes 2 MiB.
inline constexpr std::uint64_t kMostFontPixels = 64u << 20;

struct FontKeys {
    std::uint32_t offset = 0;  // glyph 0's first tile
    int glyphs = 0;
    TileFormat format = TileFormat::Bpp1;
    int glyphWidth = 8;  // pixels, multiples of 8
    int glyphHeight = 8;
    bool columnOrder = false;  // a glyph's tiles top to bottom, then right
    std::uint32_t firstCode = 0;
    std::optional<std::uint32_t> widths;  // one byte a glyph: its advance
    int widthAdd = 0;

    // A glyph's bytes, and the whole font's.
    [[nodiscard]] std::uint64_t glyphBytes() const;
    [[nodiscard]] std::uint64_t fontBytes() const {
        return glyphBytes() * static_cast<std::uint64_t>(glyphs);
    }
};

struct BoxKeys {
    int width = 0;         // pixels a line
    int lines = 0;         // lines a box
    std::string boxBreak;  // the control label that starts a new box; empty: none
    std::vector<std::pair<std::string, int>> codeWidths;  // label, pixels

    // The pixels a control label takes: CodeWidths, else 0.
    [[nodiscard]] int codeWidth(std::string_view label) const;
};

// A value of these sections that breaks its rule, with the rule's phrase.
struct KeyFault {
    std::string section;
    std::string key;
    std::string value;
    std::string phrase;
};

struct FontSections {
    std::optional<FontKeys> font;  // nothing without [Font]
    std::map<int, BoxKeys> boxes;  // 0 is [Box]; N is [BoxN]
    std::vector<KeyFault> faults;  // every fault; the sections with one are left out
};

// [Font], [Box] and every [BoxN] of a template.
[[nodiscard]] FontSections readFontSections(const files::IniFile& ini);

// An entry's or a pointer table's Box=N: the number N of a section that is there; 0 without the key.
// Otherwise the phrase of its fault, as the error's message.
[[nodiscard]] Result<int> boxNumberOf(const files::IniFile& ini, std::string_view section);

}  // namespace rq::font
