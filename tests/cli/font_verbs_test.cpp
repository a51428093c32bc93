// The font, render and wrap verbs on a planted font: what each prints and writes.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <algorithm>
#include <memory>

#include "cli_fixture.h"
#include "support/font_fixture.h"

namespace rq {
namespace {

using namespace test;

class FontVerbs : public testing::Test {
  protected:
    void SetUp() override { writeBoxedGame(m_folder, m_game); }
    [[nodiscard]] ToolRun run(std::vector<std::string> args) const {
        args.insert(args.begin() + 1,
                    {"--program-folder", m_folder.dir().path().string(), "--template", "t.ini"});
        return runCli(args);
    }
    // The picture's size and how many of its pixels are black and red.
    [[nodiscard]] std::vector<int> picture(const std::string& path) const {
        int width = 0, height = 0, channels = 0;
        const std::unique_ptr<unsigned char, void (*)(void*)> rgb(
            stbi_load(path.c_str(), &width, &height, &channels, 3), stbi_image_free);
        std::vector<int> found{width, height, 0, 0};
        for (int i = 0; rgb && i < width * height; ++i) {
            const unsigned char* pixel = rgb.get() + i * 3;
            found[2] += pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0;
            found[3] += pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 0;
        }
        return found;
    }

    ProgramFolder m_folder;
    std::string m_game = m_folder.dir().file("game.bin");
    std::string m_png = m_folder.dir().file("out.png");
    std::string m_texts = m_folder.dir().file("texts.json");
};

TEST_F(FontVerbs, FontSaysWhatItReadsAndGivesEveryGlyphsRows) {
    EXPECT_EQ(run({"font", m_game}).out,
              "64 glyphs of 8x8, 1bpp, from 0x1000; widths from 0x1200 (2 to 8 pixels)\n");
    const auto json = nlohmann::json::parse(run({"font", m_game, "--json"}).out);
    EXPECT_EQ(json["glyphs"].size(), 64u);
    EXPECT_EQ(json["glyphs"][0x21].dump(),
              R"({"advance":6,"code":"41","index":33,"rows":["11111100","11111100",)"
              R"("11111100","11111100","11111100","11111100","11111100","11111100"]})");
    EXPECT_EQ(run({"font", m_game, "--png", m_png}).exitCode, 0);
    EXPECT_EQ(picture(m_png)[0], 2 * (16 * 11 + 1));
}

TEST_F(FontVerbs, RenderDrawsTheBoxesAndSaysWhatRunsPast) {
    const auto drawn = run({"render", m_game, "--entry", "1", "--text", "HELLO.\nHI\nA<Next>HI", "--png",
                            m_png, "--scale", "2"});
    EXPECT_EQ(drawn.out,
              "entry 1: 2 boxes; widest line 32 of 30 pixels (box 1, line 1); box 1 has 3 lines of 2\n");
    EXPECT_EQ(picture(m_png), (std::vector<int>{64, 2 * (24 + 16), 4 * 48 * 9, 4 * (1 + 48)}));
    EXPECT_EQ(run({"render", m_game, "--entry", "1", "--png", m_png}).out,
              "entry 1: 1 box; widest line 30 of 30 pixels (box 1, line 1)\n");
}

TEST_F(FontVerbs, WrapOutputPassesQaAndWrapsTheSameAgain) {
    writeText(m_texts,
              R"({"entries": [{"entry": 1, "text": "HI HI\nHI HI HI HI"}, {"entry": 2, "text": "HI"}]})");
    const std::string once = m_folder.dir().file("once.json");
    const std::string twice = m_folder.dir().file("twice.json");
    EXPECT_EQ(run({"wrap", m_game, m_texts, "-o", once}).out,
              "Wrote " + once + ": 1 of 2 texts rewrapped.\n");
    EXPECT_NE(readAll(once).find(R"("text": "HI HI\nHI HI<Next>HI HI")"), std::string::npos);
    EXPECT_EQ(run({"qa", m_game, once}).out,
              "entry 2: warning: untranslated: Entry 2 (\"Menu\") is not translated: its text is its "
              "original's.\n");
    EXPECT_EQ(run({"wrap", m_game, once, "-o", twice}).exitCode, 0);
    EXPECT_EQ(readAll(twice), readAll(once));
    EXPECT_EQ(run({"qa", m_game, m_texts}).exitCode, 1);
}

}  // namespace
}  // namespace rq
