#include "scripted_dialogs.h"

namespace rq::test {
namespace {

QString describe(const QString& title, Dialogs::Icon icon, Dialogs::Buttons buttons, const QString& text) {
    static const char* const icons[] = {"None", "Information", "Exclamation", "Critical"};
    static const char* const buttonSets[] = {"Ok", "YesNo", "YesNoCancel"};
    return QStringLiteral("%1 [%2, %3] %4")
        .arg(title, QLatin1String(icons[static_cast<int>(icon)]),
             QLatin1String(buttonSets[static_cast<int>(buttons)]), text);
}

}  // namespace

Dialogs::Answer ScriptedDialogs::message(QWidget*, const QString& title, const QString& text, Icon icon,
                                         Buttons buttons) {
    m_messages.push_back(Message{title, text, icon, buttons});
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    const Answer a = m_answers.empty() ? Answer::No : m_answers.front();
    if (!m_answers.empty()) {
        m_answers.pop_front();
    }
    return a;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const FileRequest& request) {
    m_requests.push_back(request);
    std::optional<QString> file;
    if (!m_files.empty()) {
        file = m_files.front();
        m_files.pop_front();
    }
    return file;
}

QStringList ScriptedDialogs::texts() const {
    QStringList list;
    for (const auto& m : m_messages) {
        list << m.text;
    }
    return list;
}

QStringList ScriptedDialogs::log() const {
    QStringList list;
    for (const auto& m : m_messages) {
        list << describe(m.title, m.icon, m.buttons, m.text);
    }
    return list;
}

QString shown(Dialogs::Icon icon, const QString& text, Dialogs::Buttons buttons) {
    return describe(QStringLiteral("Romquill"), icon, buttons, text);
}

}  // namespace rq::test
