// The editor window as it opens: layout, decoding, limits, the
// toggle, and the templates it refuses.

#include <QElapsedTimer>
#include <filesystem>
#include <iostream>

#include "editor_fixture.h"

namespace rq {
namespace {

using Icon = Dialogs::Icon;
using test::kTexts;

class EditorOpenTest : public test::EditorTest {
  protected:
    // Entries whose texts do not matter: Length 0 reads nothing.
    void writeEmptyEntries(int count) const {
        std::vector<test::TemplateEntry> entries;
        for (int i = 0; i < count; ++i) {
            entries.push_back({"Entry " + std::to_string(i + 1), "0", 0, kTexts});
        }
        writeGameTemplate(entries);
    }
    QWidget* openWithEmptyEntries(int count) {
        writeEmptyEntries(count);
        return loadAndLaunch(gameFile("game.bin", {}));
    }
    int visibleSlots() const {
        int n = 0;
        for (int s = 0; s < 540; ++s) {
            n += !box(s)->isHidden() && !label(s)->isHidden() ? 1 : 0;
        }
        return n;
    }
    // Where a slot's control lies in its tab container, and on which tab.
    static QRect inContainer(const QWidget* control, const QTabWidget* container) {
        return QRect(control->mapTo(container, QPoint(0, 0)), control->size());
    }
};

TEST_F(EditorOpenTest, ShowsEveryEntryDecodedThroughItsOwnAlphabet) {
    writeGameTemplate({{"Spaces and equals", "0", 4, kTexts},
                       {"Two-byte codes", "1", 6, kTexts + 0x10},
                       {"Same bytes, one-byte alphabet", "0", 2, kTexts + 0x20},
                       {"Same bytes, two-byte alphabet", "1", 2, kTexts + 0x20},
                       {"Missing codes", "0", 3, kTexts + 0x30}},
                      "Texts of the demo");
    ASSERT_NE(loadAndLaunch(gameFile("game.bin", {{kTexts, "A a="},
                                                  {kTexts + 0x10, std::string("\x8A\x0B\x8A\x0C\x00\x00", 6)},
                                                  {kTexts + 0x20, "AB"},
                                                  {kTexts + 0x30,
                                                   "A\x01"
                                                   "B"}})),
              nullptr);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(box(0)->text(), "A a=");  // "¬" is a space, "¦" is "="
    EXPECT_EQ(box(1)->text(), "XY ");   // 8A0B found under its lower-case key 8a0b
    EXPECT_EQ(box(2)->text(), "AB");
    EXPECT_EQ(box(3)->text(), "<error>");  // the code 4142
    EXPECT_EQ(box(4)->text(), "A<error>B");
    EXPECT_EQ(label(0)->text(), "Spaces and equals");
    EXPECT_EQ(label(3)->text(), "Same bytes, two-byte alphabet");
    EXPECT_EQ(editor->findChild<QLabel*>(QStringLiteral("NotesLabel"))->text(), "Notes: Texts of the demo");
    EXPECT_EQ(visibleSlots(), 5);
    EXPECT_TRUE(box(5)->isHidden());
    EXPECT_FALSE(button("toggle")->isVisibleTo(editor));
    EXPECT_EQ(button("save")->text(), "Save data to file");
    // The load's last step gives the launcher its button back.
    EXPECT_TRUE(launcherButton("go")->isEnabled());
    EXPECT_EQ(launcherButton("go")->text(), "Launch!");
}

TEST_F(EditorOpenTest, TakesTheLaunchersTitleAndHasItsOwnSizeAndFont) {
    writeGameTemplate({{"Caption && more", "0", 4, kTexts}, {"<error>", "0", 1, kTexts}});
    ASSERT_NE(loadAndLaunch(gameFile("game.bin", {{kTexts, "ABCA"}})), nullptr);
    EXPECT_EQ(editor->windowTitle(), "Romquill - Sonic The Hedgehog 2");
    EXPECT_EQ(editor->size(), QSize(637, 485));
    EXPECT_EQ(label(0)->text(), "Caption & more");  // as in every label, "&&" shows as one "&"
    EXPECT_EQ(label(1)->text(), "<error>");         // text, not markup
    for (const QWidget* control : {static_cast<const QWidget*>(label(0)), static_cast<const QWidget*>(box(0)),
                                   static_cast<const QWidget*>(box(539))}) {
        EXPECT_EQ(control->font().family(), "Lucida Console");
        EXPECT_DOUBLE_EQ(control->font().pointSizeF(), 8.25);
    }
    EXPECT_EQ(editor->findChild<QWidget*>(QStringLiteral("NotesLabel"))->geometry(), QRect(8, 8, 609, 17));
    EXPECT_EQ(strip("tabstrip")->geometry(), QRect(8, 32, 617, 409));
    EXPECT_EQ(button("save")->geometry(), QRect(256, 448, 121, 33));
    EXPECT_EQ(button("toggle")->geometry(), QRect(480, 448, 145, 33));
}

TEST_F(EditorOpenTest, SlotsLieOnTheirTabsInTwoColumnsOfNine) {
    ASSERT_NE(openWithEmptyEntries(271), nullptr);
    const QTabWidget* tabstrip = strip("tabstrip");
    const QTabWidget* tabstrip2 = strip("tabstrip2");
    ASSERT_EQ(tabstrip->count(), 15);
    ASSERT_EQ(tabstrip2->count(), 15);
    EXPECT_EQ(tabstrip->tabText(0), " 1 ");
    EXPECT_EQ(tabstrip->tabText(14), " 15 ");
    EXPECT_EQ(tabstrip2->tabText(0), " 16 ");
    EXPECT_EQ(tabstrip2->tabText(14), " 30 ");
    EXPECT_EQ(tabstrip->currentIndex(), 0);
    EXPECT_FALSE(tabstrip2->isVisible());
    for (const QTabWidget* container : {tabstrip, tabstrip2}) {  // fifteen tabs in one row, all in view
        EXPECT_EQ(container->tabBar()->tabRect(14).top(), container->tabBar()->tabRect(0).top());
        EXPECT_LE(container->tabBar()->tabRect(14).right(), container->width());
    }

    const auto pageOf = [](const QWidget* control, const QTabWidget* container) {
        return container->indexOf(control->parentWidget());
    };
    // Slot 0: the left column's top of tab " 1 "; slot 9: the right column's top of tab " 1 ".
    EXPECT_EQ(pageOf(label(0), tabstrip), 0);
    EXPECT_EQ(inContainer(label(0), tabstrip), twipsRect(360, 480, 3855, 255));
    EXPECT_EQ(inContainer(box(0), tabstrip), twipsRect(480, 720, 3855, 285));
    EXPECT_EQ(pageOf(label(9), tabstrip), 0);
    EXPECT_EQ(inContainer(label(9), tabstrip), twipsRect(4800, 480, 3855, 255));
    EXPECT_EQ(inContainer(box(9), tabstrip), twipsRect(4920, 720, 3855, 285));
    // Slot 8: the left column's foot; slot 17 the right column's foot.
    EXPECT_EQ(inContainer(box(8), tabstrip), twipsRect(480, 5520, 3855, 285));
    EXPECT_EQ(inContainer(label(17), tabstrip), twipsRect(4800, 5280, 3855, 255));
    // Slot 18: the left column's top of tab " 2 ".
    EXPECT_EQ(pageOf(label(18), tabstrip), 1);
    EXPECT_EQ(pageOf(box(18), tabstrip), 1);
    EXPECT_EQ(inContainer(label(18), tabstrip), twipsRect(360, 480, 3855, 255));
    // The last slot of tabstrip and the first of tabstrip2.
    EXPECT_EQ(pageOf(box(269), tabstrip), 14);
    EXPECT_EQ(pageOf(label(270), tabstrip2), 0);
    EXPECT_EQ(pageOf(box(539), tabstrip2), 14);
    EXPECT_EQ(pageOf(box(279), tabstrip2), 0);

    // tabstrip2 lies on tab " 1 " of tabstrip and covers it.
    EXPECT_EQ(tabstrip2->parentWidget(), tabstrip);
    EXPECT_EQ(tabstrip2->geometry(), twipsRect(0, 0, 9255, 6135));

    EXPECT_EQ(visibleSlots(), 271);
    EXPECT_FALSE(label(270)->isHidden());
    EXPECT_TRUE(box(271)->isHidden());
    EXPECT_TRUE(button("toggle")->isVisible());
    EXPECT_EQ(button("toggle")->text(), "View tab 16 onwards");

    // Once tabstrip2 is in view its slots lie where tabstrip's do.
    click("toggle");
    QCoreApplication::processEvents();
    EXPECT_EQ(inContainer(label(270), tabstrip2), twipsRect(360, 480, 3855, 255));
    EXPECT_EQ(inContainer(box(270), tabstrip2), twipsRect(480, 720, 3855, 285));
    EXPECT_TRUE(box(270)->isVisible());
}

TEST_F(EditorOpenTest, TwoHundredAndSeventyEntriesFillTabstripWithoutTheToggle) {
    ASSERT_NE(openWithEmptyEntries(270), nullptr);
    EXPECT_EQ(visibleSlots(), 270);
    EXPECT_FALSE(label(269)->isHidden());
    EXPECT_FALSE(button("toggle")->isVisibleTo(editor));
}

TEST_F(EditorOpenTest, NoEntriesShowNothing) {
    for (const char* count : {"0", "-3"}) {
        SCOPED_TRACE(count);
        folder.writeTemplate("game.ini",
                             std::string("[TextFormattingSystem]\r\nNumberOfEntries=") + count + "\r\n");
        ASSERT_NE(loadAndLaunch(gameFile("game.bin", {})), nullptr);
        EXPECT_EQ(visibleSlots(), 0);
        EXPECT_FALSE(button("toggle")->isVisibleTo(editor));
        EXPECT_EQ(editor->findChild<QLabel*>(QStringLiteral("NotesLabel"))->text(), "Notes: <error>");
        EXPECT_EQ(launcherButton("go")->text(), "Launch!");
        editor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(EditorOpenTest, TheToggleSwitchesContainersAndReturnsToTheTabSelectedBefore) {
    ASSERT_NE(openWithEmptyEntries(300), nullptr);
    QTabWidget* tabstrip = strip("tabstrip");
    QTabWidget* tabstrip2 = strip("tabstrip2");
    tabstrip->setCurrentIndex(5);

    click("toggle");
    EXPECT_EQ(button("toggle")->text(), "View tabs 1 to 15");
    EXPECT_EQ(tabstrip->currentIndex(), 0);
    EXPECT_TRUE(tabstrip2->isVisible());
    EXPECT_EQ(tabstrip2->currentIndex(), 0);
    EXPECT_EQ(launcher->state().editorSavedTab, 5);
    EXPECT_TRUE(box(270)->isVisible());
    // What tabstrip2 covers is out of reach.
    EXPECT_FALSE(tabstrip->tabBar()->isEnabled());
    EXPECT_FALSE(box(0)->isEnabled());
    EXPECT_TRUE(box(270)->isEnabled());

    tabstrip2->setCurrentIndex(1);
    EXPECT_TRUE(box(288)->isVisible());

    click("toggle");
    EXPECT_EQ(button("toggle")->text(), "View tab 16 onwards");
    EXPECT_FALSE(tabstrip2->isVisible());
    EXPECT_EQ(tabstrip->currentIndex(), 5);
    EXPECT_TRUE(tabstrip->tabBar()->isEnabled());
    EXPECT_TRUE(box(0)->isEnabled());
    EXPECT_TRUE(box(90)->isVisible());
}

TEST_F(EditorOpenTest, ALoadInTheLauncherResetsTheSavedTab) {
    ASSERT_NE(openWithEmptyEntries(300), nullptr);
    strip("tabstrip")->setCurrentIndex(3);
    click("toggle");
    load(gameFile("other.bin", {}));
    EXPECT_EQ(launcher->state().editorSavedTab, 0);
    click("toggle");
    EXPECT_EQ(strip("tabstrip")->currentIndex(), 0);
}

TEST_F(EditorOpenTest, LimitsAreLengthOverCharLengthWithHalvesToEven) {
    writeGameTemplate({{"10 / 2", "1", 10, kTexts},
                       {"5 / 2", "1", 5, kTexts},
                       {"7 / 2", "1", 7, kTexts},
                       {"3 / 1", "0", 3, kTexts},
                       {"no Length", "0", 0, kTexts}});
    ASSERT_NE(loadAndLaunch(gameFile("game.bin", {})), nullptr);
    const int expected[] = {5, 2, 4, 3};
    for (int s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        type(s, "XYXYXYXYXY");
        EXPECT_EQ(box(s)->text().size(), expected[s]);
    }
    EXPECT_EQ(box(0)->text(), "XYXYX");
    // A Length of 0: no limit.
    type(4, QString(60, QLatin1Char('A')));
    EXPECT_EQ(box(4)->text(), QString(60, QLatin1Char('A')));
}

TEST_F(EditorOpenTest, TheLimitStopsTypingButNotTheTextTheProgramPutsIn) {
    writeGameTemplate({{"long Load value", "0", 3, kTexts}});
    ASSERT_NE(loadAndLaunch(gameFile("game.bin", {{kTexts, "A~B"}})), nullptr);
    QLineEdit* b = box(0);
    EXPECT_EQ(b->text(), "A[end]B");  // seven characters in a box limited to three

    b->setFocus();
    b->end(false);
    QTest::keyClick(b, Qt::Key_C);
    EXPECT_EQ(b->text(), "A[end]B");  // nothing more can be typed
    QTest::keyClick(b, Qt::Key_Backspace);
    EXPECT_EQ(b->text(), "A[end]");  // deleting can
    QTest::keyClick(b, Qt::Key_C);
    EXPECT_EQ(b->text(), "A[end]");  // and it never grows beyond the limit again
    // Undo brings back what the box held.
    b->undo();
    EXPECT_EQ(b->text(), "A[end]B");

    type(0, "abcdef");
    EXPECT_EQ(b->text(), "abc");
    // A paste is cut to fit.
    b->setText(QString());
    QTest::keyClicks(b, "C");
    b->insert(QStringLiteral("BBBBB"));
    EXPECT_EQ(b->text(), "CBB");
    EXPECT_EQ(b->cursorPosition(), 3);
    b->setCursorPosition(1);
    b->insert(QStringLiteral("A"));
    EXPECT_EQ(b->text(), "CBB");
}

TEST_F(EditorOpenTest, AGameFileThatCannotBeReadIsToldOnce) {
    writeGameTemplate({{"one", "0", 2, kTexts}, {"two", "0", 2, kTexts}, {"three", "1", 4, kTexts}});
    const auto path = gameFile("game.bin", {{kTexts, "AB"}});
    load(path);
    std::filesystem::remove(path);
    ASSERT_NE(launch(), nullptr);
    ASSERT_EQ(dialogs.texts(), QStringList{"ROM not found!"});
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Critical);
    EXPECT_EQ(dialogs.messages()[0].title, "Romquill");
    EXPECT_EQ(visibleSlots(), 3);
    EXPECT_TRUE(box(0)->text().isEmpty());
    EXPECT_EQ(launcherButton("go")->text(), "Launch!");
}

TEST_F(EditorOpenTest, AMalformedTemplateIsRefusedBeforeTheFileIsRead) {
    const std::pair<std::string, std::string> cases[] = {
        {"[TextFormattingSystem]\r\nNumberOfEntries=many\r\n",
         "[TextFormattingSystem] the key NumberOfEntries "
         "has the value \"many\""},
        {"[TextFormattingSystem]\r\nNumberOfEntries=541\r\n", "NumberOfEntries has the value \"541\""},
        {"[TextFormattingSystem]\r\nNumberOfEntries=1\r\n0=one.ini\r\n[entry1]\r\nLength=-2\r\nHexLocation="
         "200\r\n",
         "[entry1] the key Length has the value \"-2\""},
        {"[TextFormattingSystem]\r\nNumberOfEntries=1\r\n0=one.ini\r\n[entry1]\r\nLength="
         "40000\r\nHexLocation=200\r\n",
         "[entry1] the key Length has the value \"40000\""},
        {"[TextFormattingSystem]\r\nNumberOfEntries=1\r\n0=one.ini\r\n[entry1]\r\nLength=2\r\nHexLocation="
         "2G0\r\n",
         "[entry1] the key HexLocation has the value \"2G0\""},
    };
    const auto path = gameFile("game.bin", {});
    for (const auto& [text, named] : cases) {
        SCOPED_TRACE(named);
        folder.writeTemplate("game.ini", text);
        load(path);
        // Were the file read, "ROM not found!" would follow.
        std::filesystem::remove(path);
        dialogs.clear();
        EXPECT_EQ(launch(), nullptr);
        ASSERT_EQ(dialogs.messages().size(), 1u);
        const auto& message = dialogs.messages()[0];
        EXPECT_TRUE(message.text.contains(QString::fromStdString(templatePath())))
            << message.text.toStdString();
        EXPECT_TRUE(message.text.contains(QString::fromStdString(named))) << message.text.toStdString();
        EXPECT_EQ(message.icon, Icon::Exclamation);
        EXPECT_EQ(message.title, "Romquill");
        EXPECT_EQ(test::countWindows(QStringLiteral("editor")), 0);
        EXPECT_TRUE(launcherButton("go")->isEnabled());
        EXPECT_EQ(launcherButton("go")->text(), "Launch!");
        gameFile("game.bin", {});
    }
}

TEST_F(EditorOpenTest, AnOddSaveValueIsAMalformedAlphabet) {
    writeAlphabet("one.ini", "[AlphabetAndFileInfo]\r\nCharLength=1\r\n[save]\r\nA=414\r\n");
    writeGameTemplate({{"one", "0", 2, kTexts}});
    EXPECT_EQ(loadAndLaunch(gameFile("game.bin", {})), nullptr);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.contains("one.ini"));
    EXPECT_TRUE(dialogs.messages()[0].text.contains("\"414\""));
    EXPECT_EQ(launcherButton("go")->text(), "Launch!");
}

TEST_F(EditorOpenTest, AnAlphabetOlderThan09ClosesOnlyTheEditor) {
    writeAlphabet("old.ini", "[Load]\r\n41=A\r\n");
    folder.writeTemplate("game.ini",
                         "[TextFormattingSystem]\r\nNumberOfEntries=2\r\n0=one.ini\r\n1=old.ini\r\n"
                         "[entry1]\r\nTextFormat=0\r\nLength=2\r\nHexLocation=200\r\n"
                         "[entry2]\r\nTextFormat=1\r\nLength=2\r\nHexLocation=200\r\n");
    EXPECT_EQ(loadAndLaunch(gameFile("game.bin", {{kTexts, "AB"}})), nullptr);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(
        dialogs.messages()[0].text,
        QString::fromStdString("Pre-RQL 0.9 Alphabet file detected, closing the editor to avoid errors. "
                               "Please check template " +
                               folder.path("plugins\\alphabets\\old.ini") +
                               " for the field 'AlphabetAndFileInfo --> CharLength'."));
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Critical);
    EXPECT_EQ(dialogs.messages()[0].title, "Romquill");
    EXPECT_EQ(test::countWindows(QStringLiteral("editor")), 0);
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_TRUE(launcherButton("go")->isEnabled());
    EXPECT_EQ(launcherButton("go")->text(), "Launch!");
}

TEST_F(EditorOpenTest, ATextFormatWithoutAnAlphabetNamesAPathEndingInError) {
    folder.writeTemplate("game.ini",
                         "[TextFormattingSystem]\r\nNumberOfEntries=1\r\n0=one.ini\r\n"
                         "[entry1]\r\nTextFormat=7\r\nLength=2\r\nHexLocation=200\r\n");
    EXPECT_EQ(loadAndLaunch(gameFile("game.bin", {})), nullptr);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.contains(
        QString::fromStdString(folder.path("plugins\\alphabets\\<error>") + " for the field")));
}

TEST_F(EditorOpenTest, ALaterLoadInTheLauncherChangesNeitherTitleNorTexts) {
    writeGameTemplate({{"one", "0", 2, kTexts}});
    ASSERT_NE(loadAndLaunch(gameFile("game.bin", {{kTexts, "AB"}})), nullptr);
    load(games.file("gone.bin"));  // a failed load
    const auto other = games.file("notes.txt");
    test::writeText(other, "hello");
    load(other);
    EXPECT_EQ(launcher->windowTitle(), "No ROM Loaded");
    EXPECT_EQ(editor->windowTitle(), "Romquill - Sonic The Hedgehog 2");
    EXPECT_EQ(box(0)->text(), "AB");
}

TEST_F(EditorOpenTest, OpensFiveHundredAndFortyLongEntriesQuickly) {
    // The benchmark case: 540 entries of 254 bytes, a 256-code alphabet.
    std::string alphabet = "[AlphabetAndFileInfo]\r\nCharLength=1\r\n[Load]\r\n";
    for (int code = 0; code < 256; ++code) {
        char line[16];
        std::snprintf(line, sizeof line, "%02X=%c\r\n", code, 'A' + code % 26);
        alphabet += line;
    }
    writeAlphabet("one.ini", alphabet);
    std::vector<test::TemplateEntry> entries;
    std::string bytes;
    for (int i = 0; i < 540; ++i) {
        entries.push_back({"Entry " + std::to_string(i + 1), "0", 254, kTexts + 254u * i});
    }
    for (int i = 0; i < 540 * 254; ++i) {
        bytes += static_cast<char>(i % 256);
    }
    writeGameTemplate(entries);
    load(gameFile("game.bin", {{kTexts, bytes}}));

    QElapsedTimer timer;
    timer.start();
    ASSERT_NE(launch(), nullptr);
    const auto elapsed = timer.elapsed();
    std::cout << "[          ] opening the editor on 540 entries of 254 bytes took " << elapsed << " ms\n";
    RecordProperty("open_ms", static_cast<int>(elapsed));
    EXPECT_EQ(visibleSlots(), 540);
    EXPECT_EQ(box(539)->text().size(), 254);
    EXPECT_TRUE(dialogs.messages().empty());
    // Generous, so that a loaded machine does not fail it; the target is well under half a second.
    EXPECT_LT(elapsed, 3000);
}

}  // namespace
}  // namespace rq
