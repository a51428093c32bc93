#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <memory>

#include "launcher/loader.h"
#include "support/gui_helpers.h"
#include "support/scripted_dialogs.h"
#include "support/testfiles.h"

namespace rq::test {

// The launcher on a program folder of its own, with the fixed pictures in one colour each, driven offscreen
// with scripted dialogs. Windows it opened are closed after each test.
class LauncherFixture : public ::testing::Test {
  protected:
    static inline const QColor kNoRom{Qt::black};
    static inline const QColor kPcEnglish{Qt::blue};
    static inline const QColor kPcJapanese{Qt::red};

    void SetUp() override {
        writePicture(folder.path("gfx\\norom.dat"), kNoRom);
        writePicture(folder.path("gfx\\pc-sadx-eng.dat"), kPcEnglish);
        writePicture(folder.path("gfx\\pc-sadx-jap.dat"), kPcJapanese);
        launcher = std::make_unique<LoaderWindow>(dialogs);
        launcher->show();
    }
    void TearDown() override {
        closeAllWindows();
        launcher.reset();
    }

    QPushButton* button(const char* name) const {
        return launcher->findChild<QPushButton*>(QLatin1String(name));
    }
    QLabel* label(const char* name) const { return launcher->findChild<QLabel*>(QLatin1String(name)); }

    ProgramFolder folder;
    TempDir games;  // the game files a test loads
    ScriptedDialogs dialogs;
    std::unique_ptr<LoaderWindow> launcher;
};

}  // namespace rq::test
