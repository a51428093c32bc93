#include <QListWidget>
#include <QPointer>
#include <filesystem>

#include "support/launcher_fixture.h"

namespace rq {
namespace {

const QString kRefusal = QStringLiteral(
    "Template is either invalid or a newer template version than this version of the Romquill can support.");
const QColor kGamePicture(Qt::cyan);
const QColor kForcedPicture(Qt::green);

std::string templateText(const std::string& version, const std::string& gameName,
                         const std::string& picture = "") {
    return "[Ident]\r\nRQL_game_plugin=" + version + "\r\n[GameAndFileInfo]\r\n" +
           (gameName.empty() ? "" : "GameName=" + gameName + "\r\n") +
           (picture.empty() ? "" : "Picture=" + picture + "\r\n") +
           "Author=Ann\r\nVersionOfFile=2\r\nDateCreated=1 May 2004\r\nNotes=Menus only\r\n";
}

class ChooserTest : public test::LauncherFixture {
  protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        test::writePicture(folder.path("gfx\\sonic2.dat"), kGamePicture);
        test::writePicture(folder.path("gfx\\forced.dat"), kForcedPicture);
    }
    // Only the chooser's own messages count below, not the identification's.
    void loadGame(const std::string& productCode) {
        load(megaDrive("game.bin", productCode));
        dialogs.clear();
    }
    // A file of a known kind that is no supported game: the chooser then opens without a question.
    void loadUnsupportedRom() { loadGame("MK-9999 -00"); }

    QWidget* openChooser() {
        // As back in the event loop: a chooser closed before is gone by the time the user clicks again.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        press("force_button");
        m_chooser = test::openWindow("template_chooser");
        m_list = m_chooser ? m_chooser->findChild<QListWidget*>(QStringLiteral("templates")) : nullptr;
        return m_chooser;
    }
    void cancel() const {
        QTest::mouseClick(m_chooser->findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    }
    QStringList listed() const {
        QStringList names;
        for (int row = 0; row < m_list->count(); ++row) {
            names << m_list->item(row)->text();
        }
        return names;
    }
    QPoint itemCentre(const QString& name) const {
        return m_list->visualItemRect(m_list->findItems(name, Qt::MatchExactly).value(0)).center();
    }
    void click(const QString& name) const {
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, itemCentre(name));
    }
    // As a user does it: the first click selects, the second press makes the double-click.
    void doubleClick(const QString& name) const {
        click(name);
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, itemCentre(name));
    }
    // Game name, author, version, date and notes as the chooser shows them.
    QStringList details() const {
        QStringList shown;
        for (const char* name :
             {"GameNameValue", "AuthorNameValue", "VersionValue", "CreationDateValue", "NotesInfoValue"}) {
            shown << m_chooser->findChild<QLabel*>(QLatin1String(name))->text();
        }
        return shown;
    }
    QString gameName() const { return details().front(); }

    QPointer<QWidget> m_chooser;
    QListWidget* m_list = nullptr;
};

TEST_F(ChooserTest, ListsTheFilesOfTheGamesFolderByNameAndNothingElse) {
    for (const char* name : {"b.ini", "A.txt", "c", "Zed.INI", ".hidden.ini"}) {
        folder.writeTemplate(name, templateText("v1.0", name));
    }
    folder.writeTemplate("sub\\inner.ini", templateText("v1.0", "Inner"));
    // A file whose name holds a backslash, beside the folder "sub": the name must not lead into the folder.
    test::writeText((std::filesystem::path(folder.path("plugins\\games")) / "sub\\x.ini").string(),
                    templateText("v1.0", "Whole Name"));
    loadUnsupportedRom();
    ASSERT_NE(openChooser(), nullptr);
    EXPECT_EQ(m_chooser->windowTitle(), "Romquill - Template Chooser");
    EXPECT_EQ(listed(), QStringList({"A.txt", "b.ini", "c", "sub\\x.ini", "Zed.INI"}));
    EXPECT_EQ(details(), QStringList({"", "", "", "", ""}));

    // The list is read as the window opens, and again only at the next opening.
    folder.writeTemplate("a.ini", templateText("v1.0", "Late"));
    EXPECT_EQ(listed().size(), 5);
    cancel();
    ASSERT_NE(openChooser(), nullptr);
    EXPECT_EQ(listed(), QStringList({"a.ini", "A.txt", "b.ini", "c", "sub\\x.ini", "Zed.INI"}));
    doubleClick("sub\\x.ini");
    EXPECT_EQ(test::qs(launcher->state().detectedGame), "Whole Name");
    EXPECT_EQ(test::qs(launcher->state().templatePath), gamesPath("") + "sub\\x.ini");
}

TEST_F(ChooserTest, DetailsShowTheTemplatesTextAsLabelsDo) {
    folder.writeTemplate("full.ini",
                         "[Ident]\nRQL_game_plugin=v1.0\n[GameAndFileInfo]\nGameName=Sonic && Knuckles\n"
                         "Author=Ren\xE9\nVersionOfFile=1.2b\nNotes=Only the menus.\n");
    loadUnsupportedRom();
    ASSERT_NE(openChooser(), nullptr);
    click("full.ini");
    EXPECT_EQ(details(), QStringList({"Sonic & Knuckles", QStringLiteral("Ren\u00E9"), "1.2b", "<error>",
                                      "Only the menus."}));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(ChooserTest, ArrowKeysRunTheCheckForEachFileTheyReach) {
    folder.writeTemplate("a.ini", templateText("v1.0", "Game A"));
    folder.writeTemplate("b.ini", templateText("v2.0", "Game B"));
    folder.writeTemplate("c.ini", templateText("v1.0", "Game C"));
    loadUnsupportedRom();
    ASSERT_NE(openChooser(), nullptr);
    m_chooser->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_chooser));
    EXPECT_TRUE(m_list->hasFocus());
    // The first arrow key selects the first file rather than skipping it; b.ini is refused each time.
    for (const auto& [key, shown] : {std::pair{Qt::Key_Down, "Game A"}, std::pair{Qt::Key_Down, "Game A"},
                                     std::pair{Qt::Key_Down, "Game C"}, std::pair{Qt::Key_Up, "Game C"},
                                     std::pair{Qt::Key_Home, "Game A"}}) {
        QTest::keyClick(m_list, key);
        EXPECT_EQ(gameName(), shown);
    }
    EXPECT_EQ(dialogs.texts(), QStringList({kRefusal, kRefusal}));
}

TEST_F(ChooserTest, DoubleClickForcesTheTemplateOntoTheLauncherAndCloses) {
    folder.writeTemplate("forced.ini", templateText("v1.0", "Forced && Co", "forced.dat"));
    folder.writeTemplate("unnamed.ini", templateText("v1.0", "", "missing.dat"));
    loadUnsupportedRom();
    const QString loaded = test::qs(launcher->state().loadedPath);
    ASSERT_NE(openChooser(), nullptr);
    doubleClick("forced.ini");
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(test::qs(launcher->state().templatePath), gamesPath("forced.ini"));
    // The name as the template holds it; the label shows it as the details do.
    EXPECT_EQ(launcher->romNameText(), "Forced && Co");
    EXPECT_EQ(label("rom_name")->text(), "Forced & Co");
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Forced && Co");
    EXPECT_EQ(picture(), kForcedPicture);
    EXPECT_EQ(button("go")->text() + QString::number(button("go")->isEnabled()), "Launch!1");
    EXPECT_EQ(test::qs(launcher->state().loadedPath), loaded);

    // A picture that cannot be shown gives way to the no-ROM picture without a word.
    dialogs.answer(Dialogs::Answer::Yes);
    ASSERT_NE(openChooser(), nullptr);
    dialogs.clear();
    doubleClick("unnamed.ini");
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(launcher->windowTitle(), "Romquill - <error>");
    EXPECT_EQ(picture(), kNoRom);
}

TEST_F(ChooserTest, DoubleClickOnAFileThatFailedTheCheckTakesTheNameShownBefore) {
    folder.writeTemplate("good.ini", templateText("v1.0", "Good Game", "forced.dat"));
    folder.writeTemplate("newer.ini", templateText("v2.0", "Newer Game", "sonic2.dat"));
    loadUnsupportedRom();
    ASSERT_NE(openChooser(), nullptr);
    click("good.ini");
    doubleClick("newer.ini");
    EXPECT_EQ(dialogs.texts(), QStringList{kRefusal});
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
    EXPECT_EQ(test::qs(launcher->state().templatePath), gamesPath("newer.ini"));
    EXPECT_EQ(launcher->windowTitle(), "Romquill - Good Game");
    EXPECT_EQ(picture(), kGamePicture);
}

TEST_F(ChooserTest, CancelAndTheCloseBoxLeaveTheLauncherExactlyAsItWas) {
    folder.writeLoaderIni("[gamenames]\nSonic The Hedgehog 2=sonic2.ini\n");
    folder.writeTemplate("sonic2.ini", templateText("v1.0", "Sonic The Hedgehog 2", "sonic2.dat"));
    folder.writeTemplate("forced.ini", templateText("v1.0", "Forced Game", "forced.dat"));
    loadGame("00001051-01");
    ASSERT_EQ(test::qs(launcher->state().detectedGame), "Sonic The Hedgehog 2");
    const QStringList before = launcherView();

    dialogs.answer(Dialogs::Answer::Yes);
    QWidget* chooser = openChooser();
    ASSERT_NE(chooser, nullptr);
    click("forced.ini");
    // Forcing again brings the same window forward, as it was.
    dialogs.answer(Dialogs::Answer::Yes);
    EXPECT_EQ(openChooser(), chooser);
    EXPECT_EQ(test::openWindows("template_chooser").size(), 1);
    EXPECT_EQ(gameName(), "Forced Game");
    cancel();
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
    EXPECT_EQ(launcherView(), before);

    dialogs.answer(Dialogs::Answer::Yes);
    ASSERT_NE(openChooser(), nullptr);
    EXPECT_EQ(gameName(), "");
    click("forced.ini");
    m_chooser->close();
    EXPECT_EQ(test::openWindow("template_chooser"), nullptr);
    EXPECT_EQ(launcherView(), before);
}

}  // namespace
}  // namespace rq
