#include "exchange/atlaswriter.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/common.h"

namespace rq::exchange {
namespace {

using templates::Table;

std::string hex(std::uint64_t value) {
    return "$" + files::hexText(value);
}

// The inserter takes a negative number only as "$-" and its digits.
std::string signedHex(std::int64_t value) {
    return value < 0 ? "$-" + files::hexText(0 - static_cast<std::uint64_t>(value)) : hex(value);
}

std::string rawBytes(std::string_view bytes) {
    std::string out;
    for (const char byte : bytes) {
        out += "<$" + files::hexText(static_cast<unsigned char>(byte), 2) + ">";
    }
    return out;
}

// A comment holds one line: a line break in it would start a line of text or a command.
std::string oneLine(std::string text) {
    std::ranges::replace_if(
        text, [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

// A line of text that the inserter would take for a command or a comment ('#' or "//" after blanks) starts
// with its first character's code instead.
std::string scriptLine(const Table& table, std::string line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || (line[first] != '#' && line.compare(first, 2, "//") != 0)) {
        return line;
    }
    const auto code = table.encode(line.substr(0, 1));
    return code ? rawBytes(*code) + line.substr(1) : line;
}

// The entries that read as a line break, longest text first: their codes are written as bytes, since script
// line ends stand for nothing.
std::vector<const Table::Entry*> lineBreaks(const Table& table) {
    std::vector<const Table::Entry*> found;
    for (const Table::Entry& entry : table.entries()) {
        if ((entry.kind == Table::Kind::Text || entry.kind == Table::Kind::LineBreak) && entry.aliasOf < 0 &&
            entry.text.find('\n') != std::string::npos) {
            found.push_back(&entry);
        }
    }
    std::ranges::stable_sort(found, std::greater{},
                             [](const Table::Entry* entry) { return entry->text.size(); });
    return found;
}

// The end token as the inserter writes it: the table's label for it, or its bytes.
std::string endText(const Table& table, std::string_view end) {
    const auto& entries = table.entries();
    const auto token = std::ranges::find_if(entries, [&](const Table::Entry& entry) {
        return entry.kind == Table::Kind::End && entry.code == end && !entry.text.empty();
    });
    return token != entries.end() ? token->text : rawBytes(end);
}

// The text's script lines: a line ends after each line break's code, the last one after the end token.
std::string scriptText(const Table& table, std::string_view text, std::string_view end) {
    const auto breaks = lineBreaks(table);
    std::string out;
    std::string line;
    for (std::size_t at = 0; at < text.size();) {
        const auto lineBreak = std::ranges::find_if(
            breaks, [&](const Table::Entry* entry) { return text.substr(at).starts_with(entry->text); });
        if (lineBreak == breaks.end() && text[at] != '\n') {
            line += text[at++];
            continue;
        }
        if (lineBreak != breaks.end()) {
            line += rawBytes((*lineBreak)->code);
            at += (*lineBreak)->text.size();
        } else {
            ++at;
        }
        out += scriptLine(table, std::exchange(line, {})) + "\n";
    }
    if (!end.empty()) {
        line += endText(table, end);
    }
    return out + scriptLine(table, line) + "\n";
}

// Why the script cannot carry an entry's text, or nothing when it can.
std::optional<std::string> leftOut(const templates::TemplateEntry& entry, const editor::EntryRoom& room) {
    if (!entry.table) {
        return "its text is in an INI alphabet, which no table file describes";
    }
    if (room.unread) {
        return "its text was not read";
    }
    if (!room.known) {
        return "its end token was not found";
    }
    return std::nullopt;
}

// One custom pointer a cell width and offsetting; their order is the order the entries first need them.
struct CustomPointer {
    int bits = 0;
    std::int64_t offsetting = 0;
    friend bool operator==(const CustomPointer&, const CustomPointer&) = default;
};

std::size_t indexOf(auto& list, const auto& item) {
    const auto found = std::ranges::find(list, item);
    if (found == list.end()) {
        list.push_back(item);
        return list.size();
    }
    return static_cast<std::size_t>(found - list.begin()) + 1;
}

}  // namespace

std::int64_t atlasOffsetting(const templates::PointerFormat& format) {
    return static_cast<std::int64_t>(format.regionStart) - static_cast<std::int64_t>(format.base);
}

Result<std::vector<std::string>> writeAtlasScript(std::ostream& out,
                                                  const templates::GameTemplate& gameTemplate,
                                                  std::span<const std::string> texts,
                                                  std::span<const editor::EntryRoom> rooms) {
    std::vector<std::string> tables;
    std::vector<CustomPointer> pointers;
    for (const templates::TemplateEntry& entry : gameTemplate.entries) {
        if (!entry.table) {
            continue;
        }
        const std::string& path = entry.table->path();
        if (std::ranges::any_of(path,
                                [](char c) { return c == '"' || static_cast<unsigned char>(c) < 0x20; })) {
            return Error{
                "The table " + files::bytesToUtf8(oneLine(path)) +
                    " cannot be named in an Atlas script: its path holds a quote or a control character.",
                ErrorKind::Refusal};
        }
        indexOf(tables, path);
        if (!entry.cells.empty()) {
            indexOf(pointers, CustomPointer{entry.pointer.size * 8, atlasOffsetting(entry.pointer)});
        }
    }

    out << "// The texts of " << oneLine(gameTemplate.path) << ", each string where it was read.\n";
    // Named as the template names it, within the program's alphabets: the script then travels with the table
    // put beside it, where the inserter looks, and reads back here from the program folder.
    const auto alphabets = files::fsPath(files::appRelativePath("plugins\\alphabets\\"));
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const auto inFolder = files::fsPath(tables[i]).lexically_relative(alphabets);
        std::string name =
            inFolder.empty() || *inFolder.begin() == ".." ? tables[i] : files::pathText(inFolder);
        std::ranges::replace(name, '\\', '/');
        out << "#VAR(Table" << i + 1 << ", TABLE)\n#ADDTBL(\"" << name << "\", Table" << i + 1 << ")\n";
    }
    for (std::size_t i = 0; i < pointers.size(); ++i) {
        out << "#VAR(Ptr" << i + 1 << ", CUSTOMPOINTER)\n#CREATEPTR(Ptr" << i + 1 << ", \"LINEAR\", "
            << signedHex(pointers[i].offsetting) << ", " << pointers[i].bits << ")\n";
    }
    if (!gameTemplate.freeSpace.ranges.empty()) {
        out << "// Free space, where a longer string may move: no text follows these, so they write "
               "nothing.\n";
        for (const templates::ByteRange& range : gameTemplate.freeSpace.ranges) {
            out << "#JMP(" << hex(range.start) << ", " << hex(range.end - 1) << ")\n";
        }
    }

    std::vector<std::string> notices;
    std::size_t activeTable = 0;
    bool bigEndian = false;
    for (std::size_t i = 0; i < gameTemplate.entries.size() && out; ++i) {
        const templates::TemplateEntry& entry = gameTemplate.entries[i];
        const editor::EntryRoom& room = rooms[i];
        const std::string comment = oneLine(files::bytesToUtf8(entry.comment));
        out << "\n// Entry " << entry.number << (comment.empty() ? "" : ": " + comment) << "\n";
        const std::string_view original = texts[i];
        for (std::size_t at = 0;;) {
            const std::size_t next = original.find('\n', at);
            out << "//" << original.substr(at, next - at) << "\n";
            if (next == std::string_view::npos) {
                break;
            }
            at = next + 1;
        }
        if (const auto reason = leftOut(entry, room)) {
            out << "// Left out: " << *reason << ".\n";
            notices.push_back(templates::entryName(entry) + " is left out: " + *reason + ".");
            continue;
        }
        if (const std::size_t table = indexOf(tables, entry.table->path()); table != activeTable) {
            out << "#ACTIVETBL(Table" << table << ")\n";
            activeTable = table;
        }
        if (!entry.cells.empty() && entry.pointer.bigEndian != bigEndian) {
            bigEndian = entry.pointer.bigEndian;
            out << "#ENDIANSWAP(\"" << (bigEndian ? "TRUE" : "FALSE") << "\")\n";
        }
        out << "#JMP(" << hex(room.offset);
        out << (room.size > 0 ? ", " + hex(room.offset + room.size - 1) : std::string()) << ")\n";
        for (const std::uint32_t cell : entry.cells) {
            const std::size_t pointer =
                indexOf(pointers, CustomPointer{entry.pointer.size * 8, atlasOffsetting(entry.pointer)});
            out << "#WRITE(Ptr" << pointer << ", " << hex(cell) << ")\n";
        }
        out << scriptText(*entry.table, texts[i], room.end);
    }
    if (!out) {
        return Error{"The script could not be written."};
    }
    return notices;
}

}  // namespace rq::exchange
