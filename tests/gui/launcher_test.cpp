// The program as it starts, and the launcher window: what it shows of a load (the model decides it), its
// menus, the about window and the template chooser it opens. Launching is in the editor's tests.

#include <QByteArray>
#include <QDir>
#include <QListWidget>
#include <QRegularExpression>
#include <algorithm>

#include "kit/windowtools.h"
#include "support/launcher_fixture.h"
#include "support/tool_run.h"

namespace rq::test {

using namespace rq::about;
using namespace rq::files;
using namespace rq::kit;
using namespace rq::launcher;
namespace {

using LauncherTest = LauncherFixture;

const QString kLaunchOff = QStringLiteral("Launch! (disabled)");
const QString kAsk = shown(
    Icon::Exclamation, "A template has already been selected for this file. Really choose a different one?",
    Dialogs::Buttons::YesNo);
// "Sonic && Knuckles" is told from "Sonic & Knuckles" by its size.
const std::vector<Patch> kSk{{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-1563 -00"}, {0x1FFFFF, "\x01"}};
const std::vector<Patch> kPc{{0, "MZ"}, {0x3E04FD, "Now, you can play with SONIC!"}};

// What a load shows (the title is checked with the chooser); then "Force load a template" is pressed, and a
// question answered No. The file's bytes (none: nothing loaded since start-up), rom_name, go, the picture,
// whether the executable's own button covers go and force_button, the messages, whether the chooser opens,
// and whether the file is named on the command line, relative to the current folder, rather than picked.
using LoadRow =
    std::tuple<const char*, std::vector<Patch>, QString, QString, QColor, bool, QStringList, bool, bool>;

const LoadRow kLoads[] = {
    {"StartUp", std::vector<Patch>(), "No ROM Loaded", kLaunchOff, Qt::black, false,
     QStringList{shown(Icon::Information, "Please choose a file.")}, false, false},
    {"PcExecutable", kPc, "Sonic Adventure DX PC (E)", kLaunchOff, Qt::blue, true, QStringList(), false,
     false},
    {"GameNamedOnTheCommandLine", kSk, "Sonic & Knuckles", "Launch!", Qt::green, false, QStringList{kAsk},
     false, true},
};

class LauncherLoadTest : public LauncherTest, public ::testing::WithParamInterface<LoadRow> {};

TEST_P(LauncherLoadTest, ShowsWhatTheLoadFound) {
    const auto& [name, bytes, romName, go, colour, pc, messages, chooserOpens, named] = GetParam();
    const std::string file = games.file(pc ? "sonic.exe" : "rom.bin");
    if (named) {
        writeImage(file, bytes);
        const QString here = QDir::currentPath();
        QDir::setCurrent(qs(games.path().string()));
        launcher->loadFile("./rom.bin");
        QDir::setCurrent(here);
        EXPECT_EQ(dialogs.requestTitle, "");  // no file dialog
    } else if (!bytes.empty()) {
        writeImage(file, bytes);
        load(file);
    }
    // The whole path: a long one is elided (a test of its own).
    EXPECT_EQ(dynamic_cast<kit::PathLabel*>(label("path"))->path(),
              bytes.empty() ? "No ROM Loaded" : qs(file));
    EXPECT_EQ(label("rom_name")->text(), romName);
    EXPECT_EQ(caption(button("go")), go);
    EXPECT_EQ(picture(), colour);
    EXPECT_EQ(button("sadxpc")->isVisible() && button("sadxpc")->isEnabled(), pc);
    EXPECT_EQ(button("force_button")->isEnabled(), !pc);
    press("force_button");
    EXPECT_EQ(dialogs.log, messages);
    EXPECT_EQ(openWindow("template_chooser") != nullptr, chooserOpens);
}

INSTANTIATE_TEST_SUITE_P(Loads, LauncherLoadTest, ::testing::ValuesIn(kLoads), rowName);

// The model gives the picture's path, or none when the load failed; the picture shown stays unless another
// can be shown, and one that cannot ends the load after what came before it. A long path is elided in the
// middle.
TEST_F(LauncherTest, APictureStaysShownUntilAnotherCanBeAndALongPathIsElided) {
    const QString noNewRom = shown(Icon::Information, "No new ROM loaded.");
    const std::string deep = std::string(80, 'f') + "/" + std::string(80, 'g');
    std::filesystem::create_directories(games.file(deep));
    load(path = megaDrive(deep + "/rom.bin"));
    const QLabel* elided = label("path");
    EXPECT_TRUE(elided->text().contains(QChar(0x2026)) && elided->text().endsWith("rom.bin"))
        << elided->text().toStdString();
    EXPECT_LE(elided->fontMetrics().horizontalAdvance(elided->text()), elided->width());
    EXPECT_EQ(elided->toolTip(), qs(path));
    load(games.file("gone.bin"));
    EXPECT_EQ(dialogs.requestTitle, "Select a ROM...");
    EXPECT_EQ(dialogs.log, QStringList{noNewRom});
    EXPECT_EQ(picture(), QColor(Qt::green));
    std::filesystem::remove(folder.path("gfx\\norom.dat"));
    load(megaDrive("other.bin", {}, "MK-9999 -00"));
    EXPECT_EQ(dialogs.log,
              (QStringList{noNewRom, shown(Icon::None, "This Megadrive ROM is not supported."), noNewRom}));
    EXPECT_EQ(picture(), QColor(Qt::green));
    EXPECT_EQ(caption(button("go")), "Non-Sonic ROM, please load a template. (disabled)");
}

// A save cut short leaves an undo file: loading the file asks before identification reads it.
TEST_F(LauncherTest, ALoadOfAFileWhoseSaveWasInterruptedOffersToPutItsOldBytesBack) {
    const std::string file = megaDrive("sonic2.bin");
    const std::string before = readAll(file);
    const QString ask = shown(Icon::Exclamation,
                              "A save of \"" + qs(file) +
                                  "\" was interrupted: some of its texts may be written and others not. Put "
                                  "back the bytes the file had before that save?\n\nYes restores them. No "
                                  "keeps the file as it is now and forgets the interrupted save.",
                              Dialogs::Buttons::YesNo);
    for (const Answer answer : {Answer::Yes, Answer::No}) {
        setWriteFaults({nullptr, 2, nullptr});
        ASSERT_FALSE(writeBare(file, std::vector<RoomWrite>{{0x200, "AB", "one"}, {0x210, "CD", "two"}}));
        setWriteFaults({});
        dialogs.log.clear();
        dialogs.answer = answer;
        load(file);
        EXPECT_EQ(dialogs.log.value(0), ask);
        EXPECT_EQ(readAll(file) == before, answer == Answer::Yes);
        EXPECT_FALSE(hasInterruptedSave(file));
        EXPECT_EQ(label("rom_name")->text(), "Sonic The Hedgehog 2");
    }
}

TEST_F(LauncherTest, MenuItemsOpenEachWindowOnceAndExitClosesOnlyTheLauncher) {
    for (const char* name : {"mnuFileGBAROMHeader", "mnuFileMDROMHeader", "mnuHelpAbout"}) {
        item(name)->trigger();
        item(name)->trigger();
    }
    for (const char* name : {"gbamain", "mdmain", "about"}) {
        EXPECT_EQ(openWindows(name).size(), 1) << name;
    }
    item("mnuExit")->trigger();
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_EQ(openWindows("about").size() + openWindows("gbamain").size(), 2);
}

// The about window: what Help, "About..." shows, how it closes, and what "System Info..." does with what the
// core's lookup finds (the lookup itself is tested in the core).
using AboutTest = LauncherFixture;

TEST_F(AboutTest, HelpAboutShowsItsTextsAndOkEnterAndEscapeCloseIt) {
    for (const int key : {0, int(Qt::Key_Return), int(Qt::Key_Escape)}) {  // 0: a click on OK
        item("mnuHelpAbout")->trigger();
        QPointer<QWidget> about = openWindow("about");
        ASSERT_NE(about, nullptr);
        const auto text = [&about](const char* name) { return about->findChild<QLabel*>(name)->text(); };
        EXPECT_EQ(
            QStringList({about->windowTitle(), text("lblTitle"), text("lblDisclaimer")}),
            QStringList({"About Romquill", "Romquill, v1.10",
                         "Warning: I take no responsibility for any damage WHATSOEVER that this program "
                         "causes to your PC. Even though it shouldn't do. Because I'm that damn 1337. =P"}));
        EXPECT_EQ(about->findChild<QLabel*>("picIcon")->pixmap().size(), QSize(32, 32));
        EXPECT_EQ(about->findChild<QPushButton*>("cmdOK")->text() +
                      about->findChild<QPushButton*>("cmdSysInfo")->text(),
                  "OK&System Info...");
        key ? QTest::keyClick(about, Qt::Key(key))
            : QTest::mouseClick(about->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(about.isNull()) << key;
    }
}

TEST_F(AboutTest, SystemInfoStartsWhatTheLookupFindsOrSaysItIsUnavailable) {
    const QString unavailable = shown(Dialogs::Icon::None, "System Information Is Unavailable At This Time");
    const struct {
        const char* found;  // the registry's PATH value, if it has one
        QStringList log;
    } rows[] = {{nullptr, {unavailable}},
#ifdef _WIN32
                {"C:\\nonexistent\\msinfo32.exe", {unavailable}},
                {"C:\\windows\\system32\\hostname.exe", {}}};
#else
                {"/nonexistent/msinfo32", {unavailable}},
                {"/bin/true", {}}};
#endif
    for (const auto& row : rows) {
        dialogs.log.clear();
        AboutWindow about(dialogs, [&row](about::RegistryRoot, const std::string&, const std::string&) {
            return row.found ? std::optional(about::RegistryValue{about::kRegString, row.found})
                             : std::nullopt;
        });
        QTest::mouseClick(about.findChild<QPushButton*>("cmdSysInfo"), Qt::LeftButton);
        EXPECT_EQ(dialogs.log, row.log) << (row.found ? row.found : "no value");
    }
}

const QString kRefusal = shown(
    Icon::Exclamation,
    "Template is either invalid or a newer template version than this version of the Romquill can support.");

std::string templateText(const std::string& details, const std::string& version = "v1.0") {
    return TemplateText{{}, {}, details, version}.str();
}

class ChooserTest : public LauncherFixture {
  protected:
    QWidget* openChooser() {
        // As back in the event loop: a chooser closed before is gone by the time the user clicks again.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        press("force_button");
        dialogs.log.clear();
        chooser = openWindow("template_chooser");
        list = chooser ? chooser->findChild<QListWidget*>("templates") : nullptr;
        return chooser;
    }
    // As a user does it: a click selects, and a second press makes the double-click.
    void click(const QString& name, bool twice = false) const {
        const QPoint at = list->visualItemRect(list->findItems(name, Qt::MatchExactly).value(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice) {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        }
    }
    // Game name, author, version, date and notes as the chooser shows them.
    QStringList details() const {
        QStringList shown;
        for (const QLabel* value : chooser->findChildren<QLabel*>(QRegularExpression("Value$"))) {
            shown << value->text();
        }
        return shown;
    }

    QWidget* chooser = nullptr;
    QListWidget* list = nullptr;
};

TEST_F(ChooserTest, ListsTheGamesFolderShowsDetailsAndForcesTheTemplateDoubleClicked) {
    // A file of a known kind that is no supported game: the chooser opens for it without a question.
    load(megaDrive("other.bin", {}, "MK-9999 -00"));
    folder.writeTemplate("a.ini",
                         templateText("GameName=Sonic && Knuckles\nAuthor=Ren\xE9\nVersionOfFile=1.2b\n"
                                      "Notes=Only the menus.\n"));
    folder.writeTemplate("B.ini", templateText("GameName=Newer\nPicture=missing.dat\n", "v2.0"));
    folder.writeTemplate("c", templateText("GameName=Game C\n"));
    folder.writeTemplate(".hidden.ini", templateText(""));
    folder.writeTemplate("sub\\inner.ini", templateText(""));  // a folder is no template
    // A "\" in a file's name must not lead into a folder (Windows allows none in a name).
#ifdef _WIN32
    const QString forced = "forced.ini";
#else
    const QString forced = "sub\\forced.ini";
#endif
    writeText((std::filesystem::path(folder.path("plugins\\games")) / forced.toStdString()).string(),
              templateText("GameName=Forced && Co\nPicture=pc-sadx-eng.dat\n"));
    // Disabled, the launch button still carries its instruction legibly.
    const QPalette go = button("go")->palette();
    EXPECT_GE(contrastRatio(go.color(QPalette::Disabled, QPalette::ButtonText),
                            go.color(QPalette::Disabled, QPalette::Button)),
              4.5);
    const QStringList before = launcherView();
    ASSERT_NE(openChooser(), nullptr);
    EXPECT_EQ(chooser->windowTitle(), "Romquill - Template Chooser");
    QStringList listed;
    for (const auto* item : list->findItems("", Qt::MatchContains)) {
        listed << item->text();
    }
    QStringList expected = {"a.ini", "B.ini", "c", "game.ini"};
    expected.insert(forced.startsWith('f') ? 3 : 4, forced);
    EXPECT_EQ(listed, expected);
    chooser->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chooser));
    // The first arrow key selects the first file rather than skipping it; B.ini is refused.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(details(), QStringList({"Sonic & Knuckles", QStringLiteral("Ren\u00E9"), "1.2b", "<error>",
                                      "Only the menus."}));
    for (const char* name : {"Sonic & Knuckles", "Game C"}) {
        QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(details().front(), name);
    }
    EXPECT_EQ(dialogs.log, QStringList{kRefusal});
    // Cancel leaves the launcher as it was.
    QTest::mouseClick(chooser->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    EXPECT_EQ(openWindow("template_chooser"), nullptr);
    EXPECT_EQ(launcherView(), before);

    ASSERT_NE(openChooser(), nullptr);
    click(forced, true);
    EXPECT_TRUE(dialogs.log.isEmpty());
    EXPECT_EQ(openWindow("template_chooser"), nullptr);
    // The launcher's file stays; the template, its name ("&&" shows as "&"), picture and go are forced.
    EXPECT_EQ(launcherView(),
              QStringList({"Romquill - Forced && Co", before[1], "Forced & Co", before[3], "Forced && Co",
                           gamesPath("") + forced, "Launch!", "#0000ff", "0"}));

    // Enter chooses as a double-click does. A file that fails the check is forced all the same, under the
    // name the details show; a picture that cannot be shown gives way to the no-ROM one without a word.
    dialogs.answer = Dialogs::Answer::Yes;
    ASSERT_NE(openChooser(), nullptr);
    chooser->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chooser));
    click("c");
    click("B.ini");
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(dialogs.log, QStringList{kRefusal});
    EXPECT_EQ(qs(launcher->state().templatePath), gamesPath("B.ini"));
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Game C");
    EXPECT_EQ(picture(), QColor(Qt::black));
}

// The program itself, run as a user runs it: what its command line does before any window opens.
// The name, the argument, the platform ("none-such": the program cannot start a window, as without a
// display), the exit status, the start of standard output (all of it when empty), the end of standard error.
using AppRow = std::tuple<const char*, const char*, const char*, int, std::string, std::string>;

const std::string kUsageLine = "Usage: romquill [OPTION]... [FILE]\n";

const AppRow kRuns[] = {
    {"Version", "--version", "none-such", 0, "romquill " ROMQUILL_VERSION "\n", ""},
    {"Help", "--help", "none-such", 0, kUsageLine, ""},
    {"UnknownOption", "--bogus", "offscreen", 2, "", "romquill: unknown option \"--bogus\".\n" + kUsageLine},
};

class AppTest : public ::testing::TestWithParam<AppRow> {};

TEST_P(AppTest, AnswersItsOptionsAndExits) {
    const auto& [name, arg, platform, exitCode, out, err] = GetParam();
    const QByteArray was = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform);
    const auto run = runTool(ROMQUILL_APP, {arg});
    qputenv("QT_QPA_PLATFORM", was);
    EXPECT_EQ(run.exitCode, exitCode);
    // The help goes on past its usage line; Qt may warn before the program's own words (run as root, without
    // XDG_RUNTIME_DIR).
    EXPECT_EQ(run.out.substr(0, out.empty() ? std::string::npos : out.size()), out);
    EXPECT_EQ(run.err.substr(run.err.size() - std::min(run.err.size(), err.size())), err);
}

INSTANTIATE_TEST_SUITE_P(Runs, AppTest, ::testing::ValuesIn(kRuns), rowName);

}  // namespace
}  // namespace rq::test
