#include "typinglimit.h"

#include <QLineEdit>
#include <algorithm>

namespace rq {
namespace {

// The limit counts characters, as the save does: a character of two UTF-16 units is one.
qsizetype characters(const QString& text) {
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}

}  // namespace

TypingLimit::TypingLimit(int limit, QLineEdit* box) : QValidator(box), m_limit(limit) {
    held(box->text());
    connect(box, &QLineEdit::textChanged, this, &TypingLimit::held);
    box->setValidator(this);
}

void TypingLimit::held(const QString& text) {
    m_current = text;
    if (characters(text) > m_limit) {
        m_heldOverLimit.insert(text);
    }
}

QValidator::State TypingLimit::validate(QString& input, int& pos) const {
    const qsizetype excess = characters(input) - std::max<qsizetype>(m_limit, characters(m_current));
    if (excess <= 0 || m_heldOverLimit.contains(input)) {
        return Acceptable;
    }
    // The edit put its new characters just before the cursor, in place of what it removed.
    const qsizetype cursor = std::clamp<qsizetype>(pos, 0, input.size());
    const qsizetype after = input.size() - cursor;
    qsizetype start = 0;
    while (start < cursor && start < m_current.size() - after && input[start] == m_current[start]) {
        ++start;
    }
    // Its last characters go, a surrogate pair as one, and at least one of its characters must stay.
    qsizetype end = cursor;
    for (qsizetype n = 0; n < excess && end > start; ++n) {
        end -=
            end - start >= 2 && input[end - 1].isLowSurrogate() && input[end - 2].isHighSurrogate() ? 2 : 1;
    }
    if (end <= start) {
        return Invalid;
    }
    input.remove(end, cursor - end);
    pos = static_cast<int>(end);
    return Acceptable;
}

}  // namespace rq
