#include "saveproof.h"

#include <map>
#include <set>

#include "files/asciitext.h"
#include "files/codepage.h"

namespace rq::editor {
namespace {

std::string quotedText(const std::string& text) {
    return "\"" + files::escapeControls(text) + "\"";
}

// What every entry must read after the save, through its first cell and through each other one: its edit,
// the edit of an entry that reaches the same string, or what it holds now.
struct Expected {
    std::vector<std::string> texts;
    std::vector<std::vector<std::string>> otherCells;
};

Expected expectedTexts(const templates::GameTemplate& gameTemplate, const EntryTexts& now,
                       std::span<const EntryEdit> edits, std::span<const EntryRoom> rooms) {
    Expected expected{now.texts, now.otherCells};
    std::vector<bool> edited(expected.texts.size(), false);
    std::map<std::uint64_t, std::string> strings;  // a changed pointer string's offset -> its text
    for (const EntryEdit& edit : edits) {
        if (edit.index < expected.texts.size()) {
            // A text written with a second line's key reads as the key's first line.
            const auto& table = gameTemplate.entries[edit.index].table;
            expected.texts[edit.index] = table ? table->readAs(edit.text) : edit.text;
            edited[edit.index] = true;
            if (!gameTemplate.entries[edit.index].cells.empty() && edit.index < rooms.size()) {
                strings[rooms[edit.index].offset] = expected.texts[edit.index];
            }
        }
    }
    for (std::size_t i = 0; i < expected.texts.size(); ++i) {
        const auto shared = strings.find(now.rooms[i].offset);
        if (!gameTemplate.entries[i].cells.empty() && now.rooms[i].known && shared != strings.end()) {
            expected.texts[i] = shared->second;
            edited[i] = true;
        }
        if (edited[i] && i < expected.otherCells.size()) {
            for (std::string& other : expected.otherCells[i]) {
                other = expected.texts[i];
            }
        }
    }
    return expected;
}

}  // namespace

files::SaveGuard entrySaveGuard(const templates::GameTemplate& gameTemplate, const std::string& gameFile,
                                std::span<const EntryEdit> edits, std::span<const EntryRoom> rooms) {
    const auto& entries = gameTemplate.entries;
    const auto roomOf = [&](std::size_t i) { return i < rooms.size() ? rooms[i] : lengthRoom(entries[i]); };
    std::vector<files::FileRange> allowed;
    std::set<std::uint64_t> editedStrings;
    for (const EntryEdit& edit : edits) {
        if (edit.index >= entries.size()) {
            continue;
        }
        const EntryRoom room = roomOf(edit.index);
        if (room.known && !room.unread) {
            allowed.push_back({room.offset, room.offset + room.size});
            if (!entries[edit.index].cells.empty()) {
                editedStrings.insert(room.offset);
            }
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        for (const std::uint32_t cell : entry.cells) {
            allowed.push_back({cell, cell + static_cast<std::uint64_t>(entry.pointer.size)});
        }
        if (const EntryRoom room = roomOf(i); !entry.cells.empty() && editedStrings.contains(room.offset)) {
            allowed.push_back({room.offset, room.offset + room.size});
        }
    }
    for (const auto& range : gameTemplate.freeSpace.ranges) {
        allowed.push_back({range.start, range.end});
    }

    Expected expected =
        expectedTexts(gameTemplate, readEntryTexts(gameTemplate, gameFile, true), edits, rooms);
    auto proof = [&gameTemplate, gameFile, expected = std::move(expected)]() -> Status {
        const EntryTexts again = readEntryTexts(gameTemplate, gameFile, true);
        const auto wrong = [](const templates::TemplateEntry& entry, const std::string& read,
                              const std::string& meant, const std::string& through) {
            return Error{templates::entryName(entry) + " read " + quotedText(read) + through +
                             " after the save, not " + quotedText(meant) + ".",
                         ErrorKind::Refusal};
        };
        for (std::size_t i = 0; i < expected.texts.size(); ++i) {
            const auto& entry = gameTemplate.entries[i];
            if (again.readFailed || i >= again.texts.size()) {
                return wrong(entry, std::string(), expected.texts[i], "");
            }
            if (entryChanged(entry, again.rooms[i], expected.texts[i], again.texts[i])) {
                return wrong(entry, again.texts[i], expected.texts[i], "");
            }
            const auto* others = i < expected.otherCells.size() ? &expected.otherCells[i] : nullptr;
            for (std::size_t k = 0; others != nullptr && k < others->size(); ++k) {
                const std::string read = i < again.otherCells.size() && k < again.otherCells[i].size()
                                             ? again.otherCells[i][k]
                                             : std::string();
                if (entryChanged(entry, again.rooms[i], (*others)[k], read)) {
                    return wrong(entry, read, (*others)[k],
                                 " through its cell at 0x" + files::hexText(entry.cells[k + 1]));
                }
            }
        }
        return success();
    };
    return files::SaveGuard{std::move(allowed),
                            "the rooms of the entries saved, the template's pointer cells and its free space",
                            std::move(proof)};
}

}  // namespace rq::editor
