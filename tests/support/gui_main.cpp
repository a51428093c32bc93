#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>

// GUI tests drive real windows on the offscreen platform, so they need no display.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef _WIN32
    // Qt's offscreen platform on Windows reads its fonts from one folder: the host's DejaVu under Wine (the
    // font the Linux runs use), else the system's.
    if (!qEnvironmentVariableIsSet("QT_QPA_FONTDIR")) {
        const QString wine = QStringLiteral("Z:/usr/share/fonts/truetype/dejavu");
        qputenv("QT_QPA_FONTDIR", QFileInfo::exists(wine) ? wine.toUtf8() : qgetenv("WINDIR") + "/Fonts");
    }
#endif
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
