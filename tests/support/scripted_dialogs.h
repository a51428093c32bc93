#pragma once

#include <QStringList>
#include <optional>
#include <utility>

#include "kit/dialogs.h"

namespace rq::test {

// A message as "title [icon, buttons] text".
[[nodiscard]] QString shown(kit::Dialogs::Icon icon, const QString& text,
                            kit::Dialogs::Buttons buttons = kit::Dialogs::Buttons::Ok,
                            const QString& title = QStringLiteral("Romquill"));

// A message that offers an action, as "title [icon, ACTION|Cancel] text".
[[nodiscard]] QString offered(kit::Dialogs::Icon icon, const QString& text, const QString& action,
                              const QString& title = QStringLiteral("Romquill"));

// Records every message and answers from a script, each answer and file used once.
class ScriptedDialogs final : public kit::Dialogs {
  public:
    Answer message(QWidget*, const QString& title, const QString& text, Icon icon, Buttons buttons) override {
        log << shown(icon, text, buttons, title);
        return buttons == Buttons::Ok ? Answer::Ok : std::exchange(answer, Answer::No);
    }
    // Yes as the answer chooses the action.
    bool offer(QWidget*, const QString& title, const QString& text, Icon icon,
               const QString& action) override {
        log << offered(icon, text, action, title);
        return std::exchange(answer, Answer::No) == Answer::Yes;
    }
    std::optional<QString> openFile(QWidget*, const FileRequest& request) override {
        requestTitle = request.title;
        return files.isEmpty() ? std::nullopt : std::optional(files.takeFirst());
    }
    std::optional<SaveChoice> saveFile(QWidget*, const FileRequest& request) override {
        requestTitle = request.title;
        saveRequest = request;
        return std::exchange(saveAs, std::nullopt);
    }

    QStringList log;                   // every message, as shown() writes it
    Answer answer = Answer::No;        // to the next question
    QStringList files;                 // for the next file requests, in turn; none left: cancelled
    std::optional<SaveChoice> saveAs;  // for the next save request; none: it is cancelled
    QString requestTitle;              // of the last file request
    FileRequest saveRequest;           // the last save request
};

}  // namespace rq::test
