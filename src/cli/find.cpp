// find, pointers, table from-hit and template new: from a game file nobody has described to a table and a
// template that read it.

#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/safewrite.h"
#include "search/findsession.h"
#include "search/madefiles.h"
#include "search/pointerfinder.h"
#include "search/relative.h"
#include "search/tablesearch.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

using Json = nlohmann::ordered_json;

// An offset as the command line gives it: hexadecimal, with or without "0x".
std::optional<std::uint64_t> hexOperand(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    return !text.empty() && text.size() <= 16 ? files::parseHex(text) : std::nullopt;
}

// The layouts --width and --endian leave: both widths and, for two bytes, both orders by default.
std::optional<std::vector<search::CodeLayout>> layoutsOf(const Given& given, Console& console) {
    if (!given.width.empty() && given.width != "1" && given.width != "2") {
        console.say("--width is 1 or 2, not \"" + given.width + "\".");
        return std::nullopt;
    }
    if (!given.endian.empty() && given.endian != "little" && given.endian != "big") {
        console.say("--endian is little or big, not \"" + given.endian + "\".");
        return std::nullopt;
    }
    std::vector<search::CodeLayout> layouts;
    if (given.width != "2") {
        layouts.push_back({1, false});
    }
    for (const bool big : {false, true}) {
        if (given.width != "1" && (given.endian.empty() || (given.endian == "big") == big)) {
            layouts.push_back({2, big});
        }
    }
    return layouts;
}

std::optional<std::u32string> wordOf(const std::string& word, Console& console) {
    const auto characters = files::decodeUtf8(word);
    if (!characters) {
        console.say("The word \"" + word + "\" is not UTF-8.");
    }
    return characters;
}

std::string codeText(std::uint32_t code, search::CodeLayout layout) {
    return files::hexText(code, static_cast<std::size_t>(layout.width) * 2);
}

std::string layoutName(search::CodeLayout layout) {
    return layout.width == 1 ? "8-bit" : layout.bigEndian ? "16-bit big-endian" : "16-bit little-endian";
}

std::optional<std::string> fileBytes(const Given& given, Console& console) {
    auto input = console.input(given.operands.front());
    auto bytes = input ? search::readSearchedFile(*input) : Result<std::string>(input.failure());
    if (!bytes) {
        console.say(bytes.error());
        return std::nullopt;
    }
    return std::move(bytes).value();
}

void printMore(bool more, std::size_t listed, std::ostream& out) {
    if (more) {
        out << "There are more; only the first " << listed << " are listed.\n";
    }
}

int relativeFind(const Given& given, const std::string& file, Console& console) {
    const auto word = wordOf(given.relative, console);
    const auto layouts = word ? layoutsOf(given, console) : std::nullopt;
    if (!layouts) {
        return kExitRefused;
    }
    const auto found = search::relativeSearch(file, {*word, *layouts});
    if (!found) {
        console.say("The word \"" + given.relative + "\" " + found.error() + ".");
        return kExitRefused;
    }
    if (given.json) {
        Json hits = Json::array();
        for (const auto& hit : found->hits) {
            Json codes = Json::object();
            for (const auto& [ch, code] : hit.codes) {
                codes[files::encodeUtf8(ch)] = codeText(code, hit.layout);
            }
            hits.push_back(
                {{"offset", hit.offset},
                 {"width", hit.layout.width},
                 {"endian", hit.layout.width == 1 ? Json() : Json(hit.layout.bigEndian ? "big" : "little")},
                 {"codes", codes}});
        }
        console.out() << Json{{"hits", hits}, {"more", found->more}}.dump(2) << '\n';
        return kExitOk;
    }
    for (const auto& hit : found->hits) {
        console.out() << "0x" << files::hexText(hit.offset) << ' ' << layoutName(hit.layout) << ':';
        for (const auto& [ch, code] : hit.codes) {
            console.out() << ' ' << (ch == U' ' ? std::string("space") : files::encodeUtf8(ch)) << '='
                          << codeText(code, hit.layout);
        }
        console.out() << '\n';
    }
    if (found->hits.empty()) {
        console.out() << "no hits\n";
    }
    printMore(found->more, found->hits.size(), console.out());
    return kExitOk;
}

int tableFind(const Given& given, const std::string& file, Console& console) {
    const std::string& text =
        given.text.empty() && given.operands.size() > 1 ? given.operands[1] : given.text;
    const auto found = search::searchFile(file, text, tablePathOf(given.table), {});
    if (!found) {
        console.say(found.error());
        return kExitRefused;
    }
    if (given.json) {
        Json hits = Json::array();
        for (const auto& hit : found->hits) {
            hits.push_back({{"offset", hit.offset}, {"length", hit.length}, {"string", hit.start}});
        }
        console.out() << Json{{"hits", hits}, {"more", found->more}}.dump(2) << '\n';
        return kExitOk;
    }
    for (const auto& hit : found->hits) {
        console.out() << "0x" << files::hexText(hit.offset) << " (" << hit.length
                      << (hit.length == 1 ? " byte)" : " bytes)");
        if (hit.start != hit.offset) {
            console.out() << ", in the string at 0x" << files::hexText(hit.start);
        }
        console.out() << '\n';
    }
    if (found->hits.empty()) {
        console.out() << "no hits\n";
    }
    printMore(found->more, found->hits.size(), console.out());
    return kExitOk;
}

// A file made for the user: a new file, or over an old one with --force (its declaration is checked first).
int writeMade(const std::string& path, std::string_view bytes, Console& console) {
    if (const auto written = files::writeNewFile(path, bytes); !written) {
        console.say(written.error());
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace

int findCommand(const Given& given, Console& console) {
    if (given.relative.empty() == given.table.empty()) {
        console.say("find takes one of --relative WORD and --table TABLE.");
        printVerbUsage("find", console.err());
        return kExitUsage;
    }
    const auto file = fileBytes(given, console);
    if (!file) {
        return kExitRefused;
    }
    return given.relative.empty() ? tableFind(given, *file, console) : relativeFind(given, *file, console);
}

int tableFromHitCommand(const Given& given, Console& console) {
    const auto word = wordOf(given.relative, console);
    const auto layouts = word ? layoutsOf(given, console) : std::nullopt;
    const auto offset = hexOperand(given.offset);
    if (!layouts) {
        return kExitRefused;
    }
    if (!offset) {
        console.say("--offset is a hexadecimal offset, not \"" + given.offset + "\".");
        return kExitRefused;
    }
    const auto endBytes = given.end.empty() ? std::optional<std::string>("") : search::hexBytes(given.end, 4);
    if (!endBytes) {
        console.say("--end is the end token's 1 to 4 bytes in hexadecimal, as they lie in the file, not \"" +
                    given.end + "\"." + std::string(kNothingWritten));
        return kExitRefused;
    }
    const auto file = fileBytes(given, console);
    if (!file) {
        return kExitRefused;
    }
    for (const auto layout : *layouts) {
        if (const auto hit = search::relativeHitAt(*file, *word, *offset, layout)) {
            if (const auto fits = search::checkEndToken(*hit, *endBytes); !fits) {
                console.say("The end token " + given.end + " " + fits.error() + "." +
                            std::string(kNothingWritten));
                return kExitRefused;
            }
            const std::string& out = given.operands.back();
            if (const int status = writeMade(out, search::tableFromHit(*hit, *word, *endBytes), console);
                status != kExitOk) {
                return status;
            }
            console.out() << "Wrote " << out << " from the " << layoutName(layout) << " hit at 0x"
                          << files::hexText(*offset) << ".\n";
            return kExitOk;
        }
    }
    console.say("The word \"" + given.relative + "\" does not match at 0x" + files::hexText(*offset) + "." +
                std::string(kNothingWritten));
    return kExitRefused;
}

int pointersCommand(const Given& given, Console& console) {
    std::vector<std::uint64_t> offsets;
    for (std::size_t i = 1; i < given.operands.size(); ++i) {
        const auto offset = hexOperand(given.operands[i]);
        if (!offset) {
            console.say("\"" + given.operands[i] + "\" is not a hexadecimal offset.");
            return kExitRefused;
        }
        offsets.push_back(*offset);
    }
    if (offsets.size() < 2) {
        console.say("pointers needs the offsets of at least 2 strings.");
        return kExitRefused;
    }
    const auto file = fileBytes(given, console);
    if (!file) {
        return kExitRefused;
    }
    const auto found = search::findPointerTables(*file, offsets);
    Json list = Json::array();
    for (const auto& table : found) {
        const bool banked = table.format.regionStart != 0 || table.format.regionEnd != UINT64_MAX;
        if (!given.json) {
            console.out() << search::formatName(table.format) << " base " << files::hexText(table.format.base)
                          << (banked ? " region " + files::hexText(table.format.regionStart) + "-" +
                                           files::hexText(table.format.regionEnd)
                                     : std::string())
                          << ": table at 0x" << files::hexText(table.table) << ", stride " << table.stride
                          << ", " << table.cells << " cells, " << table.count << " of the " << offsets.size()
                          << " strings\n";
            continue;
        }
        Json item{{"format", search::formatName(table.format)},
                  {"base", table.format.base},
                  {"table", table.table},
                  {"stride", table.stride},
                  {"count", table.count},
                  {"cells", table.cells}};
        if (banked) {
            item["region"] = {{"start", table.format.regionStart}, {"end", table.format.regionEnd}};
        }
        list.push_back(std::move(item));
    }
    if (given.json) {
        console.out() << list.dump(2) << '\n';
    } else if (found.empty()) {
        console.out() << "no pointer tables\n";
    }
    return kExitOk;
}

int templateNewCommand(const Given& given, Console& console) {
    search::TemplatePlan plan;
    for (const std::string& pointers : given.pointers) {
        const auto place = search::parsePointerTablePlace(pointers);
        if (!place) {
            console.say(
                "--pointers is OFFSET,COUNT,FORMAT[,BASE[,START-END]] and then ,STRIDE when the cells are "
                "not side by side (hexadecimal, decimal, le16 to be32, hexadecimal, a hexadecimal range, "
                "decimal; an empty field keeps its default), not \"" +
                pointers + "\"." + std::string(kNothingWritten));
            return kExitRefused;
        }
        plan.tables.push_back(*place);
    }
    if (!given.freeRanges.empty()) {
        const auto ranges = templates::parseByteRanges(given.freeRanges);
        if (!ranges) {
            console.say("--free \"" + given.freeRanges + "\" " + ranges.error() + "." +
                        std::string(kNothingWritten));
            return kExitRefused;
        }
        plan.freeRanges = *ranges;
    }
    if (!given.fill.empty()) {
        const auto fill = search::hexBytes(given.fill, 1);
        if (!fill || given.freeRanges.empty()) {
            console.say((fill ? std::string("--fill is the fill byte of the free space that --free gives")
                              : "--fill is one byte in hexadecimal, not \"" + given.fill + "\"") +
                        "." + std::string(kNothingWritten));
            return kExitRefused;
        }
        plan.fill = static_cast<std::uint8_t>(fill->front());
    }
    const std::string& out = given.operands.front();
    plan.tableName = files::pathText(files::fsPath(given.table).filename());
    plan.name = given.name.empty() ? files::pathText(files::fsPath(out).stem()) : given.name;
    const auto made = search::templateForPointers(plan);
    if (!made) {
        console.say(made.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    if (const int status = writeMade(out, *made, console); status != kExitOk) {
        return status;
    }
    int entries = 0;
    for (const auto& place : plan.tables) {
        entries += place.count;
    }
    console.out() << "Wrote " << out << ": " << entries << (entries == 1 ? " entry" : " entries")
                  << " through " << plan.tableName << ".\n";
    if (tablePathOf(plan.tableName) == plan.tableName) {
        console.warn("The template reads " + plan.tableName +
                     " from plugins/alphabets/ in the program folder, where it "
                     "is not: copy it there.");
    }
    return kExitOk;
}

}  // namespace rq::cli
