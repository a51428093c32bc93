// The about window: what Help, "About..." shows, how it closes, and what "System Info..." does with what the
// core's lookup finds (the lookup itself is tested in the core).

#include <QAction>

#include "support/launcher_fixture.h"

namespace rq {

using namespace rq::about;
using namespace rq::kit;
namespace {

class AboutTest : public test::LauncherFixture {
  public:
    QWidget* open() {
        item("mnuHelpAbout")->trigger();
        return test::openWindow("about");
    }
};

TEST_F(AboutTest, HelpAboutShowsTheTitleVersionDisclaimerAndButtons) {
    QWidget* about = open();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About Romquill");
    EXPECT_EQ(about->findChild<QLabel*>("lblTitle")->text(), "Romquill, v1.10");
    EXPECT_EQ(about->findChild<QLabel*>("lblDisclaimer")->text(),
              "Warning: I take no responsibility for any damage WHATSOEVER that this program causes to your "
              "PC. Even though it shouldn't do. Because I'm that damn 1337. =P");
    EXPECT_EQ(about->findChild<QLabel*>("picIcon")->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(about->findChild<QPushButton*>("cmdOK")->text(), "OK");
    EXPECT_EQ(about->findChild<QPushButton*>("cmdSysInfo")->text(), "&System Info...");
}

TEST_F(AboutTest, OkEnterAndEscapeCloseIt) {
    for (const int key : {0, int(Qt::Key_Return), int(Qt::Key_Escape)}) {  // 0: a click on OK
        QPointer<QWidget> about = open();
        ASSERT_NE(about, nullptr);
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
    } rows[] = {{nullptr, {unavailable}}, {"/nonexistent/msinfo32", {unavailable}}, {"/bin/true", {}}};
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
