#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "about/about.h"
#include "cutscenes/main_cutscenes.h"
#include "editor/editor.h"
#include "headers/gbamain.h"
#include "headers/mdmain.h"
#include "launcher/loader.h"
#include "programwindows.h"
#include "support/scripted_dialogs.h"
#include "support/testfiles.h"
#include "support/tool_run.h"
#include "templates/template_chooser.h"

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace rq::test {

using kit::Dialogs;
using Answer = Dialogs::Answer;
using Icon = Dialogs::Icon;

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A picture under a ".dat" name, one colour all over, so a test can tell which one a window shows.
inline void writePicture(const std::string& path, const QColor& colour) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    image.save(qs(path), "PNG");
}

// A button's caption, marked when the button is disabled.
inline QString caption(const QPushButton* button) {
    return button->text() + (button->isEnabled() ? "" : " (disabled)");
}

// The question before closing or loading over unsaved edits, and the message of a save that wrote everything.
inline QString askToSave(const QString& title = "Romquill", const QString& doing = "closing") {
    return shown(Icon::Exclamation,
                 "Some texts have been edited but not saved. Save them to the file before " + doing + "?",
                 Dialogs::Buttons::YesNoCancel, title);
}
inline QString saved(const QString& title = "Romquill") {
    return shown(Icon::Information, "Writing complete!", Dialogs::Buttons::Ok, title);
}

inline QWidgetList openWindows(const QString& name) {
    QWidgetList found = QApplication::topLevelWidgets();
    found.removeIf([&name](const QWidget* w) { return w->objectName() != name || !w->isVisible(); });
    return found;
}
inline QWidget* openWindow(const QString& name) {
    return openWindows(name).value(0);
}

// The launcher on a program folder of its own, driven offscreen with scripted dialogs. "Sonic The Hedgehog 2"
// and "Sonic && Knuckles" find the template game.ini, whose picture is green; the no-ROM picture is black,
// the PC executable's blue. The windows it opened are closed after each test.
class LauncherFixture : public ::testing::Test {
  public:
    void SetUp() override {
        writePicture(folder.path("gfx\\norom.dat"), Qt::black);
        writePicture(folder.path("gfx\\pc-sadx-eng.dat"), Qt::blue);
        writePicture(folder.path("gfx\\pc-sadx-jap.dat"), Qt::blue);
        writePicture(folder.path("gfx\\game.dat"), Qt::green);
        folder.writeLoaderIni("[gamenames]\nSonic The Hedgehog 2=game.ini\nSonic && Knuckles=game.ini\n");
        folder.writeTemplate("game.ini",
                             "[Ident]\nRQL_game_plugin=v1.0\n[GameAndFileInfo]\nPicture=game.dat\n");
        launcher = std::make_unique<launcher::LoaderWindow>(dialogs, programWindows());
        launcher->show();
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            w->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QPushButton* button(const char* name) const { return launcher->findChild<QPushButton*>(name); }
    QAction* item(const char* name) const { return launcher->findChild<QAction*>(name); }
    QLabel* label(const char* name) const { return launcher->findChild<QLabel*>(name); }
    void press(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QColor picture() const { return label("romloaded")->pixmap().toImage().pixelColor(0, 0); }
    // Everything the launcher shows and holds, to tell that nothing changed.
    QStringList launcherView() const {
        const auto& state = launcher->state();
        return QStringList() << launcher->windowTitle() << label("path")->text() << label("rom_name")->text()
                             << qs(state.loadedPath) << qs(state.detectedGame) << qs(state.templatePath)
                             << caption(button("go")) << picture().name()
                             << QString::number(button("sadxpc")->isVisible());
    }
    QString gamesPath(const std::string& name) const { return qs(folder.path("plugins\\games\\" + name)); }
    void load(const std::string& path) {
        dialogs.files = {qs(path)};
        press("load");
    }
    // A Mega Drive image of 0x400 bytes with more bytes, by default "Sonic The Hedgehog 2".
    std::string megaDrive(const std::string& name, std::vector<Patch> more = {},
                          const std::string& productCode = "00001051-01") const {
        more.insert(more.end(), {{0x100, "SEGA MEGA DRIVE"}, {0x183, productCode}});
        writeImage(games.file(name), more, 0x400);
        return games.file(name);
    }

    // The demo file as romquill-make-demo writes it, loaded with a demo template forced on it.
    void loadDemo(const std::string& demoTemplate) {
        const std::string program = std::filesystem::path(ROMQUILL_APP).parent_path().string();
        files::setApplicationFolder(program);
        ASSERT_EQ(runTool(ROMQUILL_MAKE_DEMO, {program, games.file("demo.bin")}).exitCode, 0);
        load(path = games.file("demo.bin"));
        launcher->applyForcedTemplate(program + "/plugins/games/" + demoTemplate, "Romquill Demo");
    }

    // Loads the file in the launcher and launches a window with the button, the file removed first if asked.
    QWidget* launch(const std::string& file, const char* with, const QString& name, bool removeFile = false) {
        load(path = file);
        before = readAll(path);
        if (removeFile) {
            std::filesystem::remove(path);
        }
        press(with);
        return window = openWindow(name);
    }
    // The opened window's controls by name, and what a user does with them.
    template <class T = QLineEdit>
    T* child(const QString& name) const {
        return window->findChild<T*>(name);
    }
    void click(const QString& button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    // Replaces a box's text as a paste does, through its typing limit.
    void paste(const QString& box, const QString& text) const {
        child(box)->selectAll();
        child(box)->insert(text);
    }

    QPointer<QWidget> window;  // the window a test opened
    std::string path, before;  // the file it was opened on, and the file's bytes then
    ProgramFolder folder;
    TempDir games;  // the game files a test loads
    ScriptedDialogs dialogs;
    std::unique_ptr<launcher::LoaderWindow> launcher;
};

}  // namespace rq::test
