#include "findpattern.h"

#include <QObject>

namespace rq::script {

FindPattern::FindPattern(const QString& find, bool regex, bool matchCase) : m_find(find), m_regex(regex) {
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (!matchCase) {
        options |= QRegularExpression::CaseInsensitiveOption;
    }
    // A plain text is counted through the same engine, so that the count is the replace's.
    m_expression = QRegularExpression(regex ? find : QRegularExpression::escape(find), options);
    if (!m_expression.isValid()) {
        m_error = QObject::tr("%1 at position %2")
                      .arg(m_expression.errorString())
                      .arg(m_expression.patternErrorOffset());
    }
}

int FindPattern::count(const QString& text) const {
    if (!usable()) {
        return 0;
    }
    int found = 0;
    for (auto it = m_expression.globalMatch(text); it.hasNext(); it.next()) {
        ++found;
    }
    return found;
}

QString FindPattern::replaced(QString text, const QString& with) const {
    if (!usable()) {
        return text;
    }
    if (m_regex) {
        return text.replace(m_expression, with);
    }
    // A plain replacement is taken as it is: a backslash in it names no group.
    QString result;
    qsizetype at = 0;
    for (auto it = m_expression.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        result += QStringView(text).mid(at, match.capturedStart() - at);
        result += with;
        at = match.capturedEnd();
    }
    result += QStringView(text).mid(at);
    return result;
}

}  // namespace rq::script
