#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "files/result.h"
#include "kit/dialogs.h"

class QPushButton;
class QWidget;

namespace rq::templates {
struct GameTemplate;
}

namespace rq::kit {

// A message for a window to show as it stands.
struct Message {
    QString text;
    Dialogs::Icon icon = Dialogs::Icon::Exclamation;
};

// A template that cannot be read, as the editors tell it: an alphabet older than 0.9 gravely, saying what
// happens instead (consequence: "closing the editor"); any other refusal as its message names it (file,
// section, key and value).
[[nodiscard]] Message templateRefusal(const Error& error, std::string_view consequence);

// What a read of a template's texts leaves to tell: the file could not be read, or its texts came to more
// than the decoded limit; nothing when every text was read.
[[nodiscard]] std::optional<Message> readProblem(bool readFailed, bool tooMuchText);

// A font that cannot be read, told once when an editor opens: the texts go on without being measured.
[[nodiscard]] Message fontProblem(const Error& error);

// A save's error as it is shown.
[[nodiscard]] Message saveRefusal(const Error& error);

// "Writing complete!", and what more a save says of what it did.
[[nodiscard]] Message writingComplete(const QString& more = {});

// A number as the program's messages write it: they are English, so are their digit groups ("3,420").
[[nodiscard]] QString grouped(std::uint64_t number);

// What a save ends with: the message it shows, and whether everything was written.
struct SaveEnd {
    Message message;
    bool written = false;
};

// A save started from a button: the button disabled and captioned busy meanwhile, the focus kept where it
// was (disabling the focused button would hand it to a text box, its text selected, for the next key to
// replace), then the message save ends with. True when everything was written.
bool runSave(Dialogs& dialogs, QWidget* window, QPushButton* button, const QString& busy,
             const std::function<SaveEnd()>& save);

// runSave for a save through the template at templatePath read afresh, so that an alphabet or a value
// changed on disk since the window opened counts: a template it cannot read is told as templateRefusal
// tells it, save's own error as saveRefusal does, and what it did as its message says.
bool runTemplateSave(Dialogs& dialogs, QWidget* window, QPushButton* button, const QString& templatePath,
                     const std::function<Result<Message>(const templates::GameTemplate&)>& save);

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
