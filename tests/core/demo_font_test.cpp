#include "font/textlayout.h"
#include "qa/checks.h"
#include "support/demo_fixture.h"

namespace rq::font {
namespace {

// The demo file read through demo-font.ini, its font as the game draws it.
class DemoFont : public test::DemoFixture {
  protected:
    DemoFont() { m_template = test::buildProgramFolder() + "/plugins/games/demo-font.ini"; }

    void SetUp() override {
        DemoFixture::SetUp();
        auto read = TemplateFont::read(m_gameTemplate, m_demo);
        ASSERT_TRUE(read && *read) << (read ? "no font" : read.error());
        m_font = std::move(read).value();
    }

    std::shared_ptr<const TemplateFont> m_font;
};

// Glyphs as designed, by code: rows from the top, then the advance.
struct Glyph {
    int code;
    std::vector<std::string> rows;
    int advance;
};

TEST_F(DemoFont, GlyphsHoldTheirDesign) {
    const std::vector<Glyph> glyphs = {
        {0x00, std::vector<std::string>(8, "........"), 3},
        {0x01,
         {".##.....", "#..#....", "#..#....", "####....", "#..#....", "#..#....", "#..#....", "........"},
         5},
        {0x21,
         {"........", "........", ".###....", "#..#....", "#..#....", ".###....", "...#....", ".##....."},
         5},
        {0x46,
         {"........", "........", "........", "#.......", "........", "........", "#.......", "........"},
         2},
    };
    for (const auto& [code, rows, advance] : glyphs) {
        const auto pixels = m_font->font().pixels(code);
        std::vector<std::string> drawn;
        for (std::size_t y = 0; y < 8; ++y) {
            drawn.emplace_back();
            for (std::size_t x = 0; x < 8; ++x) {
                drawn.back() += pixels[y * 8 + x] == 0 ? '.' : '#';
            }
        }
        EXPECT_EQ(drawn, rows) << "code " << code;
        EXPECT_EQ(m_font->font().advance(code), advance) << "code " << code;
    }
}

// Every demo text fits its box, with a glyph for each character; the hint goes on in a second box and its
// widest line nearly fills the line.
TEST_F(DemoFont, DemoTextsFitTheirBoxes) {
    const auto read = editor::readEntryTexts(m_gameTemplate, m_demo);
    std::vector<std::string> found;
    for (const auto& problem :
         qa::checkScript({&m_gameTemplate, read.texts, read.texts, read.rooms, {}, m_font.get()})) {
        if (problem.check != "untranslated") {
            found.push_back(problem.message);
        }
    }
    EXPECT_EQ(found, std::vector<std::string>{});
    const auto hint = layoutText(*m_font->metricsOf(m_gameTemplate.entries[6]), read.texts[6]);
    EXPECT_EQ(hint.boxes.size(), 2u);
    EXPECT_EQ(widestLine(hint).width, 109);
}

}  // namespace
}  // namespace rq::font
