#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "kit/dialogs.h"

namespace rq::test {

// Records every message and file request, and answers them from a script. An unscripted question is
// answered No (Cancel where there is no No); an unscripted file request is cancelled.
class ScriptedDialogs final : public Dialogs {
  public:
    struct Message {
        QString title;
        QString text;
        Icon icon;
        Buttons buttons;
    };

    Answer message(QWidget* parent, const QString& title, const QString& text, Icon icon,
                   Buttons buttons) override;
    std::optional<QString> openFile(QWidget* parent, const FileRequest& request) override;

    void answer(Answer a) { m_answers.push_back(a); }
    void chooseFile(const QString& path) { m_files.emplace_back(path); }
    void cancelFile() { m_files.emplace_back(std::nullopt); }

    [[nodiscard]] const std::vector<Message>& messages() const { return m_messages; }
    [[nodiscard]] QStringList texts() const;
    // Every message whole, as shown() writes it.
    [[nodiscard]] QStringList log() const;
    [[nodiscard]] const std::vector<FileRequest>& fileRequests() const { return m_requests; }
    void clear() { m_messages.clear(); }

  private:
    std::vector<Message> m_messages;
    std::vector<FileRequest> m_requests;
    std::deque<Answer> m_answers;
    std::deque<std::optional<QString>> m_files;
};

// A message of the program's own title: "Romquill [icon, buttons] text".
[[nodiscard]] QString shown(Dialogs::Icon icon, const QString& text,
                            Dialogs::Buttons buttons = Dialogs::Buttons::Ok);

}  // namespace rq::test
