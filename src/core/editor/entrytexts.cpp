#include "entrytexts.h"

#include <algorithm>
#include <optional>

#include "editor/pointersave.h"
#include "editor/saveproof.h"
#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/filehandle.h"
#include "files/readwritetext.h"
#include "files/safewrite.h"

namespace rq::editor {
namespace {

Error invalidCharacter(const templates::TemplateEntry& entry, const std::string& key,
                       const std::string& paddedText) {
    // Control characters would break the message's lines or vanish from it, so they are shown escaped.
    return Error{templates::entryName(entry) + ": The character '" + files::escapeControls(key) +
                     "' in the string '" + files::escapeControls(paddedText) +
                     "' is invalid. Please replace it with a valid character.\r\n"
                     "Note: this error may not apply to every text string in the game.",
                 ErrorKind::Refusal};
}

// The code-page byte of one character and its code in the entry's alphabet; either may be missing.
struct CharacterCode {
    std::optional<std::uint8_t> byte;
    std::optional<std::string> code;
};
CharacterCode encodeCharacter(const templates::TemplateEntry& entry, char32_t ch) {
    CharacterCode result{files::unicodeToByte(ch), std::nullopt};
    if (result.byte) {
        result.code = entry.alphabet->encode(static_cast<char>(*result.byte));
    }
    return result;
}

// The code bytes of an entry's text, or the refusal of a text too long for its box or of the first
// character that cannot be saved. A text read can hold more characters than the limit (a code shown as
// several), but it is never an edit: the save plans only texts that changed.
Result<std::string> encodeText(const templates::TemplateEntry& entry, const std::string& text) {
    // Counted before the text is decoded whole: a text of megabytes costs no more than its count.
    const int limit = std::max(entry.limit(), 0);
    if (const std::size_t count = files::characterCount(text); count > static_cast<std::size_t>(limit)) {
        return refused(templates::entryName(entry) + " has room for " + std::to_string(limit) +
                       (limit == 1 ? " character" : " characters") + ", not the " + std::to_string(count) +
                       " of its new text.");
    }
    const auto chars = files::decodeUtf8(text);
    if (!chars) {
        return refused(templates::entryName(entry) + " is not valid UTF-8.");
    }
    std::string bytes;
    for (std::size_t k = 0; k < chars->size(); ++k) {
        const auto [byte, code] = encodeCharacter(entry, (*chars)[k]);
        if (!byte) {
            return invalidCharacter(entry, files::encodeUtf8((*chars)[k]), text);
        }
        if (!code) {
            return invalidCharacter(
                entry, files::bytesToUtf8(templates::characterKey(static_cast<char>(*byte))), text);
        }
        bytes += *code;
    }
    return bytes;
}

// How many bytes an entry's text is read from: its Length, or for a table entry without one, up to the
// longest ended room or the file's end, whichever comes first.
std::int16_t roomToRead(const templates::TemplateEntry& entry, std::uint64_t offset, std::uint64_t fileSize) {
    if (entry.lengthGiven) {
        return entry.length;
    }
    return static_cast<std::int16_t>(
        offset >= fileSize ? 0 : std::min<std::uint64_t>(fileSize - offset, templates::kLongestEndedRoom));
}

// The game file opened once for a whole read: a template of thousands of strings would otherwise open it
// once a cell and once a string.
class GameBytes {
  public:
    explicit GameBytes(const std::string& path)
        : m_file(files::FileHandle::open(path, files::FileHandle::Mode::Read)) {}

    // count bytes from offset, zeros past the file's end (as readRange gives them); nothing when the file
    // cannot be read.
    [[nodiscard]] std::optional<std::string> read(std::uint64_t offset, std::size_t count) const {
        if (count == 0) {
            return std::string();
        }
        if (!m_file || offset > 0x7FFFFFFFu) {
            return std::nullopt;
        }
        auto bytes = m_file->readAt(offset, count);
        if (!bytes) {
            return std::nullopt;
        }
        std::string padded = std::move(bytes).value();
        padded.resize(count, '\0');
        return padded;
    }

  private:
    Result<files::FileHandle> m_file;
};

// Where an entry's string lies: its HexLocation, or where its pointer cell (the first, unless told) points;
// nothing when that cell cannot be read or points outside its region.
std::optional<std::uint64_t> stringOffset(const templates::TemplateEntry& entry, const GameBytes& game,
                                          std::size_t cellIndex = 0) {
    if (entry.cells.empty()) {
        return static_cast<std::uint64_t>(entry.offset);
    }
    const auto cell = game.read(entry.cells.at(cellIndex), static_cast<std::size_t>(entry.pointer.size));
    if (!cell) {
        return std::nullopt;
    }
    const auto offset = entry.pointer.offsetOf(entry.pointer.value(*cell));
    if (!offset || *offset > 0x7FFFFFFFu) {
        return std::nullopt;
    }
    return offset;
}

}  // namespace

std::u32string unsaveableCharacters(const templates::TemplateEntry& entry, std::string_view utf8) {
    if (entry.table) {
        return entry.table->missingCharacters(utf8);
    }
    std::u32string found;
    const auto chars = files::decodeUtf8(utf8);
    if (!chars) {
        return found;
    }
    const std::size_t count = std::min(chars->size(), static_cast<std::size_t>(std::max(entry.limit(), 0)));
    for (std::size_t k = 0; k < count; ++k) {
        const char32_t ch = (*chars)[k];
        if (found.find(ch) == std::u32string::npos && !encodeCharacter(entry, ch).code) {
            found += ch;
        }
    }
    return found;
}

namespace {

// An entry's text and room as read at offset; nothing when the file cannot be read.
std::optional<RoomText> readEntryAt(const templates::TemplateEntry& entry, const GameBytes& game,
                                    std::uint64_t offset, std::uint64_t fileSize) {
    const auto bytes = game.read(offset, static_cast<std::size_t>(roomToRead(entry, offset, fileSize)));
    if (!bytes) {
        return std::nullopt;
    }
    RoomText read = entry.table
                        ? readTableText(entry, *bytes)
                        : RoomText{files::bytesToUtf8(entry.alphabet->decode(*bytes)), lengthRoom(entry)};
    read.room.offset = offset;
    return read;
}

}  // namespace

EntryTexts readEntryTexts(const templates::GameTemplate& gameTemplate, const std::string& gameFile,
                          bool everyCell) {
    EntryTexts result;
    result.texts.reserve(gameTemplate.entries.size());
    result.rooms.reserve(gameTemplate.entries.size());
    const auto fileSize = files::regularFileSize(gameFile);
    const std::uint64_t size = fileSize ? *fileSize : 0;
    const GameBytes game(gameFile);
    std::uint64_t decoded = 0;
    // What an entry whose string is not read shows, and what a save may not write to.
    const auto unread = [&result](bool pastTheBound) {
        result.texts.emplace_back();
        EntryRoom room;
        room.known = false;
        room.unread = pastTheBound;
        result.rooms.push_back(std::move(room));
    };
    for (const auto& entry : gameTemplate.entries) {
        if (decoded > templates::kDecodedTextLimit) {
            // Strings ended by a token are as long as the file makes them: memory stays bounded all the same.
            result.tooMuchText = true;
            unread(true);
            continue;
        }
        const auto offset = stringOffset(entry, game);
        if (!offset) {
            unread(false);  // a pointer that leads nowhere: check names the cell
            continue;
        }
        auto read = readEntryAt(entry, game, *offset, size);
        if (!read) {
            result.readFailed = true;
            read = RoomText{std::string(), lengthRoom(entry)};
            read->room.offset = *offset;
        }
        decoded += read->text.size();
        if (everyCell && entry.cells.size() > 1) {
            result.otherCells.resize(gameTemplate.entries.size());
            auto& others = result.otherCells[result.texts.size()];
            for (std::size_t k = 1; k < entry.cells.size(); ++k) {
                const auto at = stringOffset(entry, game, k);
                const auto other = at ? readEntryAt(entry, game, *at, size) : std::nullopt;
                others.push_back(other ? other->text : std::string());
                decoded += others.back().size();
            }
        }
        result.texts.push_back(std::move(read->text));
        result.rooms.push_back(std::move(read->room));
    }
    return result;
}

Result<std::vector<files::RoomWrite>> planSave(const templates::GameTemplate& gameTemplate,
                                               std::span<const EntryEdit> edits, std::size_t shownEntries,
                                               std::span<const EntryRoom> rooms) {
    if (gameTemplate.entries.size() != shownEntries) {
        return Error{"The template " + gameTemplate.path + " now has " +
                         std::to_string(gameTemplate.entries.size()) + " entries, not the " +
                         std::to_string(shownEntries) +
                         " this editor shows. Nothing was written; close the editor and launch it again.",
                     ErrorKind::Refusal};
    }
    std::vector<files::RoomWrite> writes;
    writes.reserve(edits.size());
    for (const EntryEdit& edit : edits) {
        const templates::TemplateEntry& entry = gameTemplate.entries.at(edit.index);
        const EntryRoom room = edit.index < rooms.size() ? rooms[edit.index] : lengthRoom(entry);
        if (entry.locked) {
            // Every reader and window refuses it first; a way in that forgets to costs a refusal here.
            return refused(templates::lockedRefusal(entry));
        }
        if (!entry.cells.empty() && (edit.index >= rooms.size() || room.size == 0)) {
            // Never a write at an offset not read through the entry's own pointer.
            return refused(templates::entryName(entry) + " has no string where its pointer at 0x" +
                           files::hexText(entry.cells.front()) + " points, so nothing can be written there.");
        }
        if (!entry.table && (room.unread || !room.known)) {
            // Never a write at an offset not read: the room's place is not known.
            return refused(
                templates::entryName(entry) +
                " was not read, so nothing can be written to it: the template's texts come to more "
                "than " +
                std::to_string(templates::kDecodedTextLimit >> 20) + " MiB, and nothing past that is read.");
        }
        auto bytes = entry.table ? tableRoomBytes(entry, room, edit.text) : encodeText(entry, edit.text);
        if (!bytes) {
            return bytes.failure();
        }
        if (!entry.table && bytes->size() > static_cast<std::size_t>(entry.length)) {
            return refused(templates::entryName(entry) + " needs " + std::to_string(bytes->size()) +
                           " bytes, but its room in the file is " + std::to_string(entry.length) + " bytes.");
        }
        writes.push_back(files::RoomWrite{room.offset, std::move(bytes).value(), entryName(entry)});
    }
    return writes;
}

Status writeEntryTexts(const templates::GameTemplate& gameTemplate, const std::string& gameFile,
                       std::size_t shownEntries, std::span<const EntryEdit> edits,
                       std::span<const EntryRoom> rooms) {
    const bool pointers = std::ranges::any_of(
        gameTemplate.entries, [](const templates::TemplateEntry& entry) { return !entry.cells.empty(); });
    const auto writes = pointers ? planPointerSave(gameTemplate, edits, shownEntries, rooms, gameFile)
                                 : planSave(gameTemplate, edits, shownEntries, rooms);
    if (!writes) {
        return writes.failure();
    }
    return files::writeRooms(gameFile, *writes, entrySaveGuard(gameTemplate, gameFile, edits, rooms));
}

bool entryChanged(const templates::TemplateEntry& entry, const EntryRoom& room, const std::string& before,
                  const std::string& after) {
    return entry.table ? tableTextChanged(room, before, after)
                       : files::textChanged(before, after, entry.limit());
}

std::string_view shownText(const templates::TemplateEntry& entry, const EntryRoom& room,
                           std::string_view text) {
    return entry.table ? shownTableText(room, text) : files::unpadded(text);
}

std::vector<EntryEdit> changedEntries(const templates::GameTemplate& gameTemplate,
                                      std::span<const std::string> before, std::span<const std::string> after,
                                      std::span<const EntryRoom> rooms) {
    std::vector<EntryEdit> edits;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (i >= gameTemplate.entries.size()) {
            edits.push_back(EntryEdit{i, after[i]});  // the plan refuses the count
            continue;
        }
        const auto& entry = gameTemplate.entries[i];
        const EntryRoom room = i < rooms.size() ? rooms[i] : lengthRoom(entry);
        if (i >= before.size() || entryChanged(entry, room, before[i], after[i])) {
            edits.push_back(
                EntryEdit{i, entry.table ? after[i] : files::padToLimit(after[i], entry.limit())});
        }
    }
    return edits;
}

Result<std::vector<EntryEdit>> saveEntryTexts(const std::string& templatePath, const std::string& gameFile,
                                              std::span<const std::string> before,
                                              std::span<const std::string> after,
                                              std::span<const EntryRoom> rooms,
                                              std::span<const templates::ByteRange> moreFreeSpace) {
    auto read = templates::readGameTemplate(templatePath);
    if (!read) {
        return read.failure();
    }
    templates::GameTemplate gameTemplate = std::move(read).value();
    auto& freeRanges = gameTemplate.freeSpace.ranges;
    freeRanges.insert(freeRanges.end(), moreFreeSpace.begin(), moreFreeSpace.end());
    auto edits = changedEntries(gameTemplate, before, after, rooms);
    if (const auto written = writeEntryTexts(gameTemplate, gameFile, after.size(), edits, rooms); !written) {
        return written.failure();
    }
    return edits;
}

}  // namespace rq::editor
