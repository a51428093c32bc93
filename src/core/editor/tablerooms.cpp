#include "tablerooms.h"

#include "files/asciitext.h"
#include "files/codepage.h"

namespace rq::editor {
namespace {

Error refusedFor(const templates::TemplateEntry& entry, const std::string& what) {
    return refused(templates::entryName(entry) + " " + what);
}

std::string bytesText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// The text with the characters the table lacks taken out, for counting what the rest takes.
std::string withoutMissing(const templates::Table& table, std::string_view utf8) {
    const std::u32string missing = table.missingCharacters(utf8);
    if (missing.empty()) {
        return std::string(utf8);
    }
    std::string kept;
    for (const char32_t ch : files::decodeUtf8(utf8).value_or(std::u32string())) {
        if (missing.find(ch) == std::u32string::npos) {
            files::appendUtf8(kept, ch);
        }
    }
    return kept;
}

// What fills a fixed room after its text: the fill byte, or the table's spaces, which must fill it exactly.
Result<std::string> padding(const templates::TemplateEntry& entry, std::size_t count) {
    if (entry.fill) {
        return std::string(count, static_cast<char>(*entry.fill));
    }
    if (count == 0) {
        return std::string();
    }
    const auto space = entry.table->spaceCode();
    if (!space) {
        return refusedFor(entry, "leaves " + bytesText(count) + " of its room to fill, and the table " +
                                     entry.table->path() + " has no space to fill them with.");
    }
    if (count % space->size() != 0) {
        return refusedFor(entry, "leaves " + bytesText(count) + " of its room to fill, which spaces of " +
                                     bytesText(space->size()) + " cannot fill exactly.");
    }
    std::string spaces;
    for (std::size_t i = 0; i < count / space->size(); ++i) {
        spaces += *space;
    }
    return spaces;
}

}  // namespace

EntryRoom lengthRoom(const templates::TemplateEntry& entry) {
    return EntryRoom{static_cast<std::size_t>(entry.length), std::string(), true,
                     static_cast<std::uint64_t>(entry.offset)};
}

RoomText readTableText(const templates::TemplateEntry& entry, std::string_view bytes) {
    auto decoded = entry.table->decode(bytes);
    RoomText read{std::move(decoded.text), EntryRoom{bytes.size(), std::move(decoded.end), true,
                                                     static_cast<std::uint64_t>(entry.offset)}};
    if (!entry.lengthGiven) {
        read.room.known = !read.room.end.empty();
        if (read.room.known) {
            read.room.size = decoded.length;
        }
    }
    return read;
}

bool tableTextChanged(const EntryRoom& room, std::string_view before, std::string_view after) {
    return shownTableText(room, before) != shownTableText(room, after);
}

std::string_view shownTableText(const EntryRoom& room, std::string_view text) {
    return room.end.empty() ? files::unpadded(text) : text;
}

Result<std::string> tableRoomBytes(const templates::TemplateEntry& entry, const EntryRoom& room,
                                   const std::string& text) {
    if (!room.known) {
        return refusedFor(entry, "has no Length, and no end token was found in the " + bytesText(room.size) +
                                     " from 0x" + files::hexText(static_cast<std::uint64_t>(entry.offset)) +
                                     ": where its room ends is not known.");
    }
    auto bytes = entry.table->encode(text);
    if (!bytes) {
        return refusedFor(entry, "cannot be saved: the text " + bytes.error() + ".");
    }
    const std::size_t needed = bytes->size() + room.end.size();
    if (needed > room.size) {
        return refusedFor(entry, "needs " + bytesText(needed) +
                                     (room.end.empty() ? "" : " with its end token") + ", but its room is " +
                                     bytesText(room.size) + ".");
    }
    std::string written = std::move(bytes).value() + room.end;
    if (!room.end.empty()) {
        // After the end token the room keeps what it held, unless a fill byte is asked for.
        if (entry.fill) {
            written.append(room.size - needed, static_cast<char>(*entry.fill));
        }
        return written;
    }
    const auto pad = padding(entry, room.size - needed);
    if (!pad) {
        return pad.failure();
    }
    // A code that starts in the text and ends in the padding would change what the text reads as.
    const std::string expected = text + entry.table->decode(*pad).text;
    written += *pad;
    if (const auto back = entry.table->decode(written).text; back != expected) {
        return refusedFor(entry, "cannot be saved: padded to its room, the text would read back as \"" +
                                     files::escapeControls(back) + "\".");
    }
    return written;
}

std::optional<long> tableBytesLeft(const templates::TemplateEntry& entry, const EntryRoom& room,
                                   std::string_view utf8) {
    const auto bytes = entry.table->encode(withoutMissing(*entry.table, utf8));
    if (!bytes) {
        return std::nullopt;
    }
    return static_cast<long>(room.size) - static_cast<long>(room.end.size() + bytes->size());
}

}  // namespace rq::editor
