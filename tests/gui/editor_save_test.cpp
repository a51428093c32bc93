// The editor's save: padding, the bytes written, every refusal with nothing written, the paths copied at
// open, and the question when closing with unsaved edits.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include "editor_fixture.h"

namespace rq {
namespace {

using Icon = Dialogs::Icon;
using Answer = Dialogs::Answer;
using test::kTexts;
using test::Patch;

QString invalid(const QString& key, const QString& text) {
    return "The character '" + key + "' in the string '" + text +
           "' is invalid. Please replace it with a valid character.\r\n"
           "Note: this error may not apply to every text string in the game.";
}

class EditorSaveTest : public test::EditorTest {
  public:
    // Three entries: five one-byte codes, three two-byte codes, five one-byte codes.
    void SetUp() override {
        EditorTest::SetUp();
        writeGameTemplate(
            {{"First", "0", 5, kTexts}, {"Second", "1", 6, kTexts + 0x10}, {"Third", "0", 5, kTexts + 0x20}});
        writeGame({{kTexts, "ABCab"},
                   {kTexts + 0x10, std::string("\x8A\x0B\x8A\x0C\x00\x00", 6)},
                   {kTexts + 0x20, "A a=B"}});
    }
    void writeGame(const std::vector<Patch>& texts) {
        path = gameFile("game.bin", texts);
        before = test::readAll(path);
    }
    QWidget* open() { return loadAndLaunch(path); }
    QStringList texts() const { return {box(0)->text(), box(1)->text(), box(2)->text()}; }

    // The file as it was, with bytes put in place.
    std::string expected(const std::vector<Patch>& patches) const {
        std::string bytes = before;
        for (const auto& patch : patches) {
            bytes.replace(patch.offset, patch.bytes.size(), patch.bytes);
        }
        return bytes;
    }
    // The file's bytes, or what stands in its place.
    std::string now() const {
        if (std::filesystem::is_directory(path)) {
            return "(a folder)";
        }
        return std::filesystem::exists(path) ? test::readAll(path) : "(nothing)";
    }

    std::string path;
    std::string before;
};

TEST_F(EditorSaveTest, WritesWhatItReadAsReadAndPadsEveryBoxToItsLimit) {
    ASSERT_NE(open(), nullptr);
    ASSERT_EQ(texts(), QStringList({"ABCab", "XY ", "A a=B"}));
    click("save");
    EXPECT_EQ(now(), before);

    type(0, "Ab");
    type(1, "Y");
    type(2, "=a");
    QStringList seen;  // the padding goes into the box while the save runs
    QObject::connect(box(0), &QLineEdit::textChanged,
                     [&] { seen << QString::number(button("save")->isEnabled()) + button("save")->text(); });
    click("save");
    EXPECT_EQ(seen, QStringList{"0Saving data..."});
    EXPECT_EQ(dialogs.log(), QStringList(2, test::shown(Icon::Information, "Writing complete!")));
    EXPECT_EQ(texts(), QStringList({"Ab   ", "Y  ", "=a   "}));
    EXPECT_EQ(now(), expected({{kTexts, "Ab   "},
                               {kTexts + 0x10, std::string("\x8A\x0C\x00\x00\x00\x00", 6)},
                               {kTexts + 0x20, "=a   "}}));
    EXPECT_TRUE(button("save")->isEnabled());
    EXPECT_EQ(button("save")->text(), "Save data to file");
}

TEST_F(EditorSaveTest, AfterASaveTheFocusStaysWhereItWas) {
    ASSERT_NE(open(), nullptr);
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor));
    button("save")->setFocus();
    click("save");
    // Had it moved on, the next key pressed would replace a whole text the user did not mean to touch.
    EXPECT_EQ(QApplication::focusWidget(), button("save"));
    EXPECT_FALSE(box(0)->hasSelectedText());
}

TEST_F(EditorSaveTest, TheEditorKeepsTheFileTemplateAndTitleItOpenedWith) {
    ASSERT_NE(open(), nullptr);
    const auto other = gameFile("other.bin", {{kTexts, "CCCCC"}});
    const auto otherBefore = test::readAll(other);
    load(other);
    ASSERT_EQ(test::qs(launcher->state().loadedPath), QString::fromStdString(other));
    // And a template forced later, with other addresses and another name.
    folder.writeTemplate("moved.ini", templateText({{"Moved", "0", 5, kTexts + 0x80}}));
    launcher->applyForcedTemplate(gamesPath("moved.ini").toStdString(), "Moved");

    type(0, "BB");
    click("save");
    EXPECT_EQ(dialogs.texts(), QStringList{"Writing complete!"});
    EXPECT_EQ(now(), expected({{kTexts, "BB   "}}));
    EXPECT_EQ(test::readAll(other), otherBefore);
    EXPECT_EQ(editor->windowTitle(), "Romquill - Sonic The Hedgehog 2");
}

// A save the editor refuses: one message naming what is wrong, nothing written, the button back. The texts go
// into the first and third boxes as a paste would, so that characters QTest cannot type get in. In messages
// "{file}", "{games}" and "{alphabets}" stand for the game file and the program's folders.
struct Refusal {
    const char* name;
    QString first, third;                         // empty: left as read
    std::function<void(EditorSaveTest&)> change;  // after the editor opened, before the save
    QString message;
    QString firstAfter;  // the first box afterwards: the padding shows even though nothing was written
    Icon icon = Icon::Exclamation;
    friend void PrintTo(const Refusal& row, std::ostream* out) { *out << row.name; }
};

const QString kSmile = QStringLiteral("\U0001F600");
const auto kNoChange = [](EditorSaveTest&) {};
const auto kWithOneEntry = [](EditorSaveTest& t) { t.writeGameTemplate({{"First", "0", 5, kTexts}}); };
const auto kWithOldAlphabet = [](EditorSaveTest& t) {
    t.writeAlphabet("two.ini", "[AlphabetAndFileInfo]\r\nCharLength=0\r\n");
};
const auto kFileGone = [](EditorSaveTest& t) { std::filesystem::remove(t.path); };
const auto kReadOnly = [](EditorSaveTest& t) {
    std::filesystem::permissions(t.path,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
};

const Refusal kRefusals[] = {
    {"InvalidCharacter", "BA", "AZ", kNoChange, invalid("Z", "AZ   "), "BA   "},
    // Padded in characters, as the core counts them: one beyond the BMP is one.
    {"TwoUtf16UnitsAreOneKey", "A" + kSmile, "A", kNoChange, invalid(kSmile, "A" + kSmile + "   "),
     "A" + kSmile + "   "},
    {"TemplateChangedItsEntries", "B", "", kWithOneEntry,
     "The template {games}game.ini now has 1 entries, not the 3 this editor shows. "
     "Nothing was written; close the editor and launch it again.",
     "B    "},
    // Stopped before the padding.
    {"AlphabetBecameOlderThan09", "B", "", kWithOldAlphabet,
     "Pre-RQL 0.9 Alphabet file detected, stopping the save to avoid errors. Please check template "
     "{alphabets}two.ini for the field 'AlphabetAndFileInfo --> CharLength'.",
     "B", Icon::Critical},
    {"FileReadOnly", "B", "", kReadOnly, "The file \"{file}\" cannot be opened for writing.", "B    ",
     Icon::Critical},
    {"FileGone", "B", "", kFileGone, "The file \"{file}\" does not exist.", "B    ", Icon::Critical},
};

class EditorRefusedSaveTest : public EditorSaveTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(EditorRefusedSaveTest, NamesTheCauseAndWritesNothing) {
    const Refusal& row = GetParam();
    ASSERT_NE(open(), nullptr);
    for (const auto& [slot, text] : {std::pair{0, row.first}, std::pair{2, row.third}}) {
        if (!text.isEmpty()) {
            box(slot)->setText(QString());
            box(slot)->insert(text);
        }
    }
    row.change(*this);
    // Only a file that cannot be opened for writing is refused as such; root opens any.
    if (std::FILE* probe =
            row.message.contains("cannot be opened") ? std::fopen(path.c_str(), "r+b") : nullptr) {
        std::fclose(probe);
        GTEST_SKIP() << "a read-only file can still be written here";
    }
    const std::string was = now();
    click("save");
    const QString message = withPaths(row.message).replace("{file}", QString::fromStdString(path));
    EXPECT_EQ(dialogs.log(), QStringList{test::shown(row.icon, message)});
    EXPECT_EQ(now(), was);
    EXPECT_EQ(box(0)->text(), row.firstAfter);
    EXPECT_TRUE(button("save")->isEnabled());
    EXPECT_EQ(button("save")->text(), "Save data to file");
}

INSTANTIATE_TEST_SUITE_P(Saves, EditorRefusedSaveTest, ::testing::ValuesIn(kRefusals), test::rowName);

// Closing asks only when the boxes differ from what was read or last saved.
struct CloseCase {
    const char* name;
    QString typed;  // into the first box; empty: nothing typed
    bool saveFirst;
    std::optional<Answer> answer;  // none: no question
    bool closes;
    QString after;                // the message after the answer, if any
    const char* written;          // what the first entry holds at the end; nullptr: the file is unchanged
    bool shortFirstText = false;  // the first text reads shorter than its limit, the third cannot be saved
    friend void PrintTo(const CloseCase& row, std::ostream* out) { *out << row.name; }
};

const QString kSaved = test::shown(Icon::Information, "Writing complete!");
const CloseCase kCloseCases[] = {
    {"EditedBackToWhatWasRead", "ABCab", false, std::nullopt, true, "", nullptr},
    {"AfterASave", "A", true, std::nullopt, true, "", "A    "},
    {"EditedAnsweredCancel", "B", false, Answer::Cancel, false, "", nullptr},
    {"EditedAnsweredNo", "B", false, Answer::No, true, "", nullptr},
    {"EditedAnsweredYes", "B", false, Answer::Yes, true, kSaved, "B    "},
    {"EditedAnsweredYesButTheSaveFails", "Z", false, Answer::Yes, false,
     test::shown(Icon::Exclamation, invalid("Z", "Z    ")), nullptr},
    // The padding of a refused save is no edit of the user's.
    {"PaddedByARefusedSave", "", true, std::nullopt, true, "", nullptr, true},
};

class EditorCloseTest : public EditorSaveTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(EditorCloseTest, AsksOnlyAboutUnsavedEdits) {
    const CloseCase& row = GetParam();
    if (row.shortFirstText) {  // the code 7F shows as nothing
        writeGame({{kTexts, "A\x7F\x7F\x7F\x7F"}, {kTexts + 0x20, std::string("A\x01") + "BBB"}});
    }
    ASSERT_NE(open(), nullptr);
    if (!row.typed.isEmpty()) {
        type(0, "A");
        type(0, row.typed);
    }
    if (row.saveFirst) {
        click("save");
    }
    dialogs.clear();
    if (row.answer) {
        dialogs.answer(*row.answer);
    }
    EXPECT_EQ(editor->close(), row.closes);
    QStringList expectedLog;
    if (row.answer) {
        expectedLog << test::shown(
            Icon::Exclamation,
            "Some texts have been edited but not saved. Save them to the file before closing?",
            Dialogs::Buttons::YesNoCancel);
    }
    if (!row.after.isEmpty()) {
        expectedLog << row.after;
    }
    EXPECT_EQ(dialogs.log(), expectedLog);
    EXPECT_EQ(test::openWindows("editor").size(), row.closes ? 0 : 1);
    EXPECT_EQ(now(), row.written ? expected({{kTexts, row.written}}) : before);
}

INSTANTIATE_TEST_SUITE_P(Closing, EditorCloseTest, ::testing::ValuesIn(kCloseCases), test::rowName);

}  // namespace
}  // namespace rq
