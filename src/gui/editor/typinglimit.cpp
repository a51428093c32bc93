#include "typinglimit.h"

#include <QLineEdit>
#include <algorithm>

namespace rq {

TypingLimit::TypingLimit(int limit, QLineEdit* box) : QValidator(box), m_limit(limit) {
    held(box->text());
    connect(box, &QLineEdit::textChanged, this, &TypingLimit::held);
    box->setValidator(this);
}

void TypingLimit::held(const QString& text) {
    m_current = text;
    if (text.size() > m_limit) {
        m_heldOverLimit.insert(text);
    }
}

QValidator::State TypingLimit::validate(QString& input, int& pos) const {
    const qsizetype room = std::max<qsizetype>(m_limit, m_current.size());
    if (input.size() <= room || m_heldOverLimit.contains(input)) {
        return Acceptable;
    }
    // The edit put its new characters just before the cursor, in place of what it removed.
    const qsizetype cursor = std::clamp<qsizetype>(pos, 0, input.size());
    const qsizetype after = input.size() - cursor;
    qsizetype start = 0;
    while (start < cursor && start < m_current.size() - after && input[start] == m_current[start]) {
        ++start;
    }
    const qsizetype keep = (cursor - start) - (input.size() - room);
    if (keep <= 0) {
        return Invalid;
    }
    input.remove(start + keep, cursor - start - keep);
    pos = static_cast<int>(start + keep);
    return Acceptable;
}

}  // namespace rq
