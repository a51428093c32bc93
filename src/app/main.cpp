#include <QApplication>

#include "about/about.h"
#include "cutscenes/main_cutscenes.h"
#include "editor/editor.h"
#include "files/common.h"
#include "headers/gbamain.h"
#include "headers/mdmain.h"
#include "kit/dialogs.h"
#include "kit/qtcodepage.h"
#include "kit/windowtools.h"
#include "launcher/loader.h"
#include "templates/template_chooser.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Romquill"));
    rq::setApplicationFolder(rq::toPath(QCoreApplication::applicationDirPath()));

    rq::QtDialogs dialogs;
    rq::LauncherWindows windows;
    windows.editor = rq::createEditorWindow;
    windows.cutscenes = rq::createCutscenesWindow;
    windows.chooser = rq::createTemplateChooser;
    windows.about = rq::createAboutWindow;
    windows.gbaHeader = rq::createGbaHeaderWindow;
    windows.mdHeader = rq::createMdHeaderWindow;
    rq::LoaderWindow launcher(dialogs, std::move(windows));
    rq::centreOnScreen(&launcher);
    launcher.show();
    // Closing the launcher closes only the launcher; the process ends with its last window.
    return QApplication::exec();
}
