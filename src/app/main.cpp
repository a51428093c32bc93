#include <QApplication>

#include "files/common.h"
#include "kit/dialogs.h"
#include "launcher/loader.h"
#include "kit/qtcodepage.h"
#include "kit/windowtools.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Romquill"));
    rq::setApplicationFolder(rq::toPath(QCoreApplication::applicationDirPath()));

    rq::QtDialogs dialogs;
    rq::LoaderWindow launcher(dialogs);
    rq::centreOnScreen(&launcher);
    launcher.show();
    // Closing the launcher closes only the launcher; the process ends with its last window.
    return QApplication::exec();
}
