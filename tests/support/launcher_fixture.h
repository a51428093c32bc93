#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor.h"
#include "launcher/loader.h"
#include "support/scripted_dialogs.h"
#include "support/testfiles.h"
#include "templates/template_chooser.h"

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace rq::test {
// The core's UTF-8 text, to compare with what a window shows.
inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}
}  // namespace rq::test

namespace rq::test {

// A picture under a ".dat" name, one colour all over, so a test can tell which one a window shows.
inline void writePicture(const std::string& path, const QColor& colour) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    image.save(QString::fromStdString(path), "PNG");
}

// The visible top-level windows of that object name.
inline QWidgetList openWindows(const QString& name) {
    QWidgetList found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name && w->isVisible()) {
            found << w;
        }
    }
    return found;
}
inline QWidget* openWindow(const QString& name) {
    const QWidgetList found = openWindows(name);
    return found.isEmpty() ? nullptr : found.front();
}

// Names the rows of a table of cases in the test names.
inline constexpr auto rowName = [](const auto& info) { return std::string(info.param.name); };

// The launcher on a program folder of its own, with the fixed pictures in one colour each, driven offscreen
// with scripted dialogs. Windows it opened are closed after each test.
class LauncherFixture : public ::testing::Test {
  public:
    static inline const QColor kNoRom{Qt::black};
    static inline const QColor kPcEnglish{Qt::blue};
    static inline const QColor kPcJapanese{Qt::red};

    void SetUp() override {
        writePicture(folder.path("gfx\\norom.dat"), kNoRom);
        writePicture(folder.path("gfx\\pc-sadx-eng.dat"), kPcEnglish);
        writePicture(folder.path("gfx\\pc-sadx-jap.dat"), kPcJapanese);
        LauncherWindows windows;
        windows.editor = createEditorWindow;
        windows.chooser = createTemplateChooser;
        launcher = std::make_unique<LoaderWindow>(dialogs, std::move(windows));
        launcher->show();
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            w->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        launcher.reset();
    }

    QPushButton* button(const char* name) const {
        return launcher->findChild<QPushButton*>(QLatin1String(name));
    }
    QLabel* label(const char* name) const { return launcher->findChild<QLabel*>(QLatin1String(name)); }
    void press(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QColor picture() const {
        const QPixmap shown = label("romloaded")->pixmap();
        return shown.isNull() ? QColor() : shown.toImage().pixelColor(0, 0);
    }
    // Everything the launcher shows and holds, to tell that nothing changed.
    QStringList launcherView() const {
        const auto& state = launcher->state();
        return QStringList() << launcher->windowTitle() << label("path")->text() << label("rom_name")->text()
                             << launcher->romNameText() << qs(state.loadedPath) << qs(state.detectedGame)
                             << qs(state.templatePath) << button("go")->text() << picture().name()
                             << QString::number(button("go")->isEnabled())
                             << QString::number(button("sadxpc")->isVisible());
    }
    QString gamesPath(const std::string& name) const {
        return QString::fromStdString(folder.path("plugins\\games\\" + name));
    }

    // Picks the file in the launcher's load dialog.
    void load(const std::string& path) {
        dialogs.chooseFile(QString::fromStdString(path));
        press("load");
    }
    // A Mega Drive image with that product code, and more bytes where given.
    std::string megaDrive(const std::string& name, const std::string& productCode,
                          std::vector<Patch> more = {}, std::uint64_t size = 0) const {
        more.push_back({0x100, "SEGA MEGA DRIVE"});
        more.push_back({0x183, productCode});
        const auto path = games.file(name);
        writeImage(path, more, size);
        return path;
    }

    ProgramFolder folder;
    TempDir games;  // the game files a test loads
    ScriptedDialogs dialogs;
    std::unique_ptr<LoaderWindow> launcher;
};

}  // namespace rq::test
