#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/result.h"
#include "templates/gametemplate.h"

namespace rq::editor {

// Where an entry's string lies as it was read. An alphabet's room is its Length; a table's may hold an end
// token, which ends the text and is written again after a new one.
struct EntryRoom {
    std::size_t size = 0;      // bytes, the end token included
    std::string end;           // the end token that ended the text as read; empty for a fixed room
    bool known = true;         // false: an entry without Length whose end token was not found
    std::uint64_t offset = 0;  // where it lies: HexLocation, or where the entry's first pointer cell points
};

// The room of an entry's Length, without an end token: every alphabet's room.
[[nodiscard]] EntryRoom lengthRoom(const templates::TemplateEntry& entry);

// A table entry's text and room from the bytes at its offset: its Length of them, or for an entry without
// Length, those up to and including the first end token.
struct RoomText {
    std::string text;  // UTF-8, as read: a fixed room's padding included
    EntryRoom room;
};
[[nodiscard]] RoomText readTableText(const templates::TemplateEntry& entry, std::string_view bytes);

// Whether a text differs from the one read (or last saved) as a save sees it: a fixed room's padding spaces
// are the save's to add, so they count for nothing; an ended string's spaces are its own.
[[nodiscard]] bool tableTextChanged(const EntryRoom& room, std::string_view before, std::string_view after);

// The text as an editor shows it: a fixed room's text without its padding, an ended string as it is.
[[nodiscard]] std::string_view shownTableText(const EntryRoom& room, std::string_view text);

// The bytes a save writes at the entry's offset for a new text, checked by reading them back: the text's
// shortest encoding, then the same end token and, with Fill, the fill byte to the room's end; in a fixed
// room, the fill byte or the table's space to fill the room exactly. Refused (ErrorKind::Refusal, the entry
// named) when the text cannot be written, does not fit, or cannot be padded exactly.
[[nodiscard]] Result<std::string> tableRoomBytes(const templates::TemplateEntry& entry, const EntryRoom& room,
                                                 const std::string& text);

// The bytes left in the room after the text's shortest encoding (its end token counted), negative when it
// is over; characters the table lacks count for nothing (they are marked apart). Nothing when the text
// cannot be written for another reason (a label without its parameters).
[[nodiscard]] std::optional<long> tableBytesLeft(const templates::TemplateEntry& entry, const EntryRoom& room,
                                                 std::string_view utf8);

}  // namespace rq::editor
