#include "exchange/cartographer.h"

#include <algorithm>
#include <map>
#include <span>

#include "files/asciitext.h"
#include "files/codepage.h"

namespace rq::exchange {
namespace {

// Keys that shape only the dumper's own script (its comments, Atlas commands, file names, artificial end
// codes and line breaks): the strings a template reads are the same without them.
constexpr std::string_view kOutputKeys[] = {"OUTPUT FILE", "COMMENTS", "ATLAS PTRS", "STRING END",
                                            "END CTRL",    "LINE END", "LINE CTRL",  "LINE LENGTH"};
constexpr std::string_view kBlockKeys[] = {
    "BLOCK NAME",         "TYPE",         "METHOD",        "POINTER ENDIAN", "POINTER TABLE START",
    "POINTER TABLE STOP", "POINTER SIZE", "POINTER SPACE", "BASE POINTER",   "RELATIVE PC",
    "SCRIPT START",       "SCRIPT STOP",  "STRING LENGTH", "TABLE"};

bool among(std::string_view key, std::span<const std::string_view> keys) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    return first == std::string_view::npos ? std::string()
                                           : std::string(text.substr(first, last - first + 1));
}

// A key as its name is compared: upper case, one space between words.
std::string keyName(std::string_view text) {
    std::string key;
    for (const char c : trimmed(text)) {
        if (c == ' ' || c == '\t') {
            if (!key.empty() && key.back() != ' ') {
                key += ' ';
            }
        } else {
            key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    return key;
}

struct Value {
    std::string text;
    int line = 0;
};

// The keys of one block as they come, and the notes that leave it out.
class BlockReader {
  public:
    explicit BlockReader(int line) : m_line(line) {}

    void add(const std::string& key, Value value) { m_keys[key] = std::move(value); }
    void refuse(int line, std::string what) { m_notes.push_back({line, std::move(what)}); }
    [[nodiscard]] bool empty() const { return m_keys.empty() && m_notes.empty(); }

    // The block, or nothing when a note leaves it out (the notes are added to notes).
    std::optional<DumpBlock> finish(std::vector<TableNote>& notes) {
        DumpBlock block;
        block.line = m_line;
        block.name = m_keys.contains("BLOCK NAME") ? m_keys["BLOCK NAME"].text : std::string();
        readKeys(block);
        const std::string leftOut =
            "; the block" + (block.name.empty() ? std::string() : " \"" + block.name + "\"") + " is left out";
        for (auto& note : m_notes) {
            notes.push_back({note.line, note.what + leftOut});
        }
        return m_notes.empty() ? std::optional<DumpBlock>(block) : std::nullopt;
    }

  private:
    const Value* needed(const std::string& key) {
        const auto found = m_keys.find(key);
        if (found == m_keys.end()) {
            refuse(m_line, "the block has no #" + key);
            return nullptr;
        }
        return &found->second;
    }

    // A number of a key the block needs; 0 when it is not one (a note says so).
    std::int64_t number(const std::string& key, bool negative = false) {
        const Value* value = needed(key);
        const auto read = value ? commandNumber(value->text, negative) : std::nullopt;
        if (value && !read) {
            refuse(value->line, "#" + key + " \"" + value->text + "\" is not a number ($hex or decimal" +
                                    (negative ? "" : ", not negative") + ")");
        }
        return read.value_or(0);
    }

    // A range of the file from start to stop, stop included or not.
    void range(const std::string& startKey, const std::string& stopKey, std::uint64_t& start,
               std::uint64_t& stop, bool stopIncluded) {
        const std::size_t before = m_notes.size();
        start = static_cast<std::uint64_t>(number(startKey));
        stop = static_cast<std::uint64_t>(number(stopKey));
        if (m_notes.size() != before) {
            return;
        }
        const Value* stopValue = &m_keys[stopKey];
        if (stop < start + (stopIncluded ? 0 : 1)) {
            refuse(stopValue->line, "#" + stopKey + " " + stopValue->text + " is not " +
                                        (stopIncluded ? "at or after" : "after") + " #" + startKey + " " +
                                        m_keys[startKey].text);
        } else if (stop > (stopIncluded ? 0x7FFFFFFFu : 0x80000000u)) {
            refuse(stopValue->line, "#" + stopKey + " " + stopValue->text +
                                        " lies past offset 7FFFFFFF, the last a template can name");
        }
    }

    void readKeys(DumpBlock& block) {
        if (const auto type = m_keys.find("TYPE"); type != m_keys.end()) {
            const std::string said = keyName(type->second.text);
            if (said == "FIXED_STRING") {
                const auto length = number("STRING LENGTH");
                if (m_keys.contains("STRING LENGTH") && (length < 1 || length > INT16_MAX)) {
                    refuse(m_keys["STRING LENGTH"].line, "#STRING LENGTH " + m_keys["STRING LENGTH"].text +
                                                             " is not a size from 1 to 32767 bytes");
                }
                block.stringLength = static_cast<int>(length);
            } else if (said != "NORMAL") {
                refuse(type->second.line, "#TYPE " + type->second.text +
                                              ": a template reads NORMAL and FIXED_STRING strings" +
                                              (said.find("FIXED_LINE") != std::string::npos
                                                   ? ", not lines broken every #LINE LENGTH bytes"
                                                   : ""));
            }
        }
        if (const auto pc = m_keys.find("RELATIVE PC");
            pc != m_keys.end() && keyName(pc->second.text) != "NO") {
            refuse(pc->second.line, "#RELATIVE PC " + pc->second.text +
                                        ": a template cannot read pointers relative to their own place");
        }
        if (const Value* table = needed("TABLE")) {
            block.table = table->text;
            block.tableLine = table->line;
        }
        const Value* method = needed("METHOD");
        const std::string said = method ? keyName(method->text) : std::string();
        if (said == "RAW") {
            block.method = DumpBlock::Method::Raw;
            range("SCRIPT START", "SCRIPT STOP", block.scriptStart, block.scriptStop, true);
            block.stopLine = m_keys["SCRIPT STOP"].line;
        } else if (said == "POINTER" || said == "POINTER_RELATIVE") {
            readPointers(block);
        } else if (method) {
            refuse(method->line,
                   "#METHOD " + method->text + ": a template reads POINTER, POINTER_RELATIVE and RAW" +
                       (said == "POINTER_RELATIVE_PC" ? ", not pointers relative to their own place" : ""));
        }
    }

    void readPointers(DumpBlock& block) {
        if (const auto stop = m_keys.find("SCRIPT STOP"); stop != m_keys.end()) {
            refuse(stop->second.line,
                   "#SCRIPT STOP: a template cannot stop a pointer's string at an address");
        }
        range("POINTER TABLE START", "POINTER TABLE STOP", block.tableStart, block.tableStop, false);
        block.pointerSize = static_cast<int>(number("POINTER SIZE"));
        if (m_keys.contains("POINTER SIZE") && (block.pointerSize < 2 || block.pointerSize > 4)) {
            refuse(m_keys["POINTER SIZE"].line, "#POINTER SIZE " + m_keys["POINTER SIZE"].text +
                                                    ": a template reads pointers of 2, 3 or 4 bytes");
        }
        if (m_keys.contains("POINTER SPACE")) {
            block.pointerSpace = static_cast<std::uint64_t>(number("POINTER SPACE"));
        }
        if (m_keys.contains("BASE POINTER")) {
            block.base = number("BASE POINTER", true);
        }
        if (const Value* endian = needed("POINTER ENDIAN")) {
            const std::string order = keyName(endian->text);
            block.bigEndian = order == "BIG";
            if (order != "BIG" && order != "LITTLE") {
                refuse(endian->line, "#POINTER ENDIAN " + endian->text + " is neither LITTLE nor BIG");
            }
        }
    }

    int m_line;
    std::map<std::string, Value> m_keys;
    std::vector<TableNote> m_notes;
};

std::string textOf(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    return files::decodeUtf8(bytes) ? std::string(bytes) : files::bytesToUtf8(bytes);
}

}  // namespace

std::optional<std::int64_t> commandNumber(std::string_view text, bool negative) {
    std::string digits = trimmed(text);
    bool minus = false;
    bool hex = false;
    for (const char mark : {'-', '$', '-'}) {
        if (!digits.empty() && digits.front() == mark && (mark == '-' ? !minus : !hex)) {
            (mark == '-' ? minus : hex) = true;
            digits.erase(0, 1);
        }
    }
    if (digits.empty() || digits.size() > (hex ? 8u : 10u) || (minus && !negative)) {
        return std::nullopt;
    }
    std::optional<std::uint64_t> value;
    if (hex) {
        value = files::parseHex(digits);
    } else if (digits.find_first_not_of("0123456789") == std::string::npos) {
        value = std::stoull(digits);
    }
    if (!value || *value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return minus ? -static_cast<std::int64_t>(*value) : static_cast<std::int64_t>(*value);
}

CommandFile parseCommandFile(std::string_view bytes) {
    const std::string text = textOf(bytes);
    CommandFile commands;
    std::optional<BlockReader> block;
    int number = 0;
    for (std::size_t start = 0; start < text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = std::string_view(text).substr(start, end - start);
        start = end + 1;
        line = line.substr(0, line.find("//"));
        const std::string content = trimmed(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
        if (content.empty()) {
            continue;
        }
        const int lineNumber = number + 1;
        const auto current = [&]() -> BlockReader& {
            if (!block) {
                block.emplace(lineNumber);
            }
            return *block;
        };
        if (content.front() != '#') {
            current().refuse(lineNumber, "\"" + content + "\" is not a \"#KEY: value\" line");
            continue;
        }
        const auto colon = content.find(':');
        const std::string key = keyName(std::string_view(content).substr(1, colon - 1));
        Value value{colon == std::string::npos ? std::string() : trimmed(content.substr(colon + 1)),
                    lineNumber};
        if (key == "GAME NAME") {
            commands.gameName = commands.gameName.empty() ? value.text : commands.gameName;
        } else if (key == "END BLOCK") {
            if (!block || block->empty()) {
                continue;
            }
            if (auto made = current().finish(commands.notes)) {
                commands.blocks.push_back(std::move(made).value());
            }
            block.reset();
        } else if (among(key, kBlockKeys)) {
            current().add(key, std::move(value));
        } else if (!among(key, kOutputKeys)) {
            current().refuse(lineNumber, "#" + key + " is not a key a template can carry");
        }
    }
    if (block && !block->empty()) {
        block->refuse(number, "the block has no #END BLOCK");
        (void)block->finish(commands.notes);
    }
    std::stable_sort(commands.notes.begin(), commands.notes.end(),
                     [](const TableNote& a, const TableNote& b) { return a.line < b.line; });
    return commands;
}

}  // namespace rq::exchange
