#include "exchange/cartographertemplate.h"

#include <algorithm>

#include "files/asciitext.h"
#include "files/filehandle.h"
#include "templates/gametemplate.h"
#include "templates/templaterules.h"

namespace rq::exchange {
namespace {

using Method = DumpBlock::Method;

class Planner {
  public:
    Planner(const BlockTables& tables, const std::optional<std::string>& gameFile)
        : m_tables(tables), m_gameFile(gameFile) {}

    // Adds the block to the plan, or a note that leaves it out; an error refuses the whole.
    Status add(const DumpBlock& block, CommandTemplate& made) {
        m_block = &block;
        m_notes = &made.notes;
        const auto table = m_tables(block.table);
        if (!table) {
            return leaveOut(block.tableLine, "#TABLE " + block.table + " " + table.error());
        }
        if (block.method == Method::Pointer) {
            return addPointers(*table, made);
        }
        std::vector<search::EntryPlace> entries;
        if (const auto split = splitRaw(*table, entries); !split) {
            return split;
        }
        if (entries.empty()) {
            return success();  // left out, with its note
        }
        if (made.plan.entries.size() + entries.size() > static_cast<std::size_t>(templates::kEntrySlots)) {
            return leaveOut(block.line, "the block makes more strings than the " +
                                            std::to_string(templates::kEntrySlots) +
                                            " entries the editor has room for, with the blocks before it");
        }
        made.plan.entries.insert(made.plan.entries.end(), entries.begin(), entries.end());
        ++made.blocks;
        return success();
    }

  private:
    Status leaveOut(int line, const std::string& what) {
        m_notes->push_back({line, what + "; the block" +
                                      (m_block->name.empty() ? std::string() : " \"" + m_block->name + "\"") +
                                      " is left out"});
        return success();
    }

    Status addPointers(const BlockTable& table, CommandTemplate& made) {
        const DumpBlock& block = *m_block;
        if (!block.stringLength && !table.table->hasEndTokens()) {
            return leaveOut(
                block.tableLine,
                "#TABLE " + block.table + " has no end token, so a NORMAL block's strings have no end");
        }
        search::PointerTablePlace place;
        place.offset = block.tableStart;
        place.stride = static_cast<std::uint32_t>(block.pointerSize + block.pointerSpace);
        const std::uint64_t count = (block.tableStop - block.tableStart + place.stride - 1) / place.stride;
        if (count > static_cast<std::uint64_t>(templates::kMostTableCells)) {
            return leaveOut(block.line, "the pointer table has " + std::to_string(count) +
                                            " cells, more than the " +
                                            std::to_string(templates::kMostTableCells) + " a template reads");
        }
        place.count = static_cast<int>(count);
        place.format.size = block.pointerSize;
        place.format.bigEndian = block.bigEndian;
        // The dumper's string lies at value + BASE: a negative BASE is what the template's cells take away,
        // a positive one where the values begin.
        if (block.base < 0) {
            place.format.base = static_cast<std::uint64_t>(-block.base);
        } else if (block.base >= 0x80000000) {
            return leaveOut(block.line, "#BASE POINTER puts every string past offset 7FFFFFFF");
        } else if (block.base > 0) {
            place.format.regionStart = static_cast<std::uint64_t>(block.base);
            place.format.regionEnd = std::min<std::uint64_t>(
                place.format.regionStart + (std::uint64_t{1} << (8 * block.pointerSize)), 0x80000000);
        }
        place.comment = block.name;
        place.tableName = table.name;
        place.length = block.stringLength;
        made.plan.tables.push_back(std::move(place));
        ++made.blocks;
        return success();
    }

    // A RAW block's strings, or none (with a note) when it is left out.
    Status splitRaw(const BlockTable& table, std::vector<search::EntryPlace>& entries) {
        const DumpBlock& block = *m_block;
        const std::uint64_t size = block.scriptStop - block.scriptStart + 1;
        const auto piece = [&](std::uint64_t at, std::optional<int> length) {
            entries.push_back({block.scriptStart + at, length,
                               block.name + " " + std::to_string(entries.size() + 1), table.name});
        };
        if (block.stringLength) {
            for (std::uint64_t at = 0; at < size; at += static_cast<std::uint64_t>(*block.stringLength)) {
                piece(at, static_cast<int>(std::min<std::uint64_t>(*block.stringLength, size - at)));
                if (entries.size() > static_cast<std::size_t>(templates::kEntrySlots)) {
                    break;  // already too many: said by the caller
                }
            }
            return success();
        }
        if (!m_gameFile) {
            return Error{"The block" + (block.name.empty() ? std::string() : " \"" + block.name + "\"") +
                             " of line " + std::to_string(block.line) +
                             " is a RAW one: its strings end where its table's end tokens stand in the game "
                             "file, so give the game file with --game FILE.",
                         ErrorKind::Refusal};
        }
        if (!m_game) {
            auto opened = files::FileHandle::open(*m_gameFile, files::FileHandle::Mode::Read);
            if (!opened) {
                return opened.failure();
            }
            m_game.emplace(std::move(opened).value());
        }
        const std::uint64_t fileSize = m_game->openedSize();
        if (block.scriptStop >= fileSize) {
            return leaveOut(block.stopLine, "#SCRIPT STOP " + files::hexText(block.scriptStop) +
                                                " lies past the end of the game file, of " +
                                                std::to_string(fileSize) + " bytes");
        }
        // Each string is decoded as a template's read decodes it: from its start, over the bytes that read
        // takes, so that the end token found here is the one found there.
        for (std::uint64_t at = 0;
             at < size && entries.size() <= static_cast<std::size_t>(templates::kEntrySlots);) {
            const std::uint64_t offset = block.scriptStart + at;
            const auto bytes = m_game->readAt(offset, static_cast<std::size_t>(std::min<std::uint64_t>(
                                                          fileSize - offset, templates::kLongestEndedRoom)));
            if (!bytes) {
                return bytes.failure();
            }
            const auto decoded = table.table->decode(*bytes);
            if (!decoded.end.empty() && decoded.length <= size - at) {
                piece(at, std::nullopt);
                at += decoded.length;
            } else if (size - at <= static_cast<std::uint64_t>(templates::kLongestEndedRoom)) {
                piece(at, static_cast<int>(size - at));
                at = size;
            } else {
                entries.clear();
                return leaveOut(block.line, "the string at " + files::hexText(offset) + " runs past " +
                                                std::to_string(templates::kLongestEndedRoom) +
                                                " bytes, the longest a template reads");
            }
        }
        return success();
    }

    const BlockTables& m_tables;
    const std::optional<std::string>& m_gameFile;
    std::optional<files::FileHandle> m_game;
    const DumpBlock* m_block = nullptr;
    std::vector<TableNote>* m_notes = nullptr;
};

}  // namespace

Result<CommandTemplate> templateFromCommands(const CommandFile& commands, const BlockTables& tables,
                                             const std::optional<std::string>& gameFile) {
    CommandTemplate made;
    made.notes = commands.notes;
    made.plan.name = commands.gameName;
    Planner planner(tables, gameFile);
    for (const DumpBlock& block : commands.blocks) {
        if (const auto added = planner.add(block, made); !added) {
            return added.failure();
        }
    }
    for (const auto& place : made.plan.tables) {
        made.plan.tableName = made.plan.tableName.empty() ? place.tableName : made.plan.tableName;
    }
    if (!made.plan.entries.empty()) {
        made.plan.tableName = made.plan.entries.front().tableName;
    }
    std::stable_sort(made.notes.begin(), made.notes.end(),
                     [](const TableNote& a, const TableNote& b) { return a.line < b.line; });
    return made;
}

}  // namespace rq::exchange
