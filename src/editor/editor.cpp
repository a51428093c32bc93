#include "editor.h"

#include "launcher/loader.h"
#include "launcher/placeholder.h"

namespace rq {

QWidget* createEditorWindow(LoaderWindow& launcher) {
    return new PlaceholderWindow(QStringLiteral("editor"), launcher.windowTitle(),
                                 [&launcher] { launcher.editorLoaded(); });
}

}  // namespace rq
