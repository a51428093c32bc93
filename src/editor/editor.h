#pragma once

class QWidget;

namespace rq {

class LoaderWindow;

// The template text editor, opened by the launcher's "Launch!".
[[nodiscard]] QWidget* createEditorWindow(LoaderWindow& launcher);

}  // namespace rq
