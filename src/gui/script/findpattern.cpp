#include "findpattern.h"

#include <QObject>

namespace rq::script {

FindPattern::FindPattern(const QString& find, bool regex, bool matchCase) : m_find(find) {
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (!matchCase) {
        options |= QRegularExpression::CaseInsensitiveOption;
    }
    // A plain text goes through the same engine, escaped, so that what is counted is what is replaced.
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
    // A plain text's pattern has no groups, so a backslash in its replacement names none: it stays.
    return text.replace(m_expression, with);
}

}  // namespace rq::script
