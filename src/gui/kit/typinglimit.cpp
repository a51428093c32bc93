#include "typinglimit.h"

#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <utility>

#include "files/codepage.h"

namespace rq::kit {
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

QString roomLeftText(int limit, const QString& text) {
    const qsizetype left = limit - characters(text);
    return left > 0 ? QObject::tr("%1 left").arg(left) : QObject::tr("full");
}

QString unsaveableToolTip(const std::u32string& characters, const QString& where) {
    QStringList shown;
    for (const char32_t ch : characters) {
        shown << QStringLiteral("'%1'").arg(QString::fromUcs4(&ch, 1));
    }
    return QObject::tr("Cannot be saved: %1 (%2)").arg(shown.join(QStringLiteral(", ")), where);
}

RoomCounter characterCounter(int limit, bool overShown) {
    return [limit, overShown](const QString& text) {
        const qsizetype over = characters(text) - limit;
        return overShown && over > 0 ? RoomLeft{QObject::tr("%1 over").arg(over), true}
                                     : RoomLeft{roomLeftText(limit, text)};
    };
}

RoomCounter byteCounter(std::function<std::optional<long>(const QString&)> bytesLeft,
                        std::function<std::optional<MoveRoom>()> move) {
    return [bytesLeft = std::move(bytesLeft), move = std::move(move)](const QString& text) {
        const auto left = bytesLeft(text);
        if (!left) {
            return RoomLeft{QStringLiteral("?")};
        }
        const auto bytes = [](std::uint64_t count) {
            return count == 1 ? QObject::tr("1 byte") : QObject::tr("%1 bytes").arg(count);
        };
        if (const auto moving = move ? move() : std::nullopt) {
            // A string that can move is never full: it can still grow by moving.
            if (*left >= 0) {
                return RoomLeft{QObject::tr("%1 left here; %2 free elsewhere")
                                    .arg(bytes(static_cast<std::uint64_t>(*left)))
                                    .arg(moving->largestFree)};
            }
            const auto needed = static_cast<std::uint64_t>(moving->room - *left);
            return RoomLeft{QObject::tr("moves: %1 free").arg(bytes(moving->largestFree)),
                            needed > moving->largestFree};
        }
        if (*left == 0) {
            return RoomLeft{QObject::tr("full")};
        }
        const auto count = static_cast<std::uint64_t>(*left < 0 ? -*left : *left);
        return *left < 0 ? RoomLeft{QObject::tr("%1 over").arg(bytes(count)), true}
                         : RoomLeft{QObject::tr("%1 left").arg(bytes(count))};
    };
}

void showRoomLeft(QLabel* counter, const RoomLeft& left) {
    counter->setText(left.text);
    counter->setStyleSheet(left.over ? QStringLiteral("QLabel { color: red; }") : QString());
}

void markUnsaveable(QWidget* box, const std::u32string& characters, const QString& where) {
    // A style sheet set or taken away polishes the box anew, and the box's inherited font (a fixed-width
    // one in the editors, whose widths the translator goes by) would give way to the application's: the
    // font is set on the box itself, which the style sheet does not touch.
    box->setFont(box->font());
    box->setStyleSheet(characters.empty() ? QString()
                                          : QStringLiteral("%1 { border: 2px solid red; }")
                                                .arg(QLatin1String(box->metaObject()->className())));
    box->setToolTip(characters.empty() ? QString() : unsaveableToolTip(characters, where));
}

std::function<void()> watchTextBox(QLineEdit* box, QLabel* counter, RoomCounter count,
                                   std::function<std::u32string(const QString&)> unsaveable,
                                   const QString& where) {
    const auto show = [box, counter, count = std::move(count), unsaveable = std::move(unsaveable),
                       where](const QString& text) {
        if (counter) {
            showRoomLeft(counter, count(text));
        }
        markUnsaveable(box, unsaveable(text), where);
    };
    show(box->text());
    QObject::connect(box, &QLineEdit::textChanged, box, show);
    return [box, show] { show(box->text()); };
}

void watchCodePageBox(QLineEdit* box, QLabel* counter, RoomCounter count) {
    watchTextBox(
        box, counter, std::move(count),
        [](const QString& text) { return files::charactersWithoutByte(text.toStdString()); },
        QObject::tr("no byte in code page 1252"));
}

}  // namespace rq::kit
