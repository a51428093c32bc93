#pragma once

class QWidget;

namespace rq {

class LoaderWindow;

// The template chooser, opened by the launcher's "Force load a template".
[[nodiscard]] QWidget* createTemplateChooser(LoaderWindow& launcher);

}  // namespace rq
