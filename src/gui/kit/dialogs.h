#pragma once

#include <QString>
#include <optional>

#include "files/notice.h"

class QWidget;

namespace rq::kit {

// The title of the program's messages.
[[nodiscard]] QString appTitle();

// Every message box and file dialog goes through this, so that tests can script the answers.
class Dialogs {
  public:
    using Icon = NoticeIcon;
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    struct FileRequest {
        QString title;
        QString filter;  // description|pattern|description|pattern|...
        int filterIndex = 1;
        QString proposed = {};       // a save dialog's path to start from, file name and all
        bool confirmReplace = true;  // a save dialog asks before it names a file that is there
    };
    struct SaveChoice {
        QString path;
        int filterIndex = 1;  // the filter chosen, from 1: a name without an extension takes its pattern's
    };

    virtual ~Dialogs() = default;

    virtual Answer message(QWidget* parent, const QString& title, const QString& text, Icon icon,
                           Buttons buttons) = 0;
    // A message that offers one action of its own, named by the button, besides Cancel: whether it was
    // chosen. Dialogs without buttons of their own ask it as a yes-or-no question.
    [[nodiscard]] virtual bool offer(QWidget* parent, const QString& title, const QString& text, Icon icon,
                                     const QString& /*action*/) {
        return message(parent, title, text, icon, Buttons::YesNo) == Answer::Yes;
    }

    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> openFile(QWidget* parent, const FileRequest& request) = 0;
    // Where to write a new file, or nothing when the user cancelled. Replacing a file is confirmed first,
    // unless the request leaves that to its caller.
    virtual std::optional<SaveChoice> saveFile(QWidget* parent, const FileRequest& request) = 0;

    void inform(QWidget* parent, const QString& title, const QString& text, Icon icon = Icon::Information) {
        message(parent, title, text, icon, Buttons::Ok);
    }
};

// The real dialogs: QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs {
  public:
    Answer message(QWidget* parent, const QString& title, const QString& text, Icon icon,
                   Buttons buttons) override;
    bool offer(QWidget* parent, const QString& title, const QString& text, Icon icon,
               const QString& action) override;
    std::optional<QString> openFile(QWidget* parent, const FileRequest& request) override;
    std::optional<SaveChoice> saveFile(QWidget* parent, const FileRequest& request) override;
};

// "desc|pattern|desc|pattern|" as Qt's name filters, one per pair, patterns as the dialog matches them.
[[nodiscard]] QStringList qtNameFilters(const QString& filter);

}  // namespace rq::kit
