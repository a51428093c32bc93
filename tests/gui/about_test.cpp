// The about window: what Help, "About..." shows, how it closes, and what "System Info..." does with what the
// core's lookup finds (the lookup itself is tested in the core).

#include "support/launcher_fixture.h"

namespace rq {

using namespace rq::about;
using namespace rq::kit;
namespace {

using AboutTest = test::LauncherFixture;

TEST_F(AboutTest, HelpAboutShowsItsTextsAndOkEnterAndEscapeCloseIt) {
    for (const int key : {0, int(Qt::Key_Return), int(Qt::Key_Escape)}) {  // 0: a click on OK
        item("mnuHelpAbout")->trigger();
        QPointer<QWidget> about = test::openWindow("about");
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
    const QString unavailable =
        test::shown(Dialogs::Icon::None, "System Information Is Unavailable At This Time");
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

}  // namespace
}  // namespace rq
