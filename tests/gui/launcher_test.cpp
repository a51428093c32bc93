#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "launcher/loader.h"
#include "support/gui_helpers.h"
#include "support/launcher_fixture.h"
#include "support/scripted_dialogs.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using Icon = Dialogs::Icon;

const QColor kGamePicture(Qt::green);

class LauncherTest : public test::LauncherFixture {
  protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        test::writePicture(folder.path("gfx\\sonic2.dat"), kGamePicture);
    }

    QColor picture() const { return test::shownColour(label("romloaded")); }
    QString templatePath() const { return launcher->state().templatePath; }

    void load(const std::string& path) {
        dialogs.chooseFile(QString::fromStdString(path));
        QTest::mouseClick(button("load"), Qt::LeftButton);
    }

    std::string megaDrive(const std::string& name, const std::string& productCode) const {
        const auto path = games.file(name);
        test::writeImage(path, {{0x100, "SEGA MEGA DRIVE"}, {0x183, productCode}});
        return path;
    }
    std::string sonic2() const { return megaDrive("sonic2.bin", "00001051-01"); }
    std::string unsupportedRom() const { return megaDrive("other.bin", "MK-9999 -00"); }
    std::string pcExecutable(std::int32_t textAt) const {
        const auto path = games.file("sonic.exe");
        test::writeImage(path,
                         {{0, "MZ"}, {static_cast<std::uint64_t>(textAt), "Now, you can play with SONIC!"}});
        return path;
    }
    void withTemplateFor(const std::string& game, const std::string& picture = "sonic2.dat") const {
        folder.writeLoaderIni("[gamenames]\n" + game + "=sonic2.ini\n");
        folder.writeTemplate("sonic2.ini", "[GameAndFileInfo]\nPicture=" + picture + "\n");
    }
};

TEST_F(LauncherTest, StartsWithNoRomAndTheNoRomPicture) {
    EXPECT_EQ(launcher->windowTitle(), "Romquill");
    EXPECT_EQ(label("path")->text(), "No ROM Loaded");
    EXPECT_EQ(label("rom_name")->text(), "No ROM Loaded");
    EXPECT_FALSE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), "Launch!");
    EXPECT_FALSE(button("sadxpc")->isVisible());
    EXPECT_EQ(picture(), kNoRom);
    EXPECT_TRUE(templatePath().isEmpty());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(LauncherTest, AsksForAFileWithTheCompatibleFilesFilterFirst) {
    QTest::mouseClick(button("load"), Qt::LeftButton);
    ASSERT_EQ(dialogs.fileRequests().size(), 1u);
    const auto& request = dialogs.fileRequests().front();
    EXPECT_EQ(request.title, "Select a ROM...");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_TRUE(request.filter.startsWith(
        "All Compatible Files (*.32x;*.bin;*.exe;*.gba;*.gg;*.iso;*.mb;*.npc;*.sms)|"
        "*.32x;*.bin;*.exe;*.gba;*.gg;*.iso;*.mb;*.npc;*.sms|Megadrive 32X ROMs (*.32x)|*.32x|"));
    EXPECT_TRUE(request.filter.endsWith("|Master System ROMs (*.sms)|*.sms|"));
    EXPECT_EQ(request.filter.count('|'), 20);
}

TEST_F(LauncherTest, CancellingTheDialogChangesNothingButTheEditorsSavedTab) {
    withTemplateFor("Sonic The Hedgehog 2");
    load(sonic2());
    launcher->state().editorSavedTab = 7;
    dialogs.clear();

    dialogs.cancelFile();
    QTest::mouseClick(button("load"), Qt::LeftButton);

    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "No new ROM loaded.");
    EXPECT_EQ(dialogs.messages()[0].title, "Romquill");
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Information);
    EXPECT_EQ(launcher->state().editorSavedTab, 0);
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Sonic The Hedgehog 2");
    EXPECT_EQ(launcher->state().detectedGame, "Sonic The Hedgehog 2");
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(picture(), kGamePicture);
}

TEST_F(LauncherTest, SupportedGameWithATemplateEnablesLaunchAndShowsTheTemplatesPicture) {
    withTemplateFor("Sonic The Hedgehog 2");
    const auto rom = sonic2();
    load(rom);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(label("path")->text(), QString::fromStdString(rom));
    EXPECT_EQ(launcher->state().loadedPath, QString::fromStdString(rom));
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Sonic The Hedgehog 2");
    EXPECT_EQ(label("rom_name")->text(), "Sonic The Hedgehog 2");
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), "Launch!");
    EXPECT_FALSE(button("sadxpc")->isVisible());
    EXPECT_EQ(picture(), kGamePicture);
    EXPECT_EQ(templatePath(), QString::fromStdString(folder.path("plugins\\games\\sonic2.ini")));
}

TEST_F(LauncherTest, GameNamesAreLookedUpIgnoringCaseAndTheValueIsTrimmed) {
    folder.writeLoaderIni("[GAMENAMES]\r\nsonic the hedgehog 2 =  \"sonic2.ini\"  \r\n");
    folder.writeTemplate("sonic2.ini", "[GameAndFileInfo]\nPicture=sonic2.dat\n");
    load(sonic2());
    EXPECT_EQ(templatePath(), QString::fromStdString(folder.path("plugins\\games\\sonic2.ini")));
    EXPECT_EQ(picture(), kGamePicture);
}

TEST_F(LauncherTest, SupportedGameWithoutATemplateKeepsLaunchDisabled) {
    for (const bool withTable : {false, true}) {
        SCOPED_TRACE(withTable ? "table without the key" : "no table at all");
        if (withTable) {
            folder.writeLoaderIni("[gamenames]\nSonic The Hedgehog 3=sonic3.ini\n");
        }
        load(sonic2());
        EXPECT_EQ(launcher->windowTitle(), "Romquill - Sonic The Hedgehog 2");
        EXPECT_FALSE(button("go")->isEnabled());
        EXPECT_EQ(button("go")->text(), "This ROM currently has no available template.");
        EXPECT_EQ(picture(), kNoRom);
        EXPECT_EQ(templatePath(), LoaderWindow::noTemplatePath());
        EXPECT_TRUE(templatePath().endsWith("<error>"));
    }
    // The chooser opens without a question for a game without a template.
    QTest::mouseClick(button("force_button"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_NE(test::openWindow("template_chooser"), nullptr);
}

TEST_F(LauncherTest, AnEmptyOrDanglingTemplateNameStillEnablesLaunch) {
    folder.writeLoaderIni("[gamenames]\nSonic The Hedgehog 2=\n");
    load(sonic2());
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(templatePath(), QString::fromStdString(folder.path("plugins\\games\\")));
    EXPECT_EQ(picture(), kNoRom);

    folder.writeLoaderIni("[gamenames]\nSonic The Hedgehog 2=missing.ini\n");
    load(sonic2());
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(templatePath(), QString::fromStdString(folder.path("plugins\\games\\missing.ini")));
    EXPECT_EQ(picture(), kNoRom);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(LauncherTest, AnUnsupportedFileOfAKnownKindClearsTheTemplate) {
    withTemplateFor("Sonic The Hedgehog 2");
    load(sonic2());
    load(unsupportedRom());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "This Megadrive ROM is not supported.");
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::None);
    EXPECT_EQ(dialogs.messages()[0].buttons, Dialogs::Buttons::Ok);
    EXPECT_EQ(launcher->windowTitle(), "Romquill");
    EXPECT_EQ(label("rom_name")->text(), "");
    EXPECT_TRUE(launcher->state().detectedGame.isEmpty());
    EXPECT_FALSE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), "Non-Sonic ROM, please load a template.");
    EXPECT_EQ(picture(), kNoRom);
    EXPECT_TRUE(templatePath().isEmpty());

    // An empty name opens the chooser without a question.
    dialogs.clear();
    QTest::mouseClick(button("force_button"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_NE(test::openWindow("template_chooser"), nullptr);
}

TEST_F(LauncherTest, AnInvalidImageIsToldAsNotValid) {
    const auto path = games.file("blank.gba");
    test::writeImage(path, {{0xC0, "anything"}});
    load(path);
    ASSERT_EQ(dialogs.texts(), QStringList{"This is not a valid GameBoy Advance ROM."});
    EXPECT_EQ(button("go")->text(), "Non-Sonic ROM, please load a template.");
}

TEST_F(LauncherTest, AnUnhandledFileTypeKeepsTheTemplatePath) {
    withTemplateFor("Sonic The Hedgehog 2");
    load(sonic2());
    const QString before = templatePath();
    const auto path = games.file("notes.txt");
    test::writeText(path, "hello");
    load(path);
    ASSERT_EQ(dialogs.texts(), QStringList{"This type of file is not supported by RQL."});
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::None);
    EXPECT_EQ(launcher->windowTitle(), "No ROM Loaded");
    EXPECT_EQ(label("rom_name")->text(), "No ROM Loaded");
    EXPECT_FALSE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), "Launch!");
    EXPECT_EQ(picture(), kNoRom);
    EXPECT_EQ(templatePath(), before);
}

TEST_F(LauncherTest, ThePcExecutableShowsItsOwnLaunchButtonOverTheOthers) {
    withTemplateFor("Sonic The Hedgehog 2");
    load(sonic2());
    ASSERT_TRUE(button("go")->isEnabled());

    load(pcExecutable(0x3E04FD));
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(label("rom_name")->text(), "Sonic Adventure DX PC (E)");
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Sonic Adventure DX PC (E)");
    EXPECT_TRUE(button("sadxpc")->isVisible());
    EXPECT_TRUE(button("sadxpc")->isEnabled());
    EXPECT_EQ(button("sadxpc")->text(), "Launch!");
    EXPECT_EQ(button("sadxpc")->geometry(),
              button("force_button")->geometry().united(button("go")->geometry()));
    // What lies behind it is out of reach of the keyboard as well as the mouse.
    EXPECT_FALSE(button("go")->isEnabled());
    EXPECT_FALSE(button("force_button")->isEnabled());
    EXPECT_TRUE(templatePath().isEmpty());
    EXPECT_EQ(picture(), kPcEnglish);

    load(pcExecutable(0x3E050D));
    EXPECT_EQ(label("rom_name")->text(), "Sonic Adventure DX PC (J)");
    EXPECT_EQ(picture(), kPcJapanese);

    load(sonic2());
    EXPECT_FALSE(button("sadxpc")->isVisible());
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_TRUE(button("force_button")->isEnabled());
    EXPECT_EQ(picture(), kGamePicture);
}

TEST_F(LauncherTest, ALoadThatFailsInIdentificationRestoresThePreviousFile) {
    withTemplateFor("Sonic The Hedgehog 2");
    const auto rom = sonic2();
    load(rom);
    for (const std::string& bad : {games.file("gone.bin"), games.path().string()}) {
        SCOPED_TRACE(bad);
        dialogs.clear();
        load(bad);
        EXPECT_EQ(dialogs.texts(), QStringList{"No new ROM loaded."});
        EXPECT_EQ(launcher->state().loadedPath, QString::fromStdString(rom));
        EXPECT_EQ(label("path")->text(), QString::fromStdString(rom));
        EXPECT_EQ(launcher->state().detectedGame, "Sonic The Hedgehog 2");
        EXPECT_TRUE(button("go")->isEnabled());
    }
}

TEST_F(LauncherTest, AMissingPictureEndsTheLoadAndKeepsThePreviousPicture) {
    withTemplateFor("Sonic The Hedgehog 2");
    load(sonic2());
    std::filesystem::remove(folder.path("gfx\\norom.dat"));
    load(unsupportedRom());
    EXPECT_EQ(dialogs.texts(), (QStringList{"This Megadrive ROM is not supported.", "No new ROM loaded."}));
    EXPECT_EQ(picture(), kGamePicture);
    // What came before the picture took effect.
    EXPECT_EQ(button("go")->text(), "Non-Sonic ROM, please load a template.");
    EXPECT_TRUE(launcher->state().detectedGame.isEmpty());
    EXPECT_TRUE(templatePath().isEmpty());
}

TEST_F(LauncherTest, AnAmpersandNameShowsOnceInTheLabelAndTwiceInTheTitle) {
    const auto path = megaDrive("sk.bin", "MK-1563 -00");
    std::filesystem::resize_file(path, 0x200000);
    folder.writeLoaderIni("[gamenames]\nSonic && Knuckles=sk.ini\n");
    folder.writeTemplate("sk.ini", "[GameAndFileInfo]\nPicture=sonic2.dat\n");
    load(path);
    EXPECT_EQ(label("rom_name")->text(), "Sonic & Knuckles");
    EXPECT_EQ(launcher->romNameText(), "Sonic && Knuckles");
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Sonic && Knuckles");
    EXPECT_EQ(templatePath(), QString::fromStdString(folder.path("plugins\\games\\sk.ini")));
}

TEST_F(LauncherTest, ForcingATemplateBeforeAnyLoadAsksForAFile) {
    QTest::mouseClick(button("force_button"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "Please choose a file.");
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Information);
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
}

TEST_F(LauncherTest, ForcingOverAFoundTemplateAsksFirst) {
    withTemplateFor("Sonic The Hedgehog 2");
    load(sonic2());

    dialogs.answer(Dialogs::Answer::No);
    QTest::mouseClick(button("force_button"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text,
              "A template has already been selected for this file. Really choose a different one?");
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Exclamation);
    EXPECT_EQ(dialogs.messages()[0].buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);

    dialogs.answer(Dialogs::Answer::Yes);
    QTest::mouseClick(button("force_button"), Qt::LeftButton);
    QWidget* chooser = test::openWindow("template_chooser");
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->windowTitle(), "Romquill - Template Chooser");
}

TEST_F(LauncherTest, AForcedTemplateWithoutAPictureStillAppliesSilently) {
    withTemplateFor("Sonic The Hedgehog 2");
    load(sonic2());
    folder.writeTemplate("forced.ini", "[GameAndFileInfo]\nPicture=missing.dat\n");
    const QString forced = QString::fromStdString(folder.path("plugins\\games\\forced.ini"));
    launcher->applyForcedTemplate(forced, QStringLiteral("Forced Game"));
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(picture(), kNoRom);
    EXPECT_EQ(templatePath(), forced);
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Forced Game");
    EXPECT_TRUE(button("go")->isEnabled());
}

TEST_F(LauncherTest, AForcedTemplateLeavesLaunchOutOfReachBehindThePcButton) {
    load(pcExecutable(0x3E04FD));
    withTemplateFor("Sonic The Hedgehog 2");
    launcher->applyForcedTemplate(QString::fromStdString(folder.path("plugins\\games\\sonic2.ini")),
                                  QStringLiteral("Forced Game"));
    EXPECT_FALSE(button("go")->isEnabled());
    EXPECT_TRUE(button("sadxpc")->isVisible());
    EXPECT_EQ(label("rom_name")->text(), "Forced Game");
}

TEST_F(LauncherTest, LaunchShowsLoadingUntilTheEditorHasLoaded) {
    withTemplateFor("Sonic The Hedgehog 2");
    load(sonic2());
    QTest::mouseClick(button("go"), Qt::LeftButton);
    QWidget* editor = test::openWindow("editor");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), "Romquill - Sonic The Hedgehog 2");
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), "Launch!");

    // A second launch only brings the open editor to the front; nothing reloads, so the button waits.
    QTest::mouseClick(button("go"), Qt::LeftButton);
    EXPECT_EQ(test::countWindows("editor"), 1);
    EXPECT_FALSE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), "Loading...");
    load(sonic2());
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), "Launch!");
}

TEST_F(LauncherTest, MenuItemsOpenEachWindowOnce) {
    const std::pair<const char*, const char*> items[] = {
        {"mnuFileGBAROMHeader", "gbamain"}, {"mnuFileMDROMHeader", "mdmain"}, {"mnuHelpAbout", "about"}};
    for (const auto& [action, window] : items) {
        SCOPED_TRACE(action);
        auto* item = launcher->findChild<QAction*>(QLatin1String(action));
        ASSERT_NE(item, nullptr);
        item->trigger();
        item->trigger();
        EXPECT_EQ(test::countWindows(QLatin1String(window)), 1);
    }
    EXPECT_EQ(test::openWindow("gbamain")->windowTitle(), "Romquill - GBA ROM Header Editor");
    EXPECT_EQ(test::openWindow("about")->windowTitle(), "About Romquill");
}

TEST_F(LauncherTest, ExitClosesOnlyTheLauncher) {
    launcher->findChild<QAction*>(QStringLiteral("mnuHelpAbout"))->trigger();
    launcher->findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_NE(test::openWindow("about"), nullptr);
}

TEST_F(LauncherTest, ControlsLieWhereTheLayoutPutsThem) {
    EXPECT_EQ(launcher->centralWidget()->size(), QSize(386, 447));
    EXPECT_EQ(button("load")->geometry(), QRect(304, 0, 49, 41));
    EXPECT_EQ(label("romloaded")->geometry(), QRect(32, 48, 321, 241));
    EXPECT_EQ(button("go")->geometry(), QRect(56, 368, 273, 65));
    EXPECT_EQ(button("force_button")->geometry(), QRect(56, 328, 273, 25));
}

}  // namespace
}  // namespace rq
