// The editor window as it opens: decoding, slot placement, the toggle, typing limits, and the templates it
// refuses.

#include <QTabBar>
#include <filesystem>

#include "editor_fixture.h"
#include "kit/windowtools.h"

namespace rq {
namespace {

using Icon = Dialogs::Icon;
using test::kTexts;

using EditorOpenTest = test::EditorTest;

TEST_F(EditorOpenTest, ShowsEveryEntryDecodedThroughItsOwnAlphabet) {
    writeGameTemplate({{"Spaces && equals", "0", 4, kTexts},
                       {"Two-byte codes", "1", 6, kTexts + 0x10},
                       {"<error>", "0", 2, kTexts + 0x20},
                       {"Same bytes, two-byte alphabet", "1", 2, kTexts + 0x20},
                       {"Missing codes", "0", 3, kTexts + 0x30}},
                      "Texts of the demo");
    ASSERT_NE(loadAndLaunch(gameFile("game.bin", {{kTexts, "A a="},
                                                  {kTexts + 0x10, std::string("\x8A\x0B\x8A\x0C\x00\x00", 6)},
                                                  {kTexts + 0x20, "AB"},
                                                  {kTexts + 0x30, std::string("A\x01") + "B"}})),
              nullptr);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(editor->windowTitle(), "Romquill - Sonic The Hedgehog 2");
    EXPECT_EQ(box(0)->text(), "A a=");  // "¬" is a space, "¦" is "="
    EXPECT_EQ(box(1)->text(), "XY ");   // 8A0B found under its lower-case key 8a0b
    EXPECT_EQ(box(2)->text(), "AB");
    EXPECT_EQ(box(3)->text(), "<error>");  // the code 4142
    EXPECT_EQ(box(4)->text(), "A<error>B");
    EXPECT_EQ(label(0)->text(), "Spaces & equals");  // as in every label, "&&" shows as one "&"
    EXPECT_EQ(label(2)->text(), "<error>");          // text, not markup
    EXPECT_EQ(editor->findChild<QLabel*>(QStringLiteral("NotesLabel"))->text(), "Notes: Texts of the demo");
    EXPECT_EQ(visibleSlots(), 5);
    // The load's last step gives the launcher its button back.
    EXPECT_TRUE(go()->isEnabled());
    EXPECT_EQ(go()->text(), "Launch!");
}

TEST_F(EditorOpenTest, SlotsLieOnFifteenTabsAStripInTwoColumnsOfNine) {
    ASSERT_NE(openWithEmptyEntries(271), nullptr);
    QTabWidget* first = strip("tabstrip");
    QTabWidget* second = strip("tabstrip2");
    EXPECT_EQ(first->tabText(0) + first->tabText(14) + second->tabText(0) + second->tabText(14),
              " 1  15  16  30 ");
    for (const QTabWidget* container : {first, second}) {  // fifteen tabs in one row, all in view
        EXPECT_EQ(container->tabBar()->tabRect(14).top(), container->tabBar()->tabRect(0).top());
        EXPECT_LE(container->tabBar()->tabRect(14).right(), container->width());
    }
    // The tab a control lies on, and where in its container.
    const auto at = [](const QWidget* control, const QTabWidget* container) {
        return std::pair(container->indexOf(control->parentWidget()),
                         QRect(control->mapTo(container, QPoint(0, 0)), control->size()));
    };
    const auto labelAt = [](int tab, int x, int y) { return std::pair(tab, twipsRect(x, y, 3855, 255)); };
    const auto boxAt = [](int tab, int x, int y) { return std::pair(tab, twipsRect(x, y, 3855, 285)); };
    EXPECT_EQ(at(label(0), first), labelAt(0, 360, 480));
    EXPECT_EQ(at(box(0), first), boxAt(0, 480, 720));
    EXPECT_EQ(at(label(9), first), labelAt(0, 4800, 480));  // the right column's top
    EXPECT_EQ(at(box(9), first), boxAt(0, 4920, 720));
    EXPECT_EQ(at(box(17), first), boxAt(0, 4920, 5520));  // its foot
    EXPECT_EQ(at(label(18), first), labelAt(1, 360, 480));
    EXPECT_EQ(at(box(18), first), boxAt(1, 480, 720));
    EXPECT_EQ(at(box(269), first).first, 14);
    EXPECT_EQ(visibleSlots(), 271);

    // Slot 270 opens tabstrip2, which lies over tab " 1 " of tabstrip and is shown by the toggle.
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(second->parentWidget(), first);
    EXPECT_EQ(button("toggle")->text(), "View tab 16 onwards");
    click("toggle");
    QCoreApplication::processEvents();
    EXPECT_EQ(at(label(270), second), labelAt(0, 360, 480));
    EXPECT_EQ(at(box(270), second), boxAt(0, 480, 720));
    EXPECT_TRUE(box(270)->isVisible());
    EXPECT_EQ(at(box(539), second).first, 14);
}

// How many slots show, and whether the toggle does, for a number of entries.
class EditorSlotCountTest : public EditorOpenTest, public ::testing::WithParamInterface<int> {};

TEST_P(EditorSlotCountTest, ShowsOneSlotAnEntryAndTheToggleBeyondTabFifteen) {
    const int count = GetParam();
    if (count < 0) {
        folder.writeTemplate("game.ini",
                             "[TextFormattingSystem]\r\nNumberOfEntries=" + std::to_string(count));
        ASSERT_NE(loadAndLaunch(gameFile("game.bin", {})), nullptr);
    } else {
        ASSERT_NE(openWithEmptyEntries(count), nullptr);
    }
    EXPECT_EQ(visibleSlots(), std::max(count, 0));
    EXPECT_EQ(button("toggle")->isVisibleTo(editor), count > 270);
    // Saving them writes nothing and succeeds.
    const auto before = test::readAll(launcher->state().loadedPath);
    click("save");
    EXPECT_EQ(dialogs.texts(), QStringList{"Writing complete!"});
    EXPECT_EQ(test::readAll(launcher->state().loadedPath), before);
}

INSTANTIATE_TEST_SUITE_P(Entries, EditorSlotCountTest, ::testing::Values(-3, 0, 270, 540),
                         [](const auto& info) {
                             return info.param < 0 ? std::string("Negative") : std::to_string(info.param);
                         });

TEST_F(EditorOpenTest, TheToggleSwitchesContainersAndReturnsToTheTabSelectedBefore) {
    ASSERT_NE(openWithEmptyEntries(300), nullptr);
    QTabWidget* first = strip("tabstrip");
    QTabWidget* second = strip("tabstrip2");
    first->setCurrentIndex(5);

    click("toggle");
    EXPECT_EQ(button("toggle")->text(), "View tabs 1 to 15");
    EXPECT_EQ(first->currentIndex(), 0);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->currentIndex(), 0);
    EXPECT_EQ(launcher->state().editorSavedTab, 5);
    // What tabstrip2 covers is out of reach.
    EXPECT_FALSE(first->tabBar()->isEnabled());
    EXPECT_FALSE(box(0)->isEnabled());
    EXPECT_TRUE(box(270)->isEnabled());
    second->setCurrentIndex(1);
    EXPECT_TRUE(box(288)->isVisible());

    click("toggle");
    EXPECT_EQ(button("toggle")->text(), "View tab 16 onwards");
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(first->currentIndex(), 5);
    EXPECT_TRUE(first->tabBar()->isEnabled());
    EXPECT_TRUE(box(90)->isVisible());

    // A load in the launcher sets the saved tab back to the first.
    click("toggle");
    load(gameFile("other.bin", {}));
    click("toggle");
    EXPECT_EQ(first->currentIndex(), 0);
}

TEST_F(EditorOpenTest, LimitsAreLengthOverCharLengthWithHalvesToEven) {
    writeGameTemplate({{"10 / 2", "1", 10, kTexts},
                       {"5 / 2", "1", 5, kTexts},
                       {"7 / 2", "1", 7, kTexts},
                       {"3 / 1", "0", 3, kTexts},
                       {"no Length", "0", 0, kTexts},
                       {"long Load value", "0", 3, kTexts + 0x10}});
    ASSERT_NE(loadAndLaunch(gameFile("game.bin", {{kTexts + 0x10, "A~B"}})), nullptr);
    const int expected[] = {5, 2, 4, 3};
    for (int s = 0; s < 4; ++s) {
        type(s, "XYXYXYXYXY");
        EXPECT_EQ(box(s)->text(), QString("XYXYX").left(expected[s])) << s;
    }
    type(4, QString(60, QLatin1Char('A')));
    EXPECT_EQ(box(4)->text(), QString(60, QLatin1Char('A')));

    // The limit stops typing, but not the text the program puts in.
    QLineEdit* b = box(5);
    EXPECT_EQ(b->text(), "A[end]B");
    b->setFocus();
    b->end(false);
    QTest::keyClick(b, Qt::Key_C);
    EXPECT_EQ(b->text(), "A[end]B");
    QTest::keyClick(b, Qt::Key_Backspace);
    QTest::keyClick(b, Qt::Key_C);
    EXPECT_EQ(b->text(), "A[end]");
    // A paste is cut to fit.
    b->setText(QString());
    QTest::keyClicks(b, "C");
    b->insert(QStringLiteral("BBBBB"));
    EXPECT_EQ(b->text(), "CBB");
}

TEST_F(EditorOpenTest, AGameFileThatCannotBeReadIsToldOnce) {
    writeGameTemplate({{"one", "0", 2, kTexts}, {"two", "0", 2, kTexts}, {"three", "1", 4, kTexts}});
    const auto path = gameFile("game.bin", {{kTexts, "AB"}});
    load(path);
    std::filesystem::remove(path);
    ASSERT_NE(launch(), nullptr);
    EXPECT_EQ(dialogs.log(), QStringList{test::shown(Icon::Critical, "ROM not found!")});
    EXPECT_EQ(visibleSlots(), 3);
    EXPECT_TRUE(box(0)->text().isEmpty());
    EXPECT_EQ(go()->text(), "Launch!");
}

// Templates the editor refuses as it opens, before it reads the file. "{games}" and "{alphabets}" stand for
// the program's folders.
struct RefusedTemplate {
    const char* name;
    const char* entries;  // NumberOfEntries
    const char* entry1;   // the [entry1] section
    QString message;
    Icon icon = Icon::Exclamation;
    const char* alphabet = "one.ini";
    const char* alphabetText = nullptr;  // nullptr: as every test has it
    friend void PrintTo(const RefusedTemplate& row, std::ostream* out) { *out << row.name; }
};

const char* const kEntry = "Length=2\r\nHexLocation=200";
const QString kMalformed = QStringLiteral("The template {games}game.ini cannot be used: in section ");
const QString kOldAlphabet = QStringLiteral(
    "Pre-RQL 0.9 Alphabet file detected, closing the editor to avoid errors. Please check template "
    "{alphabets}%1 for the field 'AlphabetAndFileInfo --> CharLength'.");
const RefusedTemplate kRefusedTemplates[] = {
    {"MoreEntriesThanSlots", "541", kEntry,
     kMalformed + "[TextFormattingSystem] the key NumberOfEntries has the value \"541\", "
                  "which is more than the 540 entries the editor has room for."},
    {"AlphabetOlderThan09", "1", "TextFormat=1\r\nLength=2\r\nHexLocation=200", kOldAlphabet.arg("two.ini"),
     Icon::Critical, "two.ini", "[Load]\r\n41=A\r\n"},
    {"TextFormatWithoutAlphabet", "1", "TextFormat=7\r\nLength=2\r\nHexLocation=200",
     kOldAlphabet.arg("<error>"), Icon::Critical},
};

class EditorRefusalTest : public EditorOpenTest, public ::testing::WithParamInterface<RefusedTemplate> {};

TEST_P(EditorRefusalTest, RefusesTheTemplateBeforeReadingTheFile) {
    const RefusedTemplate& row = GetParam();
    if (row.alphabetText != nullptr) {
        writeAlphabet(row.alphabet, row.alphabetText);
    }
    folder.writeTemplate("game.ini", std::string("[TextFormattingSystem]\r\nNumberOfEntries=") + row.entries +
                                         "\r\n0=one.ini\r\n1=two.ini\r\n[entry1]\r\n" + row.entry1 + "\r\n");
    const auto path = gameFile("game.bin", {});
    load(path);
    std::filesystem::remove(path);  // were the file read, "ROM not found!" would follow
    dialogs.clear();
    EXPECT_EQ(launch(), nullptr);
    EXPECT_EQ(dialogs.log(), QStringList{test::shown(row.icon, withPaths(row.message))});
    EXPECT_EQ(test::openWindow("editor"), nullptr);
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_TRUE(go()->isEnabled());
    EXPECT_EQ(go()->text(), "Launch!");
}

INSTANTIATE_TEST_SUITE_P(Templates, EditorRefusalTest, ::testing::ValuesIn(kRefusedTemplates), test::rowName);

}  // namespace
}  // namespace rq
