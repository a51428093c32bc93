#include <gtest/gtest.h>

#include <algorithm>

#include "editor/entrytexts.h"
#include "font/fontcheck.h"
#include "font/gamefont.h"
#include "font/textlayout.h"
#include "qa/checks.h"
#include "support/font_fixture.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"

namespace rq::font {
namespace {

// A tile of each format planted as bytes, and its first two rows written out by hand (the others blank).
struct TileRow {
    const char* name;
    std::string bytes;  // the tile's first bytes; the rest are 0
    std::string row0, row1;
};

class Tiles : public testing::TestWithParam<TileRow> {};

TEST_P(Tiles, DecodeToTheirRows) {
    const TileRow& row = GetParam();
    FontKeys keys;
    keys.glyphs = 1;
    keys.format = std::ranges::find(kTileFormats, std::string_view(row.name), &TileFormatInfo::name)->format;
    std::string tile = row.bytes;
    tile.resize(static_cast<std::size_t>(formatInfo(keys.format).bytes), '\0');
    const auto rows = glyphRows(Font(keys, tile, ""), 0);
    const std::string blank(row.row0.size(), '0');
    EXPECT_EQ(rows, (std::vector<std::string>{row.row0, row.row1, blank, blank, blank, blank, blank, blank}));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Tiles,
    testing::Values(
        TileRow{"1bpp", "\x81\x3C", "10000001", "00111100"},
        TileRow{"2bpp-nes", std::string("\xF0\x01\0\0\0\0\0\0\xCC", 9), "33112200", "00000001"},
        TileRow{"2bpp-gb", std::string("\xF0\xCC\0\x80", 4), "33112200", "20000000"},
        TileRow{"2bpp-ngp", std::string("\x1B\xE4\0\x40", 4), "32100123", "10000000"},
        TileRow{"4bpp-sms", std::string("\xC0\x80\0\x40\x01\x01\x01\x01", 8), "39000000", "0000000F"},
        TileRow{"4bpp-snes", std::string("\x80\0\0\x01\0\0\0\0\0\0\0\0\0\0\0\0\x80\x80\x01\0", 20),
                "D0000000", "00000006"},
        TileRow{"4bpp-md", std::string("\x12\x34\x56\x78\xF0\0\0\x0A", 8), "12345678", "F000000A"},
        TileRow{"4bpp-gba", std::string("\x12\x34\x56\x78\xF0\0\0\x0A", 8), "21436587", "0F0000A0"},
        TileRow{"8bpp-gba", std::string("\0\1\2\3\4\5\6\7\xFF", 9), "0001020304050607", "FF00000000000000"}),
    test::rowName);

TEST(Glyphs, TakeTheirTilesInRowOrColumnOrder) {
    FontKeys keys;
    keys.glyphs = 1;
    keys.glyphWidth = 16;
    keys.glyphHeight = 16;
    const std::string tiles =
        std::string(8, '\x01') + std::string(8, '\x02') + std::string(8, '\x03') + std::string(8, '\x04');
    const auto byRow = glyphRows(Font(keys, tiles, ""), 0);
    EXPECT_EQ(byRow[0], "0000000100000010");
    EXPECT_EQ(byRow[8], "0000001100000100");
    keys.columnOrder = true;
    const auto byColumn = glyphRows(Font(keys, tiles, ""), 0);
    EXPECT_EQ(byColumn[0], "0000000100000011");
    EXPECT_EQ(byColumn[8], "0000001000000100");
}

TEST(Glyphs, AdvanceByTheirWidthsOrTheirCellAndWidthAdd) {
    FontKeys keys;
    keys.glyphs = 2;
    const std::string tiles(16, '\0');
    EXPECT_EQ(Font(keys, tiles, "").advance(1), 8);
    keys.widthAdd = -1;
    EXPECT_EQ(Font(keys, tiles, "").advance(1), 7);
    keys.widths = 0;
    const Font font(keys, tiles, "\x05\x03");
    EXPECT_EQ(font.advance(0), 4);
    EXPECT_EQ(font.advance(1), 2);
}

class BoxedTexts : public testing::Test {
  protected:
    void SetUp() override {
        test::writeBoxedGame(m_folder, m_game);
        auto read = templates::readGameTemplate(m_folder.path("plugins\\games\\t.ini"));
        ASSERT_TRUE(read) << read.error();
        m_template = std::move(read).value();
        auto font = TemplateFont::read(m_template, m_game);
        ASSERT_TRUE(font && *font) << (font ? "no font" : font.error());
        m_font = *font;
    }
    [[nodiscard]] EntryMetrics metrics(std::size_t entry = 0) const {
        return *m_font->metricsOf(m_template.entries[entry]);
    }
    // Each box's line widths, "|" between boxes.
    [[nodiscard]] std::string widths(std::string_view text) const {
        std::string shown;
        for (const auto& box : layoutText(metrics(), text).boxes) {
            shown += shown.empty() ? "" : "|";
            for (std::size_t line = 0; line < box.size(); ++line) {
                shown += (line == 0 ? "" : " ") + std::to_string(box[line].width);
            }
        }
        return shown;
    }

    test::ProgramFolder m_folder;
    std::string m_game = m_folder.dir().file("game.bin");
    templates::GameTemplate m_template;
    std::shared_ptr<const TemplateFont> m_font;
};

TEST_F(BoxedTexts, LinesAreTheAdvancesOfTheirCharactersAndCodes) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"HELLO", "30"},
        {"HELLO.", "32"},
        {"HI HI", "28"},
        {"HI\nHELLO", "12 30"},
        {"HI<Next>HELLO\nA", "12|30 6"},
        {"<Name> HI", "36"},
        {"A<Color><$07>B<$33>", "12"},
        {"HI\n", "12"},
        {"HI<Next>", "12"},
        {"", "0"},
    };
    for (const auto& [text, expected] : rows) {
        EXPECT_EQ(widths(text), expected) << text;
    }
    EXPECT_EQ(layoutText(metrics(), "A\xC3\xA9H\xD0\xB6").missing, U"\u00E9\u0436");
}

TEST_F(BoxedTexts, QaNamesEachLineTooWideEachBoxTooFullAndTheGlyphsMissing) {
    const std::vector<std::string> originals = {"HI", "HI"};
    const std::vector<std::string> translations = {"HELLO.\nHI\nHI<Next>A\xD0\xB6",
                                                   "HELLO HELLO HELLO HELLO"};
    std::vector<editor::EntryRoom> rooms;
    for (const auto& entry : m_template.entries) {
        rooms.push_back(editor::lengthRoom(entry));
    }
    std::vector<std::string> found;
    for (const auto& problem :
         qa::checkScript({&m_template, originals, translations, rooms, {}, m_font.get()})) {
        if (problem.check.starts_with("too-") || problem.check == "no-glyph") {
            found.push_back(problem.check + ": " + problem.message);
        }
    }
    EXPECT_EQ(found, (std::vector<std::string>{
                         "too-wide: Entry 1 (\"Intro\"), box 1, line 1 is 32 pixels wide; the box holds 30.",
                         "too-many-lines: Entry 1 (\"Intro\"), box 1 has 3 lines; the box holds 2.",
                         "no-glyph: Entry 1 (\"Intro\") has a character that the font lacks: '\xD0\xB6'.",
                         "too-wide: Entry 2 (\"Menu\"), box 1, line 1 is 132 pixels wide; the box holds 100.",
                     }));
}

TEST_F(BoxedTexts, DrawingShowsBlackInTheBoxAndRedPastIt) {
    const auto drawing = drawLayout(metrics(), layoutText(metrics(), "HELLO.\nA\nB<Next>C"));
    EXPECT_EQ(drawing.width, 32);
    EXPECT_EQ(drawing.height, 3 * 8 + 2 * 8);
    EXPECT_EQ(drawing.boxTops, (std::vector<int>{0, 24}));
    const auto count = [&](Drawing::Pixel pixel) { return std::ranges::count(drawing.pixels, pixel); };
    // Five letters and A in the first box, C in the second; the dot lies past the width, B below the lines.
    EXPECT_EQ(count(Drawing::Black), 7 * 48);
    EXPECT_EQ(count(Drawing::Red), 1 + 48);
}

TEST_F(BoxedTexts, WrapFillsLinesAndBoxesAndWrapsTheSameTwice) {
    const std::vector<std::tuple<std::string, std::string, std::vector<std::string>>> rows = {
        {"HI HI HI HI", "HI HI\nHI HI", {}},
        {"HI HI HI HI HI HI", "HI HI\nHI HI<Next>HI HI", {}},
        {"HI\nHI", "HI HI", {}},
        {"HI  HI", "HI HI", {}},
        {"A  A", "A  A", {}},
        {"HELLO HI   HI", "HELLO\nHI HI", {}},
        {"HI <Name> HI", "HI\n<Name><Next>HI", {}},
        {"A<Color><$01>B HI", "A<Color><$01>B HI", {}},
        {"HELLOHELLO HI", "HELLOHELLO\nHI", {"HELLOHELLO"}},
        {" HI HI ", " HI\nHI ", {}},
    };
    for (const auto& [text, expected, tooWide] : rows) {
        const Wrapped once = wrapText(metrics(), text);
        EXPECT_EQ(once.text, expected) << text;
        EXPECT_EQ(once.tooWide, tooWide) << text;
        EXPECT_EQ(wrapText(metrics(), once.text).text, once.text) << text;
    }
}

TEST_F(BoxedTexts, CheckListsWhatTheFontAndBoxesLack) {
    m_folder.writeTemplate("t.ini", std::string(test::kBoxedTemplate) +
                                        "[Box3]\nWidth=0\nLines=2\nBoxBreak=<Wait>\n"
                                        "[entry3]\nBox=9\n[Box4]\nWidth=10\nLines=1\nCodeWidths=<Name>\n");
    std::vector<std::string> found;
    for (const auto& problem : checkFont(m_folder.path("plugins\\games\\t.ini"), m_game)) {
        found.push_back(templates::problemText(problem));
    }
    EXPECT_EQ(found, (std::vector<std::string>{
                         "[Box3] Width = \"0\" is not a whole number from 1 to 65535",
                         "[Box4] CodeWidths = \"<Name>\" is not a list of <Label>:N, N a whole number of "
                         "pixels from 0 to 65535",
                         "[entry3] Box = \"9\" names the section [Box9], which the template lacks",
                     }));
    m_folder.writeTemplate("t.ini", std::string(test::kBoxedTemplate) + "[Box2]\nBoxBreak=<Wait>\n");
    test::writeImage(m_game, {}, 0x1100);
    found.clear();
    for (const auto& problem : checkFont(m_folder.path("plugins\\games\\t.ini"), m_game)) {
        found.push_back(templates::problemText(problem));
    }
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "[Font] puts its glyphs (bytes 0x1000 to 0x11FF) past the end of " + m_game +
                            ", which has 4352 bytes");
}

}  // namespace
}  // namespace rq::font
