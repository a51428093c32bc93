// Any bytes as an inserter script, parsed and walked with one small table "t.tbl" beside it: a refusal names
// the script, the same bytes parse the same way twice, and what a walk gives stays where its commands put it.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "exchange/atlaslayout.h"
#include "exchange/atlasscript.h"
#include "exchange/atlaswalk.h"
#include "exchangeinput.h"

namespace {

using fuzz::require;
using rq::exchange::AtlasScript;
using rq::exchange::ScriptCommand;
using rq::exchange::ScriptText;

constexpr std::string_view kName = "fuzz.txt";

std::filesystem::path folderPath;

void removeFolder() {
    std::error_code ec;
    std::filesystem::remove_all(folderPath, ec);
}

// The folder the script stands in, with its table, written once per process.
const std::string& scriptFolder() {
    static const std::string folder = [] {
        folderPath =
            std::filesystem::temp_directory_path() / ("romquill-atlas-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folderPath);
        std::atexit(removeFolder);
        std::ofstream out(folderPath / "t.tbl", std::ios::binary | std::ios::trunc);
        out << "41=A\n42=B\n43=C\n20= \n/FF=<END>\n/00\n*FE=<LINE>\n";
        out.close();
        require(static_cast<bool>(out));
        return folderPath.string();
    }();
    return folder;
}

bool sameCommand(const ScriptCommand& a, const ScriptCommand& b) {
    if (a.line != b.line || a.name != b.name || a.arguments.size() != b.arguments.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.arguments.size(); ++i) {
        const auto& x = a.arguments[i];
        const auto& y = b.arguments[i];
        if (x.kind != y.kind || x.number != y.number || x.text != y.text) {
            return false;
        }
    }
    return true;
}

bool sameScript(const AtlasScript& a, const AtlasScript& b) {
    if (a.items.size() != b.items.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        const auto* textA = std::get_if<ScriptText>(&a.items[i]);
        const auto* textB = std::get_if<ScriptText>(&b.items[i]);
        if ((textA == nullptr) != (textB == nullptr)) {
            return false;
        }
        const bool same = textA != nullptr ? textA->line == textB->line && textA->text == textB->text
                                           : sameCommand(std::get<ScriptCommand>(a.items[i]),
                                                         std::get<ScriptCommand>(b.items[i]));
        if (!same) {
            return false;
        }
    }
    return true;
}

// Where the script's commands say pointers go: the cells #W16, #W24, #W32 and #WRITE name, and the pointer
// tables #PTRTBL makes (a first cell and the step to the next).
struct NamedCells {
    std::vector<std::uint64_t> cells;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> tables;

    explicit NamedCells(const AtlasScript& script) {
        for (const auto& item : script.items) {
            const auto* command = std::get_if<ScriptCommand>(&item);
            if (command == nullptr) {
                continue;
            }
            const auto& arguments = command->arguments;
            const auto number = [&](std::size_t at) {
                return static_cast<std::uint64_t>(arguments[at].number);
            };
            if (command->name == "W16" || command->name == "W24" || command->name == "W32") {
                cells.push_back(number(0));
            } else if (command->name == "WRITE" && arguments.size() == 2) {
                cells.push_back(number(1));
            } else if (command->name == "PTRTBL") {
                tables.emplace_back(number(1), number(2));
            }
        }
    }

    [[nodiscard]] bool named(std::uint64_t cell) const {
        for (const auto at : cells) {
            if (at == cell) {
                return true;
            }
        }
        for (const auto& [start, step] : tables) {
            if (cell >= start && (cell - start) % step == 0) {
                return true;
            }
        }
        return false;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string& folder = scriptFolder();
    const std::string name(kName);

    const auto script = rq::exchange::parseAtlasScript(input, name);
    const auto again = rq::exchange::parseAtlasScript(input, name);
    require(script.ok() == again.ok());
    if (!script) {
        require(script.error().starts_with(name) && script.error() == again.error());
        return 0;
    }
    require(sameScript(*script, *again));

    // Items in line order, each on a line of the input.
    const int lines = static_cast<int>(std::count(input.begin(), input.end(), '\n')) + 1;
    int previous = 0;
    for (const auto& item : script->items) {
        const int line = std::visit([](const auto& each) { return each.line; }, item);
        require(line > previous && line <= lines);
        previous = line;
    }

    const auto layout = rq::exchange::walkAtlasScript(*script, name, folder);
    if (!layout) {
        require(layout.error().starts_with(name));
        return 0;
    }
    const NamedCells named(*script);
    for (const auto& string : layout->strings) {
        require(string.table != nullptr);
        require(string.place + string.size >= string.place);
        for (const auto& pointer : string.pointers) {
            require(named.named(pointer.cell));
            require(pointer.size >= 2 && pointer.size <= 4);
            require(pointer.value >> (8 * pointer.size) == 0);
        }
    }
    for (const auto& room : layout->rooms) {
        require(room.start < room.end);
    }

    // The inserter's own layout of the same script: every write inside a file of 64 KiB, none over another.
    const auto embedded = rq::exchange::parseAtlasScript(input, name, true);
    const auto own = embedded ? rq::exchange::walkAtlasScript(*embedded, name, folder, true)
                              : rq::Result<rq::exchange::ScriptLayout>(embedded.failure());
    const auto plan = own ? rq::exchange::planAtlasLayout(*own, 0x10000, name)
                          : rq::Result<rq::exchange::AtlasPlan>(own.failure());
    if (!plan) {
        require(plan.error().starts_with(name));
        return 0;
    }
    std::uint64_t reached = 0;
    auto writes = plan->writes;
    std::ranges::sort(writes, {}, &rq::files::RoomWrite::offset);
    for (const auto& write : writes) {
        require(write.offset >= reached && write.offset + write.bytes.size() <= 0x10000);
        reached = write.offset + write.bytes.size();
    }
    return 0;
}
