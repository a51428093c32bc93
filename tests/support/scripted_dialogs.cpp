#include "scripted_dialogs.h"

namespace rq::test {

Dialogs::Answer ScriptedDialogs::message(QWidget*, const QString& title, const QString& text, Icon icon,
                                         Buttons buttons) {
    m_messages.push_back(Message{title, text, icon, buttons});
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    if (m_answers.empty()) {
        return Answer::No;
    }
    const Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const FileRequest& request) {
    m_requests.push_back(request);
    if (m_files.empty()) {
        return std::nullopt;
    }
    const bool chosen = m_files.front().has_value();
    const QString file = chosen ? *m_files.front() : QString();
    m_files.pop_front();
    return chosen ? std::optional<QString>(file) : std::nullopt;
}

QStringList ScriptedDialogs::texts() const {
    QStringList list;
    for (const auto& m : m_messages) {
        list << m.text;
    }
    return list;
}

}  // namespace rq::test
