#pragma once

#include <QString>

namespace rq {

// What the launcher owns and the windows it opens read; windows that keep copies take them when they open.
struct LauncherState {
    QString loadedPath;    // written only by the launcher's load
    QString detectedGame;  // by identification, or by a template forced in the chooser
    QString templatePath;  // full path of the template in force; the games folder + "<error>" when none
    int editorSavedTab = 0;
};

}  // namespace rq
