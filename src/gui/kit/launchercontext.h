#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "kit/dialogs.h"
#include "launcher/launchermodel.h"

namespace rq::kit {

// What every window opened from the launcher is given: the launcher's state, the dialogs, and the
// launcher's callbacks. Windows hold it shared, so that it outlives the launcher; once the launcher is
// gone its callbacks do nothing and window is null.
struct LauncherContext {
    explicit LauncherContext(Dialogs& dialogs) : dialogs(dialogs) {}

    launcher::LauncherState state;
    Dialogs& dialogs;
    QPointer<QWidget> window;  // the launcher: the parent of the messages a window shows on its behalf

    std::function<void()> editorLoaded = [] {};     // the template editor's load has finished
    std::function<void()> cutscenesLoaded = [] {};  // the cutscene editor's load has finished
    // A template chosen in the chooser and the game name it gives (code-page bytes).
    std::function<void(const std::string& templatePath, const std::string& gameName)> applyForcedTemplate =
        [](const std::string&, const std::string&) {};
};

using LauncherContextPtr = std::shared_ptr<LauncherContext>;

// How a window opened from the launcher is made; nullptr when it refused to open.
using WindowFactory = std::function<QWidget*(const LauncherContextPtr&)>;

}  // namespace rq::kit
