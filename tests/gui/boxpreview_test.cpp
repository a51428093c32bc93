// The text box drawn in the game's font under the script window's box and below the editor's tabs: its
// counters, Rewrap as one undo step, and a font the file cannot hold told once.

#include <QPlainTextEdit>
#include <QToolButton>

#include "kit/boxpreview.h"
#include "support/launcher_fixture.h"

namespace rq::test {
namespace {

// One entry of a table at 0x200 in a box of 40 pixels by 2 lines; a 1bpp font of 8x8 glyphs from code 20
// (the space) to 41 ("A"), each 8 pixels wide, at 0x280.
class BoxPreviewTest : public LauncherFixture,
                       public testing::WithParamInterface<std::tuple<const char*, const char*>> {
  public:
    QWidget* open(const std::string& fontOffset = "280") {
        folder.writeAlphabet("k.tbl", "41=A\n20= \n*0A\n/00\n");
        folder.writeTemplate("game.ini", TemplateText{{{"k", 16, 0x200, "Intro"}}, {{"k", "k.tbl"}}}.str() +
                                             "[Font]\nOffset=" + fontOffset +
                                             "\nGlyphs=34\nFormat=1bpp\nFirstCode=20\n[Box]\nWidth=40\n"
                                             "Lines=2\n");
        const std::string glyphA(7, '\x7C');
        const std::string file = megaDrive("game.bin", {{0x200, "AAA AAA"}, {0x280 + 0x21 * 8, glyphA}});
        return launch(file, std::get<1>(GetParam()), std::get<0>(GetParam()));
    }
    [[nodiscard]] QString text() const {
        const auto* script = child<QPlainTextEdit>("translation");
        return script != nullptr ? script->toPlainText() : child("romtext_0")->text();
    }
    void undo() const {
        if (auto* button = child<QToolButton>("undo")) {
            button->click();
        } else {
            child("romtext_0")->undo();
        }
    }
    [[nodiscard]] QStringList counters() const { return child<kit::BoxPreview>("box_preview")->counters(); }
};

TEST_P(BoxPreviewTest, DrawsTheBoxWithItsCountersAndRewrapsInOneUndoStep) {
    ASSERT_NE(open(), nullptr);
    EXPECT_TRUE(dialogs.log.isEmpty());
    EXPECT_TRUE(child<kit::BoxPreview>("box_preview")->isVisible());
    EXPECT_EQ(counters(), QStringList{"56/40 px"});
    EXPECT_TRUE(
        child<QLabel>("problems")
            ->text()
            .contains("Error: Entry 1 (\"Intro\"), box 1, line 1 is 56 pixels wide; the box holds 40."));
    if (auto* room = child<QLabel>("room_left")) {
        EXPECT_EQ(room->text(), "8 bytes left \u00B7 16 px over");
    }
    // Typed, then rewrapped: an undo takes back the rewrap alone.
    auto* script = child<QPlainTextEdit>("translation");
    QTest::keyClicks(script != nullptr ? static_cast<QWidget*>(script) : child("romtext_0"), "A");
    click("rewrap");
    EXPECT_EQ(text(), "AAA\nAAAA");
    EXPECT_EQ(counters(), QStringList({"24/40 px", "32/40 px"}));
    undo();
    EXPECT_EQ(text(), "AAA AAAA");
    EXPECT_EQ(counters(), QStringList{"64/40 px"});
}

TEST_P(BoxPreviewTest, TellsOnceOfAFontPastTheFileAndWorksWithoutMeasuring) {
    ASSERT_NE(open("3F0"), nullptr);
    EXPECT_EQ(dialogs.log,
              QStringList{shown(
                  Dialogs::Icon::Exclamation,
                  "The template's [Font] puts its glyphs (bytes 0x3F0 to 0x4FF) past the end of " + qs(path) +
                      ", which has 1024 bytes.\n\nThe texts are not measured in "
                      "pixels: their boxes are neither drawn nor checked.")});
    EXPECT_FALSE(child<QWidget>("box_pane")->isVisible());
    EXPECT_EQ(text(), "AAA AAA");
}

INSTANTIATE_TEST_SUITE_P(Windows, BoxPreviewTest,
                         testing::Values(std::tuple{"script_window", "script"}, std::tuple{"editor", "go"}),
                         rowName);

}  // namespace
}  // namespace rq::test
