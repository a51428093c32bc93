#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "editor/tablerooms.h"
#include "kit/typinglimit.h"
#include "templates/gametemplate.h"

namespace rq::kit {

// What an editor's counter shows of an entry's room for a text: bytes left for a table's entry (room: where
// its string lies now; moving: a pointer entry's largest free block, which a longer text moves to),
// characters left for an alphabet's, nothing for an entry without a limit. overShown: see characterCounter.
[[nodiscard]] RoomLeft entryRoomLeft(const templates::TemplateEntry& entry, const editor::EntryRoom& room,
                                     std::optional<std::uint64_t> moving, const QString& text,
                                     bool overShown = false);

// The widest texts an entry's counter may show (the room whole, a text far over it, one that moves, one the
// save cannot fill): what the counter is made wide enough for, so that counting never cuts it.
[[nodiscard]] QStringList roomLeftTexts(const templates::TemplateEntry& entry, const editor::EntryRoom& room,
                                        std::optional<std::uint64_t> moving, bool overShown = false);

// Why an entry's unsaveable characters cannot be saved: "not in the table file x.tbl" or "not in the
// alphabet file x.ini".
[[nodiscard]] QString missingFrom(const templates::TemplateEntry& entry);

}  // namespace rq::kit
