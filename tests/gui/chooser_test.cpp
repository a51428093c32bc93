#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
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

const QString kRefusal = QStringLiteral(
    "Template is either invalid or a newer template version than this version of the Romquill can support.");
const QColor kGamePicture(Qt::blue);
const QColor kForcedPicture(Qt::green);

std::string templateText(std::string_view version, std::string_view gameName, std::string_view picture = {}) {
    std::string text = "[Ident]\r\nRQL_game_plugin=" + std::string(version) + "\r\n[GameAndFileInfo]\r\n";
    if (!gameName.empty()) {
        text += "GameName=" + std::string(gameName) + "\r\n";
    }
    if (!picture.empty()) {
        text += "Picture=" + std::string(picture) + "\r\n";
    }
    return text + "Author=Ann\r\nVersionOfFile=2\r\nDateCreated=1 May 2004\r\nNotes=Menus only\r\n";
}

class ChooserTest : public test::LauncherFixture {
  protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        test::writePicture(folder.path("gfx\\sonic2.dat"), kGamePicture);
        test::writePicture(folder.path("gfx\\forced.dat"), kForcedPicture);
    }

    QString gamePath(const std::string& name) const {
        return QString::fromStdString(folder.path("plugins\\games\\" + name));
    }

    void load(const std::string& productCode) {
        const auto path = games.file("game.bin");
        test::writeImage(path, {{0x100, "SEGA MEGA DRIVE"}, {0x183, productCode}});
        dialogs.chooseFile(QString::fromStdString(path));
        QTest::mouseClick(button("load"), Qt::LeftButton);
        // Only the chooser's own messages count below, not the identification's.
        dialogs.clear();
    }
    // A file of a known kind that is no supported game: the chooser then opens without a question.
    void loadUnsupportedRom() { load("MK-9999 -00"); }
    void loadSonic2WithItsTemplate() {
        folder.writeLoaderIni("[gamenames]\nSonic The Hedgehog 2=sonic2.ini\n");
        folder.writeTemplate("sonic2.ini", templateText("v1.0", "Sonic The Hedgehog 2", "sonic2.dat"));
        load("00001051-01");
    }

    QWidget* openChooser() {
        // As back in the event loop: a chooser closed before is gone by the time the user clicks again.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::mouseClick(button("force_button"), Qt::LeftButton);
        QWidget* chooser = test::openWindow("template_chooser");
        if (chooser != nullptr) {
            m_list = chooser->findChild<QListWidget*>(QStringLiteral("templates"));
        }
        return chooser;
    }
    QListWidget* list() const { return m_list; }
    QStringList listed() const {
        QStringList names;
        for (int row = 0; row < m_list->count(); ++row) {
            names << m_list->item(row)->text();
        }
        return names;
    }
    QPoint itemCentre(const QString& name) const {
        const auto items = m_list->findItems(name, Qt::MatchExactly);
        return items.isEmpty() ? QPoint() : m_list->visualItemRect(items.front()).center();
    }
    void click(const QString& name) const {
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, itemCentre(name));
    }
    // As a user does it: the first click selects, the second press makes the double-click.
    void doubleClick(const QString& name) const {
        click(name);
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, itemCentre(name));
    }
    QString detail(const char* name) const {
        QWidget* chooser = test::openWindow("template_chooser");
        const QLabel* shown = chooser != nullptr ? chooser->findChild<QLabel*>(QLatin1String(name)) : nullptr;
        return shown != nullptr ? shown->text() : QStringLiteral("(no label)");
    }
    QStringList details() const {
        return {detail("GameNameValue"), detail("AuthorNameValue"), detail("VersionValue"),
                detail("CreationDateValue"), detail("NotesInfoValue")};
    }

  private:
    QListWidget* m_list = nullptr;
};

TEST_F(ChooserTest, ListsTheFilesOfTheGamesFolderByNameAndNothingElse) {
    for (const char* name : {"b.ini", "A.txt", "c", "Zed.INI", ".hidden.ini"}) {
        folder.writeTemplate(name, templateText("v1.0", name));
    }
    folder.writeTemplate("sub\\inner.ini", templateText("v1.0", "Inner"));
    loadUnsupportedRom();

    QWidget* chooser = openChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(chooser->windowTitle(), "Romquill - Template Chooser");
    EXPECT_EQ(chooser->size(), QSize(637, 464));
    EXPECT_EQ(listed(), QStringList({"A.txt", "b.ini", "c", "Zed.INI"}));
    EXPECT_EQ(details(), QStringList({"", "", "", "", ""}));

    // The list is read as the window opens, and again only at the next opening.
    folder.writeTemplate("a.ini", templateText("v1.0", "Late"));
    EXPECT_EQ(listed().size(), 4);
    QTest::mouseClick(chooser->findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    ASSERT_NE(openChooser(), nullptr);
    EXPECT_EQ(listed(), QStringList({"a.ini", "A.txt", "b.ini", "c", "Zed.INI"}));
}

TEST_F(ChooserTest, AnEmptyOrMissingGamesFolderGivesAnEmptyList) {
    loadUnsupportedRom();
    ASSERT_NE(openChooser(), nullptr);
    EXPECT_EQ(list()->count(), 0);
    QTest::mouseClick(test::openWindow("template_chooser")->findChild<QPushButton*>(QStringLiteral("cancel")),
                      Qt::LeftButton);
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);

    std::filesystem::remove_all(folder.path("plugins\\games"));
    ASSERT_NE(openChooser(), nullptr);
    EXPECT_EQ(list()->count(), 0);
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_TRUE(dialogs.messages().empty());
}

struct VersionCase {
    const char* name;
    std::string file;
    bool passes;
};
void PrintTo(const VersionCase& row, std::ostream* out) {
    *out << row.name;
}

class ChooserVersionTest : public ChooserTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(ChooserVersionTest, ShowsDetailsOnlyForExactlyVersionOne) {
    folder.writeTemplate("earlier.ini", templateText("v1.0", "Earlier Game"));
    folder.writeTemplate("tried.ini", GetParam().file);
    loadUnsupportedRom();
    ASSERT_NE(openChooser(), nullptr);
    click("earlier.ini");
    ASSERT_TRUE(dialogs.messages().empty());
    ASSERT_EQ(detail("GameNameValue"), "Earlier Game");

    click("tried.ini");
    if (GetParam().passes) {
        EXPECT_TRUE(dialogs.messages().empty());
        EXPECT_EQ(detail("GameNameValue"), "Tried Game");
        return;
    }
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const auto& refusal = dialogs.messages()[0];
    EXPECT_EQ(refusal.title, "Romquill");
    EXPECT_EQ(refusal.text, kRefusal);
    EXPECT_EQ(refusal.icon, Icon::Exclamation);
    EXPECT_EQ(refusal.buttons, Dialogs::Buttons::Ok);
    EXPECT_EQ(details(), QStringList({"Earlier Game", "Ann", "2", "1 May 2004", "Menus only"}));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ChooserVersionTest,
    ::testing::Values(VersionCase{"Exact", templateText("v1.0", "Tried Game"), true},
                      VersionCase{"BlanksAround", templateText("   v1.0  \t", "Tried Game"), true},
                      VersionCase{"Quoted", templateText("\"v1.0\"", "Tried Game"), true},
                      VersionCase{"SectionAndKeyInAnyCase",
                                  "[IDENT]\nrql_GAME_plugin=v1.0\n[GameAndFileInfo]\n"
                                  "GameName=Tried Game\n",
                                  true},
                      VersionCase{"UpperCaseV", templateText("V1.0", "Tried Game"), false},
                      VersionCase{"AddedDigit", templateText("v1.01", "Tried Game"), false},
                      VersionCase{"Empty", templateText("", "Tried Game"), false},
                      VersionCase{"BlankInside", templateText("v 1.0", "Tried Game"), false},
                      VersionCase{"Missing", "[GameAndFileInfo]\nGameName=Tried Game\n", false},
                      VersionCase{"NotAnIniFile", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChooserTest, DetailsShowTheTemplatesTextAndErrorForMissingKeys) {
    folder.writeTemplate("full.ini",
                         "[Ident]\nRQL_game_plugin=v1.0\n[GameAndFileInfo]\nGameName=Sonic && Knuckles\n"
                         "Author=Ren\xE9\nVersionOfFile=1.2b\nDateCreated=2004-05-01\n"
                         "Notes=Only the menus; the credits are pictures.\n");
    folder.writeTemplate("sparse.ini", "[Ident]\nRQL_game_plugin=v1.0\n[GameAndFileInfo]\nAuthor=Someone\n");
    loadUnsupportedRom();
    ASSERT_NE(openChooser(), nullptr);

    click("full.ini");
    EXPECT_EQ(details(), QStringList({"Sonic & Knuckles", QStringLiteral("Ren\u00E9"), "1.2b", "2004-05-01",
                                      "Only the menus; the credits are pictures."}));
    click("sparse.ini");
    EXPECT_EQ(details(), QStringList({"<error>", "Someone", "<error>", "<error>", "<error>"}));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(ChooserTest, ArrowKeysRunTheCheckForEachFileTheyReach) {
    folder.writeTemplate("a.ini", templateText("v1.0", "Game A"));
    folder.writeTemplate("b.ini", templateText("v2.0", "Game B"));
    folder.writeTemplate("c.ini", templateText("v1.0", "Game C"));
    loadUnsupportedRom();
    QWidget* chooser = openChooser();
    ASSERT_NE(chooser, nullptr);
    chooser->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chooser));
    EXPECT_TRUE(list()->hasFocus());
    EXPECT_TRUE(list()->selectedItems().isEmpty());

    // The first arrow key selects the first file rather than skipping it.
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(detail("GameNameValue"), "Game A");
    QTest::keyClick(list(), Qt::Key_Down);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, kRefusal);
    EXPECT_EQ(detail("GameNameValue"), "Game A");
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(detail("GameNameValue"), "Game C");
    QTest::keyClick(list(), Qt::Key_Up);
    EXPECT_EQ(dialogs.messages().size(), 2u);
    EXPECT_EQ(detail("GameNameValue"), "Game C");
    QTest::keyClick(list(), Qt::Key_Home);
    EXPECT_EQ(detail("GameNameValue"), "Game A");
    EXPECT_EQ(dialogs.messages().size(), 2u);
}

TEST_F(ChooserTest, DoubleClickForcesTheTemplateOntoTheLauncherAndCloses) {
    folder.writeTemplate("forced.ini", templateText("v1.0", "Forced Game", "forced.dat"));
    folder.writeTemplate("other.ini", templateText("v1.0", "Other Game"));
    loadUnsupportedRom();
    const QString loaded = launcher->state().loadedPath;
    ASSERT_EQ(button("go")->text(), "Non-Sonic ROM, please load a template.");
    ASSERT_NE(openChooser(), nullptr);

    doubleClick("forced.ini");
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(launcher->state().templatePath, gamePath("forced.ini"));
    EXPECT_EQ(launcher->state().detectedGame, "Forced Game");
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Forced Game");
    EXPECT_EQ(label("rom_name")->text(), "Forced Game");
    EXPECT_EQ(test::shownColour(label("romloaded")), kForcedPicture);
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(button("go")->text(), "Launch!");
    EXPECT_FALSE(button("sadxpc")->isVisible());
    EXPECT_EQ(launcher->state().loadedPath, loaded);

    // A template without Picture shows the no-ROM picture.
    dialogs.answer(Dialogs::Answer::Yes);
    ASSERT_NE(openChooser(), nullptr);
    doubleClick("other.ini");
    EXPECT_EQ(launcher->state().templatePath, gamePath("other.ini"));
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Other Game");
    EXPECT_EQ(test::shownColour(label("romloaded")), kNoRom);
}

TEST_F(ChooserTest, TheLauncherTakesTheGameNameAsTheDetailsHoldIt) {
    folder.writeTemplate("sk.ini", templateText("v1.0", "Sonic && Knuckles", "forced.dat"));
    folder.writeTemplate("unnamed.ini", templateText("v1.0", ""));
    loadUnsupportedRom();

    ASSERT_NE(openChooser(), nullptr);
    doubleClick("sk.ini");
    EXPECT_EQ(launcher->state().detectedGame, "Sonic && Knuckles");
    EXPECT_EQ(launcher->romNameText(), "Sonic && Knuckles");
    EXPECT_EQ(label("rom_name")->text(), "Sonic & Knuckles");
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Sonic && Knuckles");

    dialogs.answer(Dialogs::Answer::Yes);
    ASSERT_NE(openChooser(), nullptr);
    doubleClick("unnamed.ini");
    EXPECT_EQ(launcher->state().detectedGame, "<error>");
    EXPECT_EQ(launcher->windowTitle(), "Romquill - <error>");
    EXPECT_EQ(launcher->state().templatePath, gamePath("unnamed.ini"));
}

TEST_F(ChooserTest, DoubleClickOnAFileThatFailedTheCheckTakesTheNameShownBefore) {
    folder.writeTemplate("good.ini", templateText("v1.0", "Good Game", "forced.dat"));
    folder.writeTemplate("newer.ini", templateText("v2.0", "Newer Game", "sonic2.dat"));
    loadUnsupportedRom();

    // Nothing shown before: the name is empty.
    ASSERT_NE(openChooser(), nullptr);
    doubleClick("newer.ini");
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, kRefusal);
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
    EXPECT_EQ(launcher->state().templatePath, gamePath("newer.ini"));
    EXPECT_EQ(launcher->state().detectedGame, "");
    EXPECT_EQ(launcher->windowTitle(), "Romquill - ");
    EXPECT_TRUE(button("go")->isEnabled());
    EXPECT_EQ(test::shownColour(label("romloaded")), kGamePicture);

    dialogs.clear();
    ASSERT_NE(openChooser(), nullptr);
    click("good.ini");
    doubleClick("newer.ini");
    EXPECT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(launcher->state().templatePath, gamePath("newer.ini"));
    EXPECT_EQ(launcher->state().detectedGame, "Good Game");
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Good Game");
    EXPECT_EQ(label("rom_name")->text(), "Good Game");
}

TEST_F(ChooserTest, CancelAndTheCloseBoxLeaveTheLauncherExactlyAsItWas) {
    folder.writeTemplate("forced.ini", templateText("v1.0", "Forced Game", "forced.dat"));
    loadSonic2WithItsTemplate();
    const auto snapshot = [this] {
        const auto& state = launcher->state();
        return QStringList{launcher->windowTitle(),
                           label("path")->text(),
                           label("rom_name")->text(),
                           launcher->romNameText(),
                           state.loadedPath,
                           state.detectedGame,
                           state.templatePath,
                           button("go")->text(),
                           button("go")->isEnabled() ? "enabled" : "disabled",
                           button("sadxpc")->isVisible() ? "shown" : "hidden",
                           test::shownColour(label("romloaded")).name()};
    };
    const QStringList before = snapshot();
    ASSERT_EQ(launcher->state().detectedGame, "Sonic The Hedgehog 2");

    dialogs.answer(Dialogs::Answer::Yes);
    QWidget* chooser = openChooser();
    ASSERT_NE(chooser, nullptr);
    click("forced.ini");
    ASSERT_EQ(detail("GameNameValue"), "Forced Game");
    QTest::mouseClick(chooser->findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
    EXPECT_EQ(snapshot(), before);

    dialogs.answer(Dialogs::Answer::Yes);
    chooser = openChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(detail("GameNameValue"), "");
    click("forced.ini");
    chooser->close();
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(ChooserTest, OpeningItAgainBringsTheSameWindowForward) {
    folder.writeTemplate("forced.ini", templateText("v1.0", "Forced Game"));
    loadUnsupportedRom();
    QWidget* first = openChooser();
    ASSERT_NE(first, nullptr);
    click("forced.ini");

    QWidget* second = openChooser();
    EXPECT_EQ(second, first);
    EXPECT_EQ(test::countWindows("template_chooser"), 1);
    EXPECT_EQ(detail("GameNameValue"), "Forced Game");
}

TEST_F(ChooserTest, AFileNameIsTakenWholeEvenWithABackslashInIt) {
    if constexpr (std::filesystem::path::preferred_separator == '\\') {
        GTEST_SKIP() << "no file name holds a backslash here";
    }
    // The name must not lead into the folder "sub".
    folder.writeTemplate("sub\\x.ini", templateText("v1.0", "In Sub Folder"));
    test::writeText((std::filesystem::path(folder.path("plugins\\games")) / "sub\\x.ini").string(),
                    templateText("v1.0", "Whole Name"));
    loadUnsupportedRom();
    ASSERT_NE(openChooser(), nullptr);
    EXPECT_EQ(listed(), QStringList({"sub\\x.ini"}));
    doubleClick("sub\\x.ini");
    EXPECT_EQ(launcher->state().detectedGame, "Whole Name");
    EXPECT_EQ(launcher->state().templatePath,
              QString::fromStdString(folder.path("plugins\\games\\")) + QStringLiteral("sub\\x.ini"));
}

}  // namespace
}  // namespace rq
