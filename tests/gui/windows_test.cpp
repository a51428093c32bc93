// What only Windows can show: its paths (drive letters, backslashes, names outside ASCII) through Qt's own
// file dialog, and "System Info..." starting the program that the real registry names.

#include <QFileDialog>
#include <QTimer>

#include "kit/dialogs.h"
#include "support/launcher_fixture.h"
#include "support/sysinfo_registry.h"

namespace rq::test {
namespace {

using WindowsTest = LauncherFixture;

TEST_F(WindowsTest, LoadTakesANativePathOutsideAsciiThroughQtsFileDialog) {
#ifndef _WIN32
    GTEST_SKIP() << "Windows' paths";
#else
    const std::string file = megaDrive("Spiel f\xC3\xBCr dich \xD0\xB6.bin");
    const QString typed = QDir::toNativeSeparators(QFileInfo(qs(file)).absoluteFilePath());
    ASSERT_EQ(typed.mid(1, 2), ":\\");
    // Answered as a user would: the path typed into the dialog's own box.
    QStringList filters;
    QString selectedFilter;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        dialog->selectFile(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    kit::QtDialogs qtDialogs;
    launcher::LoaderWindow real(qtDialogs, programWindows());
    real.load_Click();
    ASSERT_EQ(filters.size(), 10);
    EXPECT_EQ(filters.first(), "All Compatible Files (*.32x *.bin *.exe *.gba *.gg *.iso *.mb *.npc *.sms)");
    EXPECT_EQ(filters.last(), "Master System ROMs (*.sms)");
    EXPECT_EQ(selectedFilter, filters.first());
    // Shown and kept as Windows writes it, though Qt's dialog gives "/".
    EXPECT_EQ(qs(real.state().loadedPath), typed);
    EXPECT_EQ(real.state().detectedGame, "Sonic The Hedgehog 2");
#endif
}

TEST_F(WindowsTest, SystemInfoStartsTheProgramTheRegistryNames) {
#ifndef _WIN32
    GTEST_SKIP() << "the registry is Windows'";
#else
    const SysInfoRegistry registry;
    if (!registry.mine()) {
        GTEST_SKIP()
            << "this machine has a system-information value of its own, which the test must not touch";
    }
    // A program in a folder outside ASCII that leaves a mark where the test looks.
    const std::string mark = games.file("started.txt");
    const std::string program = games.file("Programme f\xC3\xBCr mich\\msinfo32.cmd");
    writeText(program, "@echo started>\"" + mark + "\"\r\n");
    ASSERT_TRUE(registry.putPath(program));
    item("mnuHelpAbout")->trigger();
    QWidget* about = openWindow("about");
    ASSERT_NE(about, nullptr);
    QTest::mouseClick(about->findChild<QPushButton*>("cmdSysInfo"), Qt::LeftButton);
    EXPECT_EQ(dialogs.log, QStringList());
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(files::fsPath(mark)); }, 30000));
#endif
}

}  // namespace
}  // namespace rq::test
