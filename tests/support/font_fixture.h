#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "support/testfiles.h"

namespace rq::test {

// A font of codes 20 to 5F, 1bpp: each letter's rows are its 6 leftmost pixels and it advances 6, the
// space is blank and advances 4, "." advances 2 with one pixel.
inline constexpr std::uint64_t kFontAt = 0x1000;
inline constexpr std::uint64_t kWidthsAt = 0x1200;

inline std::vector<Patch> fontPatches() {
    std::string tiles(64 * 8, '\0');
    std::string widths(64, '\x08');
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const auto glyph = static_cast<std::size_t>(letter - 0x20);
        std::fill_n(tiles.begin() + static_cast<std::ptrdiff_t>(glyph * 8), 8, '\xFC');
        widths[glyph] = 6;
    }
    widths[0] = 4;
    tiles[static_cast<std::size_t>('.' - 0x20) * 8 + 7] = '\x80';
    widths['.' - 0x20] = 2;
    return {{kFontAt, tiles}, {kWidthsAt, widths}};
}

inline constexpr std::string_view kBoxedTable =
    "20= \n2E=.\n41=A\n42=B\n43=C\n44=D\n45=E\n48=H\n49=I\n4C=L\n4F=O\n57=W\n"
    "*FE\n/FF\n$F0=<Next>,0\n$F1=<Name>,0\n$F2=<Color>,1\n60=\xC3\xA9\n";

inline constexpr std::string_view kBoxedTemplate =
    "[TextFormattingSystem]\nNumberOfEntries=2\n0=t.tbl\n"
    "[entry1]\nTextFormat=0\nHexLocation=100\nLength=64\nComment=Intro\n"
    "[entry2]\nTextFormat=0\nHexLocation=200\nLength=64\nComment=Menu\nBox=2\n"
    "[Font]\nOffset=1000\nGlyphs=64\nFormat=1bpp\nFirstCode=20\nWidths=1200\n"
    "[Box]\nWidth=30\nLines=2\nBoxBreak=<Next>\nCodeWidths=<Name>:20\n"
    "[Box2]\nWidth=100\nLines=1\n";

// The table t.tbl, the template t.ini (entry 1 "Intro" at 100 in [Box], entry 2 "Menu" at 200 in [Box2])
// and a game file holding the font and the texts "HELLO\nHI" and "HI".
inline void writeBoxedGame(const ProgramFolder& folder, const std::string& game) {
    folder.writeAlphabet("t.tbl", kBoxedTable);
    folder.writeTemplate("t.ini", kBoxedTemplate);
    auto patches = fontPatches();
    patches.push_back({0x100, "HELLO\xFEHI" + std::string(57, '\xFF')});
    patches.push_back({0x200, "HI" + std::string(62, '\xFF')});
    writeImage(game, patches, 0x1240);
}

}  // namespace rq::test
