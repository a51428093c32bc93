#include "entryroom.h"

#include <QFileInfo>
#include <QObject>

#include "kit/qtcodepage.h"

namespace rq::kit {

namespace {

// A pointer entry's room is where its string lies now: a save can move it, when canMove says so.
std::function<std::optional<MoveRoom>()> moveRoom(const templates::TemplateEntry& entry,
                                                  const editor::EntryRoom& room,
                                                  std::optional<std::uint64_t> moving) {
    return [movable = moving && editor::canMove(entry, room), size = room.size,
            moving]() -> std::optional<MoveRoom> {
        return movable ? std::optional(MoveRoom{static_cast<long>(size), *moving}) : std::nullopt;
    };
}

QString unfillable(const QString& left) {
    return QObject::tr("%1, unfillable").arg(left);
}

// How far over its room a text the counter is made wide enough for may be.
constexpr long kWidestOver = 99999;

}  // namespace

RoomLeft entryRoomLeft(const templates::TemplateEntry& entry, const editor::EntryRoom& room,
                       std::optional<std::uint64_t> moving, const QString& text, bool overShown) {
    if (entry.table) {
        const auto move = moveRoom(entry, room, moving);
        const auto fit = editor::tableFit(entry, room, moving, text.toStdString());
        RoomLeft left = byteCounter([&fit](const QString&) { return fit.left; }, move)(text);
        // Room enough that the save still refuses (one byte that spaces of two cannot fill) is no room.
        if (!left.over && fit.refusal) {
            left = RoomLeft{unfillable(left.text), true};
        }
        return left;
    }
    if (entry.limit() > 0) {
        return characterCounter(entry.limit(), overShown)(text);
    }
    return {};
}

QStringList roomLeftTexts(const templates::TemplateEntry& entry, const editor::EntryRoom& room,
                          std::optional<std::uint64_t> moving, bool overShown) {
    QStringList texts;
    if (entry.table) {
        const auto move = moveRoom(entry, room, moving);
        for (const long left : {static_cast<long>(room.size), 0L, -kWidestOver}) {
            texts
                << byteCounter([left](const QString&) { return std::optional(left); }, move)(QString()).text;
        }
        if (room.end.empty()) {  // only a fixed room may be one the save cannot fill
            texts << unfillable(texts.front());
        }
    } else if (entry.limit() > 0) {
        texts << roomLeftText(entry.limit(), QString()) << roomLeftText(0, QString());
        if (overShown) {
            texts << QObject::tr("%1 over").arg(kWidestOver);
        }
    }
    return texts;
}

QString missingFrom(const templates::TemplateEntry& entry) {
    const auto file = [](const std::string& path) { return QFileInfo(fromPath(path)).fileName(); };
    return entry.table ? QObject::tr("not in the table file %1").arg(file(entry.table->path()))
                       : QObject::tr("not in the alphabet file %1").arg(file(entry.alphabet->path()));
}

}  // namespace rq::kit
