#include <QAction>
#include <filesystem>

#include "support/launcher_fixture.h"

namespace rq {
namespace {

using Icon = Dialogs::Icon;
using test::Patch;
using test::shown;

const QColor kGamePicture(Qt::green);
const QColor kOtherPicture(Qt::yellow);
const QString kSonic2 = QStringLiteral("Sonic The Hedgehog 2");
const QString kNoRomLoaded = QStringLiteral("No ROM Loaded");
const QString kLaunch = QStringLiteral("Launch!");
const QString kNonSonic = QStringLiteral("Non-Sonic ROM, please load a template.");

// "Sonic The Hedgehog 2" finds its template sonic2.ini; other.ini is a template with another picture.
class LauncherTest : public test::LauncherFixture {
  protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        test::writePicture(folder.path("gfx\\sonic2.dat"), kGamePicture);
        test::writePicture(folder.path("gfx\\other.dat"), kOtherPicture);
        folder.writeLoaderIni("[gamenames]\nSonic The Hedgehog 2=sonic2.ini\n");
        folder.writeTemplate("sonic2.ini", "[GameAndFileInfo]\nPicture=sonic2.dat\n");
        folder.writeTemplate("other.ini", "[GameAndFileInfo]\nPicture=other.dat\n");
    }
    std::string sonic2() const { return megaDrive("sonic2.bin", "00001051-01"); }
};

// What only the window shows of a load (its decisions are the model's): the labels, the title, the picture,
// the buttons, the messages, and what "Force load a template" does then.
struct LoadRow {
    const char* name;
    const char* file;  // nullptr: nothing loaded since start-up
    std::vector<Patch> bytes;
    QString message;         // the one message shown (with no icon), if any
    QString title, romName;  // rom_name as stored: "&&" shows as "&"
    bool goEnabled;
    QString goText;
    QColor picture;     // black: norom.dat; blue: the PC executable's (E) picture
    QString forceAsks;  // the message "Force load a template" shows first, if any; answered No
    bool chooserOpens;
    bool pcButton = false;
    friend void PrintTo(const LoadRow& row, std::ostream* out) { *out << row.name; }
};

const QString kChooseFile = shown(Icon::Information, "Please choose a file.");
const QString kReallyChoose = shown(
    Icon::Exclamation, "A template has already been selected for this file. Really choose a different one?",
    Dialogs::Buttons::YesNo);
const QString kPcE = QStringLiteral("Sonic Adventure DX PC (E)");
// "Sonic && Knuckles" is told from "Sonic & Knuckles" by its size.
const std::vector<Patch> kSkImage{{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-1563 -00"}, {0x1FFFFF, "\x01"}};
const std::vector<Patch> kOtherImage{{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-9999 -00"}};
const std::vector<Patch> kPcEImage{{0, "MZ"}, {0x3E04FD, "Now, you can play with SONIC!"}};

const LoadRow kLoadRows[] = {
    {"StartUp", nullptr, {}, "", "Romquill", kNoRomLoaded, false, kLaunch, Qt::black, kChooseFile, false},
    {"SupportedGameWithTemplate", "sk.bin", kSkImage, "", "Romquill - Sonic && Knuckles", "Sonic && Knuckles",
     true, kLaunch, kOtherPicture, kReallyChoose, false},
    {"UnsupportedGame", "other.bin", kOtherImage, "This Megadrive ROM is not supported.", "Romquill", "",
     false, kNonSonic, Qt::black, "", true},
    {"PcExecutable", "sonic.exe", kPcEImage, "", "Romquill - " + kPcE, kPcE, false, kLaunch, Qt::blue, "",
     false, true},
};

class LauncherLoadTest : public LauncherTest, public ::testing::WithParamInterface<LoadRow> {};

TEST_P(LauncherLoadTest, ShowsWhatTheLoadFound) {
    const LoadRow& row = GetParam();
    QString path = kNoRomLoaded;
    if (row.file != nullptr) {
        folder.writeLoaderIni("[gamenames]\nSonic && Knuckles=other.ini\n");
        path = QString::fromStdString(games.file(row.file));
        test::writeImage(path.toStdString(), row.bytes);
        load(path.toStdString());
    }
    EXPECT_EQ(dialogs.log(),
              row.message.isEmpty() ? QStringList() : QStringList{shown(Icon::None, row.message)});
    EXPECT_EQ(label("path")->text(), path);
    EXPECT_EQ(launcher->windowTitle(), row.title);
    EXPECT_EQ(label("rom_name")->text(), QString(row.romName).replace("&&", "&"));
    EXPECT_EQ(launcher->romNameText(), row.romName);
    EXPECT_EQ(button("go")->isEnabled(), row.goEnabled);
    EXPECT_EQ(button("go")->text(), row.goText);
    EXPECT_EQ(picture(), row.picture);
    // The PC executable's own button lies over go and force_button, which are out of the keyboard's reach.
    EXPECT_EQ(button("sadxpc")->isVisible() && button("sadxpc")->isEnabled(), row.pcButton);
    EXPECT_EQ(button("force_button")->isEnabled(), !row.pcButton);

    dialogs.clear();
    press("force_button");
    EXPECT_EQ(dialogs.log(), row.forceAsks.isEmpty() ? QStringList() : QStringList{row.forceAsks});
    EXPECT_EQ(test::openWindow("template_chooser") != nullptr, row.chooserOpens);
}

INSTANTIATE_TEST_SUITE_P(Loads, LauncherLoadTest, ::testing::ValuesIn(kLoadRows), test::rowName);

TEST_F(LauncherTest, AFailedLoadKeepsThePreviousFile) {
    load(sonic2());
    const QStringList before = launcherView();
    dialogs.clear();
    load(games.file("gone.bin"));
    EXPECT_EQ(dialogs.log(), QStringList{shown(Icon::Information, "No new ROM loaded.")});
    EXPECT_EQ(launcherView(), before);
    EXPECT_EQ(dialogs.fileRequests().front().title, "Select a ROM...");
}

TEST_F(LauncherTest, AMissingPictureEndsTheLoadAndKeepsThePreviousPicture) {
    load(sonic2());
    std::filesystem::remove(folder.path("gfx\\norom.dat"));
    load(megaDrive("other.bin", "MK-9999 -00"));
    EXPECT_EQ(dialogs.texts(), (QStringList{"This Megadrive ROM is not supported.", "No new ROM loaded."}));
    EXPECT_EQ(picture(), kGamePicture);
    // What came before the picture took effect.
    EXPECT_EQ(button("go")->text(), kNonSonic);
    EXPECT_TRUE(test::qs(launcher->state().detectedGame).isEmpty());
    EXPECT_TRUE(test::qs(launcher->state().templatePath).isEmpty());
}

TEST_F(LauncherTest, LaunchOpensTheEditorOnceAndGivesTheButtonBackEachTime) {
    load(sonic2());
    press("go");
    QWidget* editor = test::openWindow("editor");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), "Romquill - " + kSonic2);
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), kLaunch);

    // A second launch only brings the open editor to the front, and the button comes back at once.
    press("go");
    EXPECT_EQ(test::openWindows("editor").size(), 1);
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), kLaunch);
}

TEST_F(LauncherTest, MenuItemsOpenEachWindowOnceAndExitClosesOnlyTheLauncher) {
    for (const auto& [action, window] :
         {std::pair{"mnuFileGBAROMHeader", "gbamain"}, std::pair{"mnuFileMDROMHeader", "mdmain"},
          std::pair{"mnuHelpAbout", "about"}}) {
        SCOPED_TRACE(action);
        auto* item = launcher->findChild<QAction*>(QLatin1String(action));
        ASSERT_NE(item, nullptr);
        item->trigger();
        item->trigger();
        EXPECT_EQ(test::openWindows(QLatin1String(window)).size(), 1);
    }
    launcher->findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_EQ(test::openWindows("about").size() + test::openWindows("gbamain").size(), 2);
}

}  // namespace
}  // namespace rq
