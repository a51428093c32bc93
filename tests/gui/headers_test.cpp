// The GBA and Mega Drive header editors: loading and saving through their dialogs, the separator warning,
// the checksum line and its fix, the maker-code boxes and the question when closing with unsaved edits. The
// field tables, reading, padding and check values are the core's, tested there.

#include "kit/qtcodepage.h"
#include "kit/windowtools.h"
#include "support/launcher_fixture.h"

namespace rq::test {

using namespace rq::kit;
namespace {

const QString kGba = "Romquill - GBA ROM Header Editor";
const QString kMd = "Romquill - Megadrive ROM Header Editor";

class HeadersTest : public LauncherFixture {
  public:
    QWidget* open(const QString& name) {
        item(name == "gbamain" ? "mnuFileGBAROMHeader" : "mnuFileMDROMHeader")->trigger();
        return window = openWindow(name);
    }
    // Picks the file in the editor's load dialog; nothing: the dialog is cancelled.
    void choose(const std::optional<std::string>& path) {
        dialogs.files = path ? QStringList{qs(*path)} : QStringList();
        click("load");
    }
    QString text(const char* label) const { return child<QLabel>(label)->text(); }
    // The caption, the checksum line and the texts of the boxes named, "(locked)" and "[hidden]".
    QString shownTexts(const QString& names) const {
        QStringList texts{window->windowTitle(), text("checksum")};
        for (const QString& name : names.split(' ')) {
            const QString text =
                child(name)->isReadOnly() ? "(" + child(name)->text() + ")" : child(name)->text();
            texts << (child(name)->isVisibleTo(window) ? text : "[" + text + "]");
        }
        return texts.join('|');
    }
};

// A GBA image whose title ends at a zero byte with more after it, which only an edit may overwrite.
std::string gbaImage(const TempDir& dir, const std::string& name) {
    const std::string header = std::string("SHORT\0TAIL!!", 12) + "AXYE01";
    writeImage(dir.file(name), {{0xA0, header}, {0xB4, "\xB4"}, {0xBC, "\x07"}}, 0x200);
    return dir.file(name);
}

// Each editor, its title and its file: the fields named and what shows of them, the field edited, the text
// typed, and where and what it writes.
using EditorRow = std::tuple<const char*, QString, std::string (*)(HeadersTest&), QString, QString, QString,
                             QString, std::uint64_t, std::string>;

const EditorRow kEditors[] = {
    {"gbamain", kGba, [](HeadersTest& t) { return gbaImage(t.games, "gba.gba"); },
     "romtitle shortname region maker devicetype version",
     kGba +
         " - SHORT (XY)|Checksum: wrong: the header holds 0x00, the file needs 0x98|SHORT|XY|E|01|(B4)|(07)",
     "shortname", "Q", 0xAD, std::string("Q\0", 2)},
    // The domestic name and the modem field are padded with spaces, which the boxes leave out.
    {"mdmain", kMd,
     [](HeadersTest& t) {
         return t.megaDrive("md.bin", {{0x120, "SONIC" + std::string(43, ' ')},
                                       {0x1BC, std::string(12, ' ')},
                                       {0x1C8, std::string("memo\0more", 9)},
                                       {0x200, "\x12\x34"}});
     },
     "consolename domesticname productcode dash modem memo",
     kMd + " - SONIC|Checksum: wrong: the header holds 0x0000, the file needs 0x1234|SEGA MEGA "
           "DRIVE|SONIC|00001051|[(-)]||memo",
     "domesticname", "ABC", 0x120, "ABC" + std::string(45, ' ')},
};

class HeaderEditorTest : public HeadersTest, public ::testing::WithParamInterface<EditorRow> {};

TEST_P(HeaderEditorTest, ShowsItsFieldsSavesOnlyTheEditedOnePaddedAndAsksAboutUnsavedEdits) {
    const auto& [name, title, image, controls, fields, edited, typed, offset, written] = GetParam();
    const auto launcherBefore = launcherView();
    const std::string file = image(*this);
    ASSERT_NE(open(name), nullptr);
    EXPECT_EQ(window->windowTitle() + text("path"), title + " - No ROM loadedNo rom loaded.");
    click("save");
    choose(file);
    EXPECT_EQ(dialogs.requestTitle, "Select a ROM");
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Exclamation, "No ROM loaded!", {}, title)});
    EXPECT_EQ(shownTexts(controls), fields);
    dialogs.log.clear();
    click("save");
    EXPECT_EQ(dialogs.log,
              QStringList{
                  shown(Icon::Information,
                        "No field has been changed since it was read or last saved, so nothing was written.",
                        {}, title)});

    // Loading over an unsaved edit asks first; Cancel keeps it, and opens no file dialog (a cancelled one
    // would say so). The edited field is written padded, and shown as the file now holds it; the rest stays
    // as it was.
    dialogs.log.clear();
    std::string expected = readAll(file);
    paste(edited, typed);
    dialogs.answer = Answer::Cancel;
    click("load");
    click("save");
    EXPECT_EQ(dialogs.log, QStringList({askToSave(title, "loading another ROM"), saved(title)}));
    EXPECT_EQ(readAll(file), expected.replace(offset, written.size(), written));
    EXPECT_EQ(child(edited)->text(), fromCodePage(written).remove(QChar(0)).trimmed());

    // A file gone by the save is told under the window's title, and nothing is said to be written; closing
    // asks, and its save failing as well keeps the window open.
    dialogs.log.clear();
    std::filesystem::remove(file);
    paste(edited, "Z");
    click("save");
    dialogs.answer = Answer::Yes;
    EXPECT_FALSE(window->close());
    ASSERT_EQ(dialogs.log.size(), 3);
    EXPECT_TRUE(dialogs.log[0].startsWith(title + " [Critical, Ok]")) << dialogs.log[0].toStdString();
    EXPECT_EQ(dialogs.log.mid(1), QStringList({askToSave(title), dialogs.log[0]}));
    EXPECT_EQ(launcherView(), launcherBefore);
}

INSTANTIATE_TEST_SUITE_P(Editors, HeaderEditorTest, ::testing::ValuesIn(kEditors), rowName);

TEST_F(HeadersTest, RefusedLoadsChangeNothingAndTheSeparatorShowsOnlyWhenItIsNotADash) {
    ASSERT_NE(open("mdmain"), nullptr);
    const QString notMd = shown(Icon::Information,
                                "This is not a Megadrive ROM. Please select a Megadrive ROM image.", {}, kMd);
    const QString warning = shown(
        Icon::Exclamation,
        "This ROM does not match Sega's specified format for the product number. Adding extra text field.",
        {}, kMd);
    const QString none = "No rom loaded.|" + kMd + " - No ROM loaded|||[()]|";
    const QString loaded = kMd + " - |Checksum: ";
    // The case, the file chosen (none: cancelled), the messages, and the path's file name, shownTexts, then
    // what the separator's note says.
    const std::tuple<const char*, std::optional<std::string>, QString, QString> rows[] = {
        {"cancelled", std::nullopt, shown(Icon::Information, "No new ROM loaded.", {}, kMd), none},
        {"GBA file", gbaImage(games, "gba.gba"), notMd, none},
        {"space", megaDrive("space.BIN", {}, "00001051 01"), warning,
         "space.BIN|" + loaded + "right (0x0000)|SEGA MEGA DRIVE|( )|Separator: \" \", not \"-\""},
        {"dash again", megaDrive("dash.bin"), "",
         "dash.bin|" + loaded + "right (0x0000)|SEGA MEGA DRIVE|[(-)]|"},
        {"missing file", games.file("gone.bin"), shown(Icon::Critical, "ROM not found!") + "\n" + warning,
         "gone.bin|" + loaded + "unknown||()|Separator: a zero byte, not \"-\""},
    };
    const auto* note = window->findChild<QLabel*>("dash_note");
    for (const auto& [name, file, messages, expected] : rows) {
        dialogs.log.clear();
        choose(file);
        EXPECT_EQ(dialogs.log.join('\n'), messages) << name;
        EXPECT_EQ(QFileInfo(text("path")).fileName() + "|" + shownTexts("consolename dash") + "|" +
                      (note->isVisibleTo(window) ? note->text() : ""),
                  expected)
            << name;
    }
    // Marked by more than a colour: a frame, in the palette's own text colour, beside the note.
    EXPECT_TRUE(child("dash")->styleSheet().contains("border: 2px solid palette(window-text)"));
}

// Tab passes the locked boxes by, in the order the window shows its controls; a long path is elided as in
// the launcher; the maker codes come in six boxes (the core holds them).
TEST_F(HeadersTest, TabFollowsTheScreenAndTheChecksumFixAsksFirstAndWritesOnlyItsByte) {
    ASSERT_NE(open("gbamain"), nullptr);
    QStringList stops;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != 0) {
            stops << w->objectName();
        }
    }
    EXPECT_EQ(stops.join(' '), "romtitle shortname load region maker save about makercodes fixchecksum");

    const std::string path = games.file(std::string(200, 'f') + ".gba");
    writeImage(path, {{0x1FF, "x"}});  // zeros: the right check byte is 0xE7
    choose(path);
    const auto* label = dynamic_cast<PathLabel*>(child<QLabel>("path"));  // elided as the launcher's
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->toolTip(), qs(path));
    click("makercodes");
    ASSERT_EQ(dialogs.log.size(), 6);
    EXPECT_TRUE(dialogs.log[0].startsWith(shown(Icon::Information, "01 - Nintendo\n02 - ", {}, kGba)));

    dialogs.log.clear();
    EXPECT_EQ(text("checksum"), "Checksum: wrong: the header holds 0x00, the file needs 0xE7");
    const std::string before = readAll(path);
    const QString ask =
        shown(Icon::Exclamation,
              "The header holds the checksum 0x00, but the file needs 0xE7. Write 0xE7 into the header?",
              Dialogs::Buttons::YesNo, kGba);
    click("fixchecksum");
    EXPECT_EQ(readAll(path), before);
    dialogs.answer = Answer::Yes;
    click("fixchecksum");
    EXPECT_EQ(readAll(path), std::string(before).replace(0xBD, 1, "\xE7"));
    EXPECT_EQ(text("checksum"), "Checksum: right (0xE7)");
    EXPECT_EQ(dialogs.log, QStringList({ask, ask, saved(kGba)}));

    // A save that makes it wrong says so.
    dialogs.log.clear();
    paste("romtitle", "A");
    click("save");
    EXPECT_EQ(dialogs.log.value(1),
              shown(Icon::Exclamation,
                    "The header's checksum no longer matches the file: it holds 0xE7, the file now needs "
                    "0xA6. \"Fix Checksum...\" writes the right value.",
                    {}, kGba));
    EXPECT_EQ(text("checksum"), "Checksum: wrong: the header holds 0xE7, the file needs 0xA6");
}

// A character without a byte in the code page is marked as it is typed, as the editors mark it; the save
// would refuse it.
TEST_F(HeadersTest, ACharacterWithoutAByteIsMarkedWhileTyping) {
    ASSERT_NE(open("mdmain"), nullptr);
    choose(megaDrive("md.bin"));
    // The mark's frame comes with its tooltip (the editors' tests).
    paste("domesticname", QStringLiteral("CAF\u00C9 \u0416"));
    EXPECT_EQ(child("domesticname")->toolTip(),
              QStringLiteral("Cannot be saved: '\u0416' (no byte in code page 1252)"));
    paste("domesticname", QStringLiteral("CAF\u00C9"));
    EXPECT_EQ(child("domesticname")->toolTip(), "");
}

// The demo file's header as the Mega Drive header lays it out: "(C)", the company code in four, a space,
// the year, "." and the month; its checksum right, its separator a dash.
TEST_F(HeadersTest, TheDemoFilesHeaderIsWhatTheHeaderEditorExpects) {
    loadDemo("demo.ini");
    EXPECT_EQ(readAll(path).substr(0x110, 16), "(C)RQL  2026.DEC");
    ASSERT_NE(open("mdmain"), nullptr);
    dialogs.log.clear();
    choose(path);
    EXPECT_EQ(dialogs.log, QStringList());
    // The checksum's sum is the core's, tested there against figures of its own.
    EXPECT_TRUE(text("checksum").startsWith("Checksum: right (")) << text("checksum").toStdString();
    EXPECT_EQ(shownTexts("copyrightcompany year month typeofproduct productcode dash versionnumber region"),
              kMd + " - ROMQUILL DEMO|" + text("checksum") + "|RQL|2026|DEC|GM|RQDEMO01|[(-)]|00|JUE");
}

}  // namespace
}  // namespace rq::test
