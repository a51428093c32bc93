#include "programwindows.h"

#include "about/about.h"
#include "cutscenes/main_cutscenes.h"
#include "editor/editor.h"
#include "headers/gbamain.h"
#include "headers/mdmain.h"
#include "script/scriptwindow.h"
#include "search/find_text.h"
#include "templates/template_chooser.h"

namespace rq {

launcher::LauncherWindows programWindows() {
    launcher::LauncherWindows windows;
    windows.editor = editor::createEditorWindow;
    windows.cutscenes = cutscenes::createCutscenesWindow;
    windows.chooser = templates::createTemplateChooser;
    windows.about = about::createAboutWindow;
    windows.gbaHeader = headers::createGbaHeaderWindow;
    windows.mdHeader = headers::createMdHeaderWindow;
    windows.findText = search::createFindTextWindow;
    windows.script = script::createScriptWindow;
    return windows;
}

}  // namespace rq
