#include "entryroom.h"

#include <QFileInfo>
#include <QObject>

#include "kit/qtcodepage.h"

namespace rq::kit {

RoomLeft entryRoomLeft(const templates::TemplateEntry& entry, const editor::EntryRoom& room,
                       std::optional<std::uint64_t> moving, const QString& text, bool overShown) {
    if (entry.table) {
        // A pointer entry's room is where its string lies now: a save can move it, when canMove says so.
        const auto move = [&entry, &room, moving]() -> std::optional<MoveRoom> {
            if (!moving || !editor::canMove(entry, room)) {
                return std::nullopt;
            }
            return MoveRoom{static_cast<long>(room.size), *moving};
        };
        const auto fit = editor::tableFit(entry, room, moving, text.toStdString());
        RoomLeft left = byteCounter([&fit](const QString&) { return fit.left; }, move)(text);
        // Room enough that the save still refuses (one byte that spaces of two cannot fill) is no room.
        if (!left.over && fit.refusal) {
            left = RoomLeft{QObject::tr("%1, unfillable").arg(left.text), true};
        }
        return left;
    }
    if (entry.limit() > 0) {
        return characterCounter(entry.limit(), overShown)(text);
    }
    return {};
}

QString missingFrom(const templates::TemplateEntry& entry) {
    const auto file = [](const std::string& path) { return QFileInfo(fromPath(path)).fileName(); };
    return entry.table ? QObject::tr("not in the table file %1").arg(file(entry.table->path()))
                       : QObject::tr("not in the alphabet file %1").arg(file(entry.alphabet->path()));
}

}  // namespace rq::kit
