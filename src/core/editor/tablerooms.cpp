#include "tablerooms.h"

#include <algorithm>

#include "editor/entrytexts.h"
#include "files/asciitext.h"
#include "files/codepage.h"

namespace rq::editor {
namespace {

// A refusal said of the entry, without the entry's name: the save names it, a check puts it in its message.
using Phrased = Result<std::string>;

Error phrase(std::string what) {
    return Error{std::move(what), ErrorKind::Refusal};
}

std::string bytesText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// The end token a save writes after the text of a fixed room that held none: where Ended says so, or
// without it, where the room is blank (all one byte: erased, or never written) or its fill is no space
// (a game reads on through it to the next end token).
std::string endToAdd(const templates::TemplateEntry& entry, std::string_view bytes) {
    const templates::Table& table = *entry.table;
    const auto& entries = table.entries();
    const auto end = std::find_if(entries.begin(), entries.end(),
                                  [](const auto& e) { return e.kind == templates::Table::Kind::End; });
    if (end == entries.end()) {
        return {};
    }
    const bool blank = !bytes.empty() && bytes.find_first_not_of(bytes.front()) == std::string_view::npos;
    const bool fillIsNoSpace =
        entry.fill &&
        files::unpadded(table.decode(std::string(1, static_cast<char>(*entry.fill))).text) != "";
    return entry.ended.value_or(blank || fillIsNoSpace) ? end->code : std::string();
}

// The end token a save writes after a text of textBytes: the one the room ended with, or one it adds:
// always where Ended says yes, else where it fits (a text that fills the room needs none, as it was).
std::string_view endWritten(const templates::TemplateEntry& entry, const EntryRoom& room,
                            std::size_t textBytes) {
    if (!room.end.empty() || room.addedEnd.empty()) {
        return room.end;
    }
    const bool fits = textBytes + room.addedEnd.size() <= room.size;
    return entry.ended.value_or(false) || fits ? std::string_view(room.addedEnd) : std::string_view();
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

// Why nothing can be written to a room that was not found, or nothing when it was.
std::optional<std::string> unknownRoom(const EntryRoom& room) {
    if (room.unread) {
        return "was not read: the template's texts come to more than " +
               std::to_string(templates::kDecodedTextLimit >> 20) +
               " MiB, and nothing past that is read, so nothing can be written to it.";
    }
    if (!room.known) {
        return "has no Length, and no end token was found in the " + bytesText(room.size) + " from 0x" +
               files::hexText(room.offset) + ": where its room ends is not known.";
    }
    return std::nullopt;
}

std::string tooLong(const EntryRoom& room, std::size_t needed, bool atLeast) {
    return "needs " + std::string(atLeast ? "at least " : "") + bytesText(needed) +
           (room.end.empty() ? "" : " with its end token") + ", but its room is " + bytesText(room.size);
}

// A text that no room it could go to holds, told before it is encoded: encoding costs memory in proportion
// to the text, and a text of megabytes fits no string of a game.
std::optional<std::string> beyondAnyRoom(const templates::TemplateEntry& entry, const EntryRoom& room,
                                         std::uint64_t largest, std::string_view utf8) {
    const std::size_t perByte = std::max<std::size_t>(entry.table->mostTextPerByte(), 1);
    const std::uint64_t fewest = (utf8.size() + perByte - 1) / perByte + room.end.size();
    if (fewest <= std::max<std::uint64_t>(room.size, largest)) {
        return std::nullopt;
    }
    return tooLong(room, static_cast<std::size_t>(fewest), true) + ".";
}

// What fills a fixed room after its text: the fill byte, or the table's spaces, which must fill it exactly.
Phrased padding(const templates::TemplateEntry& entry, std::size_t count) {
    if (entry.fill) {
        return std::string(count, static_cast<char>(*entry.fill));
    }
    if (count == 0) {
        return std::string();
    }
    const auto space = entry.table->spaceCode();
    if (!space) {
        return phrase("leaves " + bytesText(count) + " of its room to fill, and the table " +
                      entry.table->path() + " has no space to fill them with.");
    }
    if (count % space->size() != 0) {
        return phrase("leaves " + bytesText(count) + " of its room to fill, which spaces of " +
                      bytesText(space->size()) + " cannot fill exactly.");
    }
    std::string spaces;
    for (std::size_t i = 0; i < count / space->size(); ++i) {
        spaces += *space;
    }
    return spaces;
}

// An ended room: the text's bytes and the end token, then the fill byte to the room's end, or what the room
// held. A byte that the table reads together with the end token as a longer key would carry the text on
// into whatever follows: it is replaced by one that ends the token.
Phrased endedRoom(const templates::TemplateEntry& entry, const EntryRoom& room, std::string written,
                  std::size_t textBytes) {
    const templates::Table& table = *entry.table;
    if (entry.fill) {
        written.append(room.size - written.size(), static_cast<char>(*entry.fill));
    }
    const auto endsRight = [&](const std::string& bytes) {
        std::string seen = bytes;
        if (seen.size() < room.bytes.size()) {
            seen += room.bytes.substr(seen.size());
        }
        const auto decoded = table.decode(seen);
        return decoded.length == textBytes + room.end.size() && decoded.end == room.end;
    };
    if (!endsRight(written) && !entry.fill && written.size() < room.size) {
        if (const auto ending = table.byteEndingToken(room.end)) {
            written.push_back(*ending);
        }
    }
    if (!endsRight(written)) {
        return phrase(
            "cannot be saved: its end token would be read together with the byte after it as a "
            "longer code of the table " +
            table.path() + ", and the text would go on.");
    }
    return written;
}

// The room's bytes for a text already encoded: its end token and what follows it, or its padding.
Phrased finishRoom(const templates::TemplateEntry& entry, const EntryRoom& given, std::string bytes,
                   const std::string& text) {
    const std::size_t textBytes = bytes.size();
    EntryRoom room = given;
    room.end = endWritten(entry, given, textBytes);
    const std::size_t needed = textBytes + room.end.size();
    if (needed > room.size) {
        return phrase(tooLong(room, needed, false) + ".");
    }
    std::string written = std::move(bytes) + room.end;
    if (!room.end.empty()) {
        return endedRoom(entry, room, std::move(written), textBytes);
    }
    auto pad = padding(entry, room.size - needed);
    if (!pad && !entry.fill) {
        // Another way of writing the text may leave what the spaces fill, or fill the room itself.
        const auto space = entry.table->spaceCode();
        if (auto other = entry.table->encodeForRoom(text, room.size, space ? space->size() : 0)) {
            pad = padding(entry, room.size - other->size());
            written = std::move(*other);
        }
    }
    if (!pad) {
        return pad;
    }
    // A code that starts in the text and ends in the padding would change what the text reads as.
    const std::string expected = text + entry.table->decode(*pad).text;
    written += *pad;
    if (const auto back = entry.table->decode(written).text; back != expected) {
        return phrase("cannot be saved: padded to its room, the text would read back as \"" +
                      files::escapeControls(back) + "\".");
    }
    return written;
}

Phrased roomBytes(const templates::TemplateEntry& entry, const EntryRoom& room, const std::string& text) {
    if (const auto unknown = unknownRoom(room)) {
        return phrase(*unknown);
    }
    if (const auto beyond = beyondAnyRoom(entry, room, 0, text)) {
        return phrase(*beyond);
    }
    auto bytes = entry.table->encode(text);
    if (!bytes) {
        return phrase("cannot be saved: the text " + bytes.error() + ".");
    }
    return finishRoom(entry, room, std::move(bytes).value(), text);
}

// Over by far: how far is not worth the encoding.
long roughlyLeft(const templates::TemplateEntry& entry, const EntryRoom& room, std::string_view utf8) {
    const std::size_t perByte = std::max<std::size_t>(entry.table->mostTextPerByte(), 1);
    return static_cast<long>(room.size) -
           static_cast<long>(room.end.size() + (utf8.size() + perByte - 1) / perByte);
}

}  // namespace

EntryRoom lengthRoom(const templates::TemplateEntry& entry) {
    EntryRoom room;
    room.size = static_cast<std::size_t>(entry.length);
    room.offset = static_cast<std::uint64_t>(entry.offset);
    return room;
}

RoomText readTableText(const templates::TemplateEntry& entry, std::string_view bytes) {
    auto decoded = entry.table->decode(bytes);
    RoomText read{std::move(decoded.text), lengthRoom(entry)};
    read.room.size = bytes.size();
    read.room.end = std::move(decoded.end);
    if (!entry.lengthGiven) {
        read.room.known = !read.room.end.empty();
        if (read.room.known) {
            read.room.size = decoded.length;
        }
    }
    if (read.room.end.empty() && entry.lengthGiven) {
        read.room.addedEnd = endToAdd(entry, bytes);
    }
    if (!read.room.end.empty() || !read.room.addedEnd.empty()) {
        read.room.bytes = std::string(bytes.substr(0, read.room.size));
    }
    return read;
}

bool tableTextChanged(const EntryRoom& room, std::string_view before, std::string_view after) {
    return shownTableText(room, before) != shownTableText(room, after);
}

std::string_view shownTableText(const EntryRoom& room, std::string_view text) {
    return room.end.empty() ? files::unpadded(text) : text;
}

bool canMove(const templates::TemplateEntry& entry, const EntryRoom& room) {
    return !entry.cells.empty() && entry.table && room.known && !room.unread && !room.end.empty();
}

Result<std::string> tableRoomBytes(const templates::TemplateEntry& entry, const EntryRoom& room,
                                   const std::string& text) {
    auto bytes = roomBytes(entry, room, text);
    if (!bytes) {
        return refused(templates::entryName(entry) + " " + bytes.error());
    }
    return bytes;
}

std::optional<long> tableBytesLeft(const templates::TemplateEntry& entry, const EntryRoom& room,
                                   std::string_view utf8) {
    if (beyondAnyRoom(entry, room, kLongestMovedString, utf8)) {
        return roughlyLeft(entry, room, utf8);
    }
    const auto bytes = entry.table->encode(withoutMissing(*entry.table, utf8));
    if (!bytes) {
        return std::nullopt;
    }
    return static_cast<long>(room.size) -
           static_cast<long>(endWritten(entry, room, bytes->size()).size() + bytes->size());
}

TableFit tableFit(const templates::TemplateEntry& entry, const EntryRoom& room,
                  std::optional<std::uint64_t> moving, std::string_view utf8) {
    TableFit fit;
    if (const auto unknown = unknownRoom(room)) {
        fit.refusal = *unknown;
        return fit;
    }
    const bool movable = canMove(entry, room) && moving;
    const std::uint64_t largest = movable ? std::min(*moving, kLongestMovedString) : 0;
    const auto overBy = [&](std::uint64_t needed, bool atLeast) {
        return tooLong(room, static_cast<std::size_t>(needed), atLeast) +
               (movable ? " and the largest free block in its region has " + bytesText(*moving)
                        : std::string()) +
               ".";
    };
    if (beyondAnyRoom(entry, room, largest, utf8)) {
        fit.left = roughlyLeft(entry, room, utf8);
        fit.refusal = overBy(static_cast<std::uint64_t>(static_cast<long>(room.size) - *fit.left), true);
        return fit;
    }
    // One encoding serves the count and the save's own bytes; characters the table lacks count for nothing.
    const bool complete = entry.table->missingCharacters(utf8).empty();
    auto bytes = entry.table->encode(complete ? std::string(utf8) : withoutMissing(*entry.table, utf8));
    if (!bytes) {
        return fit;
    }
    fit.left = static_cast<long>(room.size) -
               static_cast<long>(endWritten(entry, room, bytes->size()).size() + bytes->size());
    if (*fit.left < 0) {
        const auto needed = static_cast<std::uint64_t>(static_cast<long>(room.size) - *fit.left);
        fit.moves = needed <= largest;
        if (!fit.moves) {
            fit.refusal = overBy(needed, false);
        }
        return fit;
    }
    if (complete) {
        if (const auto written = finishRoom(entry, room, std::move(bytes).value(), std::string(utf8));
            !written) {
            fit.refusal = written.error();
        }
    }
    return fit;
}

std::vector<templates::TemplateProblem> checkRoomEnds(const std::string& templatePath,
                                                      const std::string& gameFile) {
    const auto gameTemplate = templates::readGameTemplate(templatePath);
    if (!gameTemplate) {
        return {};
    }
    const EntryTexts read = readEntryTexts(*gameTemplate, gameFile);
    std::vector<templates::TemplateProblem> problems;
    for (std::size_t i = 0; i < read.rooms.size() && !read.readFailed; ++i) {
        const auto& entry = gameTemplate->entries[i];
        const EntryRoom& room = read.rooms[i];
        if (!entry.table || !entry.lengthGiven || entry.ended || !entry.table->hasEndTokens() ||
            !room.end.empty() || room.unread) {
            continue;
        }
        problems.push_back({templatePath, "", "", std::nullopt,
                            templates::entryName(entry) + " holds no end token in its room of " +
                                bytesText(room.size) + " at 0x" + files::hexText(room.offset) + ": a save " +
                                (room.addedEnd.empty() ? "pads a shorter text to the room's end"
                                                       : "ends a shorter text with the end token") +
                                "; say Ended=yes or Ended=no in its section",
                            0, true});
    }
    return problems;
}

}  // namespace rq::editor
