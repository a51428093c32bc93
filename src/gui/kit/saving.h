#pragma once

#include <functional>

#include "files/result.h"
#include "kit/dialogs.h"

class QWidget;

namespace rq::kit {

// The icon of a save's error: a refusal is a warning, a file that could not be opened or written is graver.
[[nodiscard]] Dialogs::Icon saveErrorIcon(const Error& error);

// Closing a window with edits not yet saved asks whether to save them first: Yes saves, No discards, Cancel
// keeps the window. Gives whether the window may close; a save that fails keeps it open, with the edits.
// The question carries the window's title where the window titles its messages with it. Loading another
// file into the window asks the same, with what it is about to do in place of "closing".
[[nodiscard]] bool mayClose(Dialogs& dialogs, QWidget* window, bool edited, const std::function<bool()>& save,
                            const QString& title = appTitle(),
                            const QString& doing = QStringLiteral("closing"));

// A window's title with the marker of edits not yet saved in front of it while there are any.
[[nodiscard]] QString editedTitle(const QString& title, bool edited);

}  // namespace rq::kit
