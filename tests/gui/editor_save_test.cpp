// The editor's save: padding, the bytes written, every refusal
// with nothing written, the paths copied at open, and the question when closing with unsaved edits.

#include <QTabBar>
#include <cstdio>
#include <filesystem>

#include "editor_fixture.h"

namespace rq {
namespace {

using Icon = Dialogs::Icon;
using Answer = Dialogs::Answer;
using test::kTexts;

const QString kInvalidNote = QStringLiteral(
    "' is invalid. Please replace it with a valid character.\r\n"
    "Note: this error may not apply to every text string in the game.");

QString invalid(const QString& key, const QString& text) {
    return QStringLiteral("The character '") + key + QStringLiteral("' in the string '") + text +
           kInvalidNote;
}

class EditorSaveTest : public test::EditorTest {
  protected:
    // Three entries: five one-byte codes, three two-byte codes, five one-byte codes.
    void SetUp() override {
        EditorTest::SetUp();
        writeGameTemplate(
            {{"First", "0", 5, kTexts}, {"Second", "1", 6, kTexts + 0x10}, {"Third", "0", 5, kTexts + 0x20}});
        path = gameFile("game.bin", {{kTexts, "ABCab"},
                                     {kTexts + 0x10, std::string("\x8A\x0B\x8A\x0C\x00\x00", 6)},
                                     {kTexts + 0x20, "A a=B"}});
        before = test::readAll(path);
    }

    QWidget* open() { return loadAndLaunch(path); }

    // The file as it was, with bytes put in place.
    std::string expected(const std::vector<test::Patch>& patches) const {
        std::string bytes = before;
        for (const auto& patch : patches) {
            bytes.replace(patch.offset, patch.bytes.size(), patch.bytes);
        }
        return bytes;
    }
    std::string now() const { return test::readAll(path); }

    // The one message a refused save shows, after which the button is back and nothing is written.
    void expectRefused(const QString& text, Icon icon = Icon::Exclamation) const {
        ASSERT_EQ(dialogs.messages().size(), 1u) << dialogs.texts().join(" | ").toStdString();
        EXPECT_EQ(dialogs.messages()[0].text, text);
        EXPECT_EQ(dialogs.messages()[0].icon, icon);
        EXPECT_EQ(dialogs.messages()[0].title, "Romquill");
        EXPECT_EQ(now(), before);
        EXPECT_TRUE(button("save")->isEnabled());
        EXPECT_EQ(button("save")->text(), "Save data to file");
        EXPECT_NE(test::openWindow(QStringLiteral("editor")), nullptr);
    }

    std::string path;
    std::string before;
};

TEST_F(EditorSaveTest, PadsEveryBoxToItsLimitAndWritesEachEntryInPlace) {
    ASSERT_NE(open(), nullptr);
    ASSERT_EQ(box(0)->text(), "ABCab");
    ASSERT_EQ(box(1)->text(), "XY ");
    ASSERT_EQ(box(2)->text(), "A a=B");
    type(0, "Ab");
    type(1, "Y");
    type(2, "=a");
    click("save");

    EXPECT_EQ(dialogs.texts(), QStringList{"Writing complete!"});
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Information);
    EXPECT_EQ(dialogs.messages()[0].title, "Romquill");
    EXPECT_EQ(box(0)->text(), "Ab   ");
    EXPECT_EQ(box(1)->text(), "Y  ");
    EXPECT_EQ(box(2)->text(), "=a   ");
    EXPECT_EQ(now(), expected({{kTexts, "Ab   "},
                               {kTexts + 0x10, std::string("\x8A\x0C\x00\x00\x00\x00", 6)},
                               {kTexts + 0x20, "=a   "}}));
    EXPECT_TRUE(button("save")->isEnabled());
    EXPECT_EQ(button("save")->text(), "Save data to file");
}

TEST_F(EditorSaveTest, SavingWithoutEditsWritesTheSameBytes) {
    ASSERT_NE(open(), nullptr);
    click("save");
    click("save");
    EXPECT_EQ(dialogs.texts(), (QStringList{"Writing complete!", "Writing complete!"}));
    EXPECT_EQ(now(), before);
}

TEST_F(EditorSaveTest, TheButtonReadsSavingDataWhileTheSaveRuns) {
    ASSERT_NE(open(), nullptr);
    type(0, "A");
    QStringList seen;
    // The padding is put into the box during the save.
    QObject::connect(box(0), &QLineEdit::textChanged,
                     [&] { seen << QString::number(button("save")->isEnabled()) + button("save")->text(); });
    click("save");
    EXPECT_EQ(seen, QStringList{"0Saving data..."});
    EXPECT_EQ(button("save")->text(), "Save data to file");
}

TEST_F(EditorSaveTest, AnInvalidCharacterStopsTheSaveBeforeAnythingIsWritten) {
    ASSERT_NE(open(), nullptr);
    type(0, "BA");
    type(2, "AZ");
    click("save");
    expectRefused(invalid("Z", "AZ   "));
    // The padding shows even though nothing was written.
    EXPECT_EQ(box(0)->text(), "BA   ");
    EXPECT_EQ(box(2)->text(), "AZ   ");
}

TEST_F(EditorSaveTest, TheMessageNamesTheCharacterKey) {
    ASSERT_NE(open(), nullptr);
    type(0, "Ac");
    click("save");
    expectRefused(invalid("_c", "Ac   "));

    // An alphabet without the keys "¬" and "¦".
    writeAlphabet("one.ini", "[AlphabetAndFileInfo]\r\nCharLength=1\r\n[save]\r\nA=41\r\n_a=61\r\n");
    for (const auto& [typed, key] : {std::pair{"A", "\u00AC"}, std::pair{"A=aaa", "\u00A6"}}) {
        dialogs.clear();
        type(0, QString::fromUtf8(typed));
        click("save");
        expectRefused(invalid(QString::fromUtf8(key), box(0)->text()));
    }
    EXPECT_EQ(box(0)->text(), "A=aaa");
}

TEST_F(EditorSaveTest, ACharacterWithoutAByteInTheCodePageIsInvalidInItsPlace) {
    ASSERT_NE(open(), nullptr);
    const QString han = QString::fromUtf8("\u4E2D");
    const QString smile = QString::fromUtf8("\U0001F600");
    const struct {
        QString first, third, key, named;
    } cases[] = {
        {"A" + han, "A", han, "A" + han + "   "},       // the character itself is its key
        {"Z" + han, "A", "Z", "Z" + han + "   "},       // an invalid character before it comes first
        {"A", han + "Z", han, han + "Z   "},            // ... and so does the first entry's
        {"A" + smile, "A", smile, "A" + smile + "  "},  // a character of two UTF-16 units is one key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.named.toStdString());
        dialogs.clear();
        box(0)->setText(QString());
        box(0)->insert(c.first);  // as a paste would
        box(2)->setText(QString());
        box(2)->insert(c.third);
        click("save");
        expectRefused(invalid(c.key, c.named));
    }
}

TEST_F(EditorSaveTest, AnEntryWhoseBytesExceedItsLengthIsRefusedByName) {
    // Seven bytes of two-byte codes: a limit of four characters, eight bytes.
    writeGameTemplate({{"First", "0", 5, kTexts}, {"Odd length", "1", 7, kTexts + 0x10}});
    ASSERT_NE(open(), nullptr);
    type(1, "XYXY");
    click("save");
    expectRefused(
        QStringLiteral("Entry 2 (\"Odd length\") needs 8 bytes, but its room in the file is 7 bytes. "
                       "Nothing was written."));
}

TEST_F(EditorSaveTest, ASaveValueLongerThanCharLengthIsRefusedByName) {
    ASSERT_NE(open(), nullptr);
    writeAlphabet("one.ini", test::kOneByteAlphabet + "Z=5A5A\r\n");
    type(0, "Z");
    click("save");
    expectRefused(
        QStringLiteral("Entry 1 (\"First\") needs 6 bytes, but its room in the file is 5 bytes. "
                       "Nothing was written."));
}

TEST_F(EditorSaveTest, AnEntryPastTheEndOfTheFileIsRefusedByName) {
    writeGameTemplate({{"First", "0", 5, kTexts}, {"Outside", "0", 4, 0x3FE}});
    ASSERT_NE(open(), nullptr);
    type(1, "ABAB");
    click("save");
    expectRefused(
        QStringLiteral("Entry 2 (\"Outside\") lies past the end of the file (offset 3FE, 4 bytes; the "
                       "file has 400 bytes). Nothing was written."));
}

TEST_F(EditorSaveTest, AnAlphabetThatBecameOlderThan09StopsTheSave) {
    ASSERT_NE(open(), nullptr);
    type(0, "B");
    writeAlphabet("two.ini", "[AlphabetAndFileInfo]\r\nCharLength=0\r\n");
    click("save");
    expectRefused(
        QString::fromStdString("Pre-RQL 0.9 Alphabet file detected, stopping the save to avoid errors. "
                               "Please check template " +
                               folder.path("plugins\\alphabets\\two.ini") +
                               " for the field 'AlphabetAndFileInfo --> CharLength'."),
        Icon::Critical);
    EXPECT_EQ(box(0)->text(), "B");  // stopped before the padding
}

TEST_F(EditorSaveTest, ATemplateThatChangedItsEntriesIsRefused) {
    ASSERT_NE(open(), nullptr);
    writeGameTemplate({{"First", "0", 5, kTexts}});
    click("save");
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.contains("now has 1 entries, not the 3"));
    EXPECT_EQ(now(), before);
}

TEST_F(EditorSaveTest, AFileThatIsGoneIsToldClearly) {
    ASSERT_NE(open(), nullptr);
    std::filesystem::remove(path);
    click("save");
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text,
              QString::fromStdString("The file \"" + path + "\" does not exist."));
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Critical);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(button("save")->isEnabled());
}

TEST_F(EditorSaveTest, AFileThatCannotBeWrittenIsToldClearly) {
    ASSERT_NE(open(), nullptr);
    type(0, "B");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    if (std::FILE* probe = std::fopen(path.c_str(), "r+b")) {
        std::fclose(probe);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        GTEST_SKIP() << "a read-only file can still be written here (running as root)";
    }
    click("save");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    expectRefused(QString::fromStdString("The file \"" + path + "\" cannot be opened for writing."),
                  Icon::Critical);
}

// Works as root too: the file is gone, or a folder stands in its place, when the save comes.
TEST_F(EditorSaveTest, AFileReplacedSinceTheEditorOpenedIsToldAndNeverCreated) {
    ASSERT_NE(open(), nullptr);
    type(0, "B");
    std::filesystem::remove(path);
    click("save");
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text,
              QString::fromStdString("The file \"" + path + "\" does not exist."));
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Critical);
    EXPECT_FALSE(std::filesystem::exists(path));

    dialogs.clear();
    std::filesystem::create_directory(path);
    click("save");
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, QString::fromStdString("\"" + path + "\" is not a regular file."));
    EXPECT_TRUE(button("save")->isEnabled());
    std::filesystem::remove(path);
}

TEST_F(EditorSaveTest, TheEditorKeepsTheFileAndTemplateItOpenedWith) {
    ASSERT_NE(open(), nullptr);
    const auto other = gameFile("other.bin", {{kTexts, "CCCCC"}});
    const auto otherBefore = test::readAll(other);
    load(other);
    ASSERT_EQ(launcher->state().loadedPath, QString::fromStdString(other));
    // And a template forced later, with other addresses.
    folder.writeTemplate("moved.ini", templateText({{"Moved", "0", 5, kTexts + 0x80}}));
    launcher->applyForcedTemplate(QString::fromStdString(folder.path("plugins\\games\\moved.ini")), "Moved");

    type(0, "BB");
    click("save");
    EXPECT_EQ(dialogs.texts(), QStringList{"Writing complete!"});
    EXPECT_EQ(now(), expected({{kTexts, "BB   "}}));
    EXPECT_EQ(test::readAll(other), otherBefore);
}

TEST_F(EditorSaveTest, NoEntriesWriteNothingAndSucceed) {
    folder.writeTemplate("game.ini", "[TextFormattingSystem]\r\nNumberOfEntries=0\r\n");
    ASSERT_NE(open(), nullptr);
    click("save");
    EXPECT_EQ(dialogs.texts(), QStringList{"Writing complete!"});
    EXPECT_EQ(now(), before);
}

TEST_F(EditorSaveTest, ClosingWithoutEditsAsksNothing) {
    ASSERT_NE(open(), nullptr);
    type(0, "A");
    type(0, "ABCab");  // back to what was read
    EXPECT_TRUE(editor->close());
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(test::countWindows(QStringLiteral("editor")), 0);
}

TEST_F(EditorSaveTest, ClosingAfterASaveAsksNothing) {
    ASSERT_NE(open(), nullptr);
    type(0, "A");
    click("save");
    dialogs.clear();
    EXPECT_TRUE(editor->close());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(EditorSaveTest, PaddingFromARefusedSaveIsNoEditToAskAbout) {
    // The first text reads shorter than its limit (the code 7F shows as nothing); the third cannot be saved.
    path = gameFile("game.bin", {{kTexts, "A\x7F\x7F\x7F\x7F"},
                                 {kTexts + 0x20,
                                  "A\x01"
                                  "BBB"}});
    before = test::readAll(path);
    ASSERT_NE(open(), nullptr);
    ASSERT_EQ(box(0)->text(), "A");
    ASSERT_EQ(box(2)->text(), "A<error>BBB");
    click("save");
    expectRefused(invalid("<", "A<error>BBB"));
    EXPECT_EQ(box(0)->text(), "A    ");
    dialogs.clear();
    EXPECT_TRUE(editor->close());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(EditorSaveTest, ClosingWithUnsavedEditsAsksCancelKeepsTheWindow) {
    ASSERT_NE(open(), nullptr);
    type(0, "B");
    dialogs.answer(Answer::Cancel);
    EXPECT_FALSE(editor->close());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const auto& question = dialogs.messages()[0];
    EXPECT_EQ(question.title, "Romquill");
    EXPECT_EQ(question.icon, Icon::Exclamation);
    EXPECT_EQ(question.buttons, Dialogs::Buttons::YesNoCancel);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(box(0)->text(), "B");
    EXPECT_EQ(now(), before);
}

TEST_F(EditorSaveTest, ClosingWithUnsavedEditsAnsweredNoDiscardsThem) {
    ASSERT_NE(open(), nullptr);
    type(0, "B");
    dialogs.answer(Answer::No);
    EXPECT_TRUE(editor->close());
    EXPECT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(test::countWindows(QStringLiteral("editor")), 0);
    EXPECT_EQ(now(), before);
}

TEST_F(EditorSaveTest, ClosingWithUnsavedEditsAnsweredYesSavesThem) {
    ASSERT_NE(open(), nullptr);
    type(0, "B");
    dialogs.answer(Answer::Yes);
    EXPECT_TRUE(editor->close());
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_EQ(dialogs.messages()[1].text, "Writing complete!");
    EXPECT_EQ(test::countWindows(QStringLiteral("editor")), 0);
    EXPECT_EQ(now(), expected({{kTexts, "B    "}}));
}

TEST_F(EditorSaveTest, ASaveThatFailsWhenClosingKeepsTheWindowOpen) {
    ASSERT_NE(open(), nullptr);
    type(0, "Z");
    dialogs.answer(Answer::Yes);
    EXPECT_FALSE(editor->close());
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_EQ(dialogs.messages()[1].text, invalid("Z", "Z    "));
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(now(), before);
}

}  // namespace
}  // namespace rq
