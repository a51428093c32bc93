#include "entryroom.h"

#include <QFileInfo>
#include <QObject>

#include "kit/qtcodepage.h"

namespace rq::kit {

RoomLeft entryRoomLeft(const templates::TemplateEntry& entry, const editor::EntryRoom& room,
                       std::optional<std::uint64_t> moving, const QString& text, bool overShown) {
    if (entry.table) {
        // A pointer entry's room is where its string lies now: a save can move it.
        const auto move = [&room, moving]() -> std::optional<MoveRoom> {
            if (!moving) {
                return std::nullopt;
            }
            return MoveRoom{static_cast<long>(room.size), *moving};
        };
        return byteCounter(
            [&entry, &room](const QString& shown) {
                return editor::tableBytesLeft(entry, room, shown.toStdString());
            },
            move)(text);
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
