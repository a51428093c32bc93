// Any bytes as a dumper's command file, and the template planned from it without a game file: every note
// stands on a line of the file, in line order, and a template written from the plan reads back as an INI
// file with the sections and places the plan holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/cartographer.h"
#include "exchange/cartographertemplate.h"
#include "exchangeinput.h"
#include "files/asciitext.h"
#include "files/iniReadWriteDelete.h"
#include "search/madefiles.h"

namespace {

using fuzz::require;
using rq::exchange::TableNote;

// Every note on a line from 1 to the file's last, in line order.
void requireNotesOnLines(const std::vector<TableNote>& notes, int lines) {
    int previous = 1;
    for (const auto& note : notes) {
        require(note.line >= previous && note.line <= lines && !note.what.empty());
        previous = note.line;
    }
}

// A table with an end token for most names, one without for "plain", and none for "none": each way a block's
// table is had or left out.
rq::Result<rq::exchange::BlockTable> tableNamed(const std::string& name) {
    static const auto ended = std::make_shared<const rq::templates::Table>(
        rq::templates::Table::parse("41=A\n42=B\n20= \n/FF=<END>\n*FE=<LINE>\n"));
    static const auto plain =
        std::make_shared<const rq::templates::Table>(rq::templates::Table::parse("41=A\n42=B\n"));
    if (name == "none") {
        return rq::Error{"is not among the program's alphabets"};
    }
    return rq::exchange::BlockTable{name == "plain" ? "plain.tbl" : "fuzz.tbl",
                                    name == "plain" ? plain : ended};
}

bool hexValue(const rq::files::IniFile& ini, const std::string& section, std::string_view key,
              std::uint64_t expected) {
    const auto value = ini.value(section, key);
    const auto read = value ? rq::files::parseHex(*value) : std::nullopt;
    return read && *read == expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const int lines = static_cast<int>(std::count(input.begin(), input.end(), '\n')) + 1;

    const auto commands = rq::exchange::parseCommandFile(input);
    requireNotesOnLines(commands.notes, lines);
    for (const auto& block : commands.blocks) {
        require(block.line >= 1 && block.line <= lines);
    }

    const auto made = rq::exchange::templateFromCommands(commands, tableNamed, std::nullopt);
    if (!made) {
        require(!made.error().empty());
        return 0;
    }
    requireNotesOnLines(made->notes, lines);
    require(made->notes.size() >= commands.notes.size());
    const auto& plan = made->plan;
    require(made->blocks <= static_cast<int>(commands.blocks.size()));

    const auto text = rq::search::templateForPointers(plan);
    if (!text) {
        return 0;
    }
    const auto ini = rq::files::IniFile::parse(*text);
    require(ini.value("Ident", "RQL_game_plugin") == "v1.0");
    require(ini.section("GameAndFileInfo") != nullptr);
    require(ini.value("TextFormattingSystem", "NumberOfEntries") == std::to_string(plan.entries.size()));
    for (std::size_t e = 0; e < plan.entries.size(); ++e) {
        require(hexValue(ini, "entry" + std::to_string(e + 1), "HexLocation", plan.entries[e].offset));
    }
    require(ini.section("entry" + std::to_string(plan.entries.size() + 1)) == nullptr);
    for (std::size_t t = 0; t < plan.tables.size(); ++t) {
        const std::string section = "PointerTable" + std::to_string(t + 1);
        require(hexValue(ini, section, "Offset", plan.tables[t].offset));
        require(ini.value(section, "Count") == std::to_string(plan.tables[t].count));
    }
    require(ini.section("PointerTable" + std::to_string(plan.tables.size() + 1)) == nullptr);
    return 0;
}
