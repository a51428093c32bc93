#include "exchange/atlaslayout.h"

#include <algorithm>

#include "exchange/translations.h"
#include "files/asciitext.h"
#include "files/readwritetext.h"

namespace rq::exchange {
namespace {

std::string hex(std::uint64_t value) {
    return "$" + files::hexText(value);
}

std::string pointerBytes(const ScriptPointer& pointer) {
    std::string bytes;
    for (int i = 0; i < pointer.size; ++i) {
        bytes += static_cast<char>((pointer.value >> (8 * i)) & 0xFF);
    }
    if (pointer.bigEndian) {
        std::ranges::reverse(bytes);
    }
    return bytes;
}

// A room as the file holds it now, read in pieces the byte-range reader takes.
Result<std::string> readRoom(const std::string& path, std::uint64_t offset, std::size_t size) {
    constexpr std::size_t kPiece = 0x4000;
    std::string bytes;
    for (std::size_t done = 0; done < size; done += kPiece) {
        const std::size_t count = std::min(kPiece, size - done);
        if (offset + done > 0x7FFFFFFF) {
            return Error{std::string(files::kRomNotFound)};
        }
        auto piece = files::readRange(path, static_cast<std::int32_t>(offset + done),
                                      static_cast<std::int16_t>(count), 0);
        if (!piece) {
            return piece.failure();
        }
        bytes += *piece;
    }
    return bytes;
}

}  // namespace

Result<AtlasPlan> planAtlasLayout(const ScriptLayout& layout, std::uint64_t fileSize,
                                  const std::string& name) {
    ProblemList problems{name};
    const auto problem = [&](int line, const std::string& why) {
        problems.add(name + ", line " + std::to_string(line) + ": " + why);
    };
    AtlasPlan plan;
    std::vector<int> lines;  // of each write, for overlaps
    const auto add = [&](int line, std::uint64_t offset, std::string bytes, std::string room) {
        if (bytes.empty()) {
            return;
        }
        if (offset + bytes.size() > fileSize) {
            problem(line, "the " + room + " needs the bytes " + hex(offset) + " to " +
                              hex(offset + bytes.size() - 1) + ", past the file's end at " + hex(fileSize) +
                              "; a file never grows.");
            return;
        }
        plan.writes.push_back(
            {offset, std::move(bytes),
             name + ", line " + std::to_string(line) + (room == "text" ? "" : " (" + room + ")")});
        lines.push_back(line);
    };
    for (const ScriptString& string : layout.strings) {
        std::string bytes = string.bytes + string.end;
        if (string.fixed && bytes.size() > string.size) {
            problem(string.line, "the text needs " + std::to_string(bytes.size()) +
                                     " bytes, and #FIXEDLENGTH gives it " + std::to_string(string.size) +
                                     "; the inserter would cut it there.");
            continue;
        }
        if (string.fixed) {
            bytes.resize(string.size, string.fill);
        }
        if (string.bound && string.place + bytes.size() > *string.bound) {
            const std::uint64_t has = *string.bound > string.place ? *string.bound - string.place : 0;
            problem(string.line, "the text needs " + std::to_string(bytes.size()) + " bytes from " +
                                     hex(string.place) + ", and its #JMP's room has " + std::to_string(has) +
                                     " left (to " + hex(*string.bound - 1) +
                                     "); the inserter would cut it there.");
            continue;
        }
        add(string.line, string.place, std::move(bytes), "text");
        ++plan.strings;
        for (const ScriptPointer& pointer : string.pointers) {
            add(pointer.line, pointer.cell, pointerBytes(pointer), "pointer at " + hex(pointer.cell));
            ++plan.pointers;
        }
    }
    for (const ScriptPointer& pointer : layout.embedded) {
        add(pointer.line, pointer.cell, pointerBytes(pointer), "embedded pointer at " + hex(pointer.cell));
        ++plan.pointers;
    }
    std::vector<std::size_t> order(plan.writes.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::ranges::stable_sort(order, {}, [&](std::size_t i) { return plan.writes[i].offset; });
    // Each write against the one before it that reaches furthest: every byte written twice is found.
    for (std::size_t k = 1, furthest = 0; k < order.size(); ++k) {
        const auto& before = plan.writes[order[furthest]];
        const auto& after = plan.writes[order[k]];
        if (before.offset + before.bytes.size() > after.offset) {
            problem(lines[order[k]], "it writes over " + hex(after.offset) + ", as line " +
                                         std::to_string(lines[order[furthest]]) +
                                         " does: the inserter would let the later write win.");
        }
        if (after.offset + after.bytes.size() > before.offset + before.bytes.size()) {
            furthest = k;
        }
    }
    if (!problems.empty()) {
        return problems.error();
    }
    return plan;
}

Status refuseLockedWrites(const AtlasPlan& plan, const templates::GameTemplate& gameTemplate,
                          std::span<const editor::EntryRoom> rooms, const std::string& gameFile,
                          const std::string& name) {
    std::vector<std::pair<files::FileRange, const templates::TemplateEntry*>> locked;
    for (std::size_t i = 0; i < gameTemplate.entries.size(); ++i) {
        const templates::TemplateEntry& entry = gameTemplate.entries[i];
        if (!entry.locked) {
            continue;
        }
        if (i < rooms.size() && rooms[i].known && !rooms[i].unread) {
            locked.push_back({{rooms[i].offset, rooms[i].offset + rooms[i].size}, &entry});
        }
        for (const std::uint32_t cell : entry.cells) {
            locked.push_back(
                {{cell, std::uint64_t{cell} + static_cast<std::uint64_t>(entry.pointer.size)}, &entry});
        }
    }
    ProblemList problems{name};
    for (const files::RoomWrite& write : locked.empty() ? std::span<const files::RoomWrite>() : plan.writes) {
        const auto held = readRoom(gameFile, write.offset, write.bytes.size());
        if (!held) {
            return held.failure();
        }
        for (const auto& [range, entry] : locked) {
            const std::uint64_t end = std::min(range.end, write.offset + write.bytes.size());
            for (std::uint64_t at = std::max(range.start, write.offset); at < end; ++at) {
                if (write.bytes[at - write.offset] != (*held)[at - write.offset]) {
                    problems.add(write.name + ": " + templates::lockedRefusal(*entry));
                    break;
                }
            }
        }
    }
    if (!problems.empty()) {
        return problems.error();
    }
    return success();
}

Status writeAtlasLayout(const std::string& gameFile, const AtlasPlan& plan) {
    auto proof = [gameFile, &plan]() -> Status {
        for (const files::RoomWrite& room : plan.writes) {
            const auto read = readRoom(gameFile, room.offset, room.bytes.size());
            if (!read || *read != room.bytes) {
                return Error{room.name + " does not read back as written at " + hex(room.offset) + ".",
                             ErrorKind::Refusal};
            }
        }
        return success();
    };
    return files::writeRooms(
        gameFile, plan.writes,
        files::SaveGuard{files::rangesOf(plan.writes), "the texts and pointer cells the script places",
                         std::move(proof)});
}

}  // namespace rq::exchange
