#include "templates/table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <unordered_map>
#include <variant>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/filehandle.h"
#include "files/textencoding.h"
#include "templates/tableindex.h"

namespace rq::templates {
namespace {

// Phrase tables have keys of a dozen bytes and more.
constexpr std::size_t kMostKeyBytes = 32;

// A key's bytes, or the phrase that says what is wrong with it.
std::variant<std::string, std::string> keyBytes(std::string_view digits) {
    if (digits.empty() || digits.size() % 2 != 0 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
        return std::variant<std::string, std::string>{
            std::in_place_index<1>, "has a key that is not whole bytes of hexadecimal digits"};
    }
    if (digits.size() > 2 * kMostKeyBytes) {
        return std::variant<std::string, std::string>{std::in_place_index<1>,
                                                      "has a key of more than 32 bytes"};
    }
    return std::variant<std::string, std::string>{std::in_place_index<0>, *files::parseHexBytes(digits)};
}

// "\n" written in an entry's text stands for a line break, "\\" for one backslash.
std::string unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\\' && at + 1 < text.size() && (text[at + 1] == 'n' || text[at + 1] == '\\')) {
            out.push_back(text[at + 1] == 'n' ? '\n' : '\\');
            ++at;
        } else {
            out.push_back(text[at]);
        }
    }
    return out;
}

// One line as an entry, or what is wrong with it.
std::variant<Table::Entry, TableProblem> parseLine(std::string_view line) {
    using Parsed = std::variant<Table::Entry, TableProblem>;
    const auto problem = [](std::string phrase, bool warning = false) {
        return Parsed{std::in_place_index<1>, TableProblem{0, std::move(phrase), warning}};
    };
    if (!files::decodeUtf8(line)) {
        return problem("is not valid UTF-8 text");
    }
    if (line.front() == '!') {
        return problem("switches tables with \"!\", which is not supported");
    }
    Table::Entry entry;
    std::string_view body = line;
    if (line.front() == '/' || line.front() == '*' || line.front() == '$') {
        entry.kind = line.front() == '/'   ? Table::Kind::End
                     : line.front() == '*' ? Table::Kind::LineBreak
                                           : Table::Kind::Control;
        body.remove_prefix(1);
    }
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos &&
        (entry.kind == Table::Kind::Text || entry.kind == Table::Kind::Control)) {
        return problem("has no \"=\" and is neither an end token nor a line break");
    }
    auto key = keyBytes(body.substr(0, equals));
    if (key.index() == 1) {
        return problem(std::get<1>(std::move(key)));
    }
    constexpr auto kLeftOut = ": the table is used without it";
    entry.code = std::get<0>(std::move(key));
    const std::string_view text =
        equals == std::string_view::npos ? std::string_view{} : body.substr(equals + 1);
    switch (entry.kind) {
        case Table::Kind::Text:
        case Table::Kind::End:
            entry.text = unescaped(text);
            break;
        case Table::Kind::LineBreak:
            entry.text = "\n";
            entry.label = std::string(text);
            break;
        case Table::Kind::Control: {
            const std::size_t comma = text.rfind(',');
            const std::string_view count =
                comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
            int parameters = -1;
            const auto [end, fault] = std::from_chars(count.data(), count.data() + count.size(), parameters);
            if (count.empty() || fault != std::errc{} || end != count.data() + count.size() ||
                parameters < 0 || parameters > 255) {
                return problem(
                    std::string("is a control code without a count of parameter bytes from 0 to 255") +
                        kLeftOut,
                    true);
            }
            if (comma == 0) {
                return problem(std::string("is a control code without a label") + kLeftOut, true);
            }
            entry.text = std::string(text.substr(0, comma));
            entry.parameters = parameters;
            break;
        }
    }
    return Parsed{std::in_place_index<0>, std::move(entry)};
}

void appendRawByte(std::string& out, unsigned char byte) {
    out += "<$";
    out += files::hexText(byte, 2);
    out += '>';
}

}  // namespace

namespace {

// Lines other tools skip, each kind counted and reported once, at its first line.
struct Skipped {
    int first = 0;
    int count = 0;
    void add(int line) {
        first = first == 0 ? line : first;
        ++count;
    }
};

bool isKeyAlone(std::string_view line) {
    const std::string_view key = line.substr(0, line.find_last_not_of(" \t") + 1);
    return key.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

bool writesText(const Table::Entry& entry) {
    return entry.kind == Table::Kind::Text || entry.kind == Table::Kind::LineBreak;
}

}  // namespace

std::optional<std::string> tableFileText(std::string_view fileBytes, std::vector<TableProblem>& problems) {
    const bool marked = fileBytes.starts_with("\xEF\xBB\xBF") || fileBytes.starts_with("\xFF\xFE") ||
                        fileBytes.starts_with("\xFE\xFF");
    if (!marked && !files::decodeUtf8(fileBytes)) {
        if (auto converted = files::shiftJisToUtf8(fileBytes)) {
            problems.push_back(
                {1, "is Shift-JIS (code page 932), not UTF-8: the table is read as Shift-JIS", true});
            return converted;
        }
    }
    auto text = files::utf8Input(std::string(fileBytes), "The table");
    if (!text) {
        problems.push_back({1, "begins UTF-16 text that is cut short or has a surrogate without its pair"});
        return std::nullopt;
    }
    return std::move(text).value();
}

Table Table::parse(std::string_view fileBytes) {
    Table table;
    const auto text = tableFileText(fileBytes, table.m_problems);
    const std::string_view all = text ? std::string_view(*text) : std::string_view();
    std::unordered_map<std::string, std::size_t> firstOfKey;
    Skipped comments;
    Skipped placeholders;
    files::forEachLine(all, [&](std::string_view line, int lineNumber) {
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '#') {
            return;
        }
        if (line.front() == ';') {
            comments.add(lineNumber);
            return;
        }
        if (line.front() == '@' || isKeyAlone(line)) {
            placeholders.add(lineNumber);
            return;
        }
        auto parsed = parseLine(line);
        if (parsed.index() == 1) {
            TableProblem problem = std::get<1>(std::move(parsed));
            problem.line = lineNumber;
            table.m_problems.push_back(std::move(problem));
            return;
        }
        Entry entry = std::get<0>(std::move(parsed));
        entry.line = lineNumber;
        const auto [first, isNew] = firstOfKey.try_emplace(entry.code, table.m_entries.size());
        if (!isNew) {
            const Entry& earlier = table.m_entries[first->second];
            const std::string seen =
                "has the same key as line " + std::to_string(earlier.line) + ", which is read";
            if (writesText(entry) && writesText(earlier) && entry.text != earlier.text) {
                table.m_problems.push_back({lineNumber, seen + ": both texts are written as that key", true});
                entry.aliasOf = static_cast<int>(first->second);
                table.m_entries.push_back(std::move(entry));
            } else {
                table.m_problems.push_back({lineNumber, seen + ": this line is left out", true});
            }
            return;
        }
        table.m_entries.push_back(std::move(entry));
    });
    const auto report = [&table](const Skipped& skipped, const std::string& one, const std::string& many) {
        if (skipped.count > 0) {
            table.m_problems.push_back({skipped.first,
                                        skipped.count == 1
                                            ? "is " + one
                                            : "is the first of " + std::to_string(skipped.count) + " " + many,
                                        true});
        }
    };
    report(comments, "a line beginning with \";\", read as a comment",
           "lines beginning with \";\", read as comments");
    report(placeholders, "a placeholder (an \"@\" line or a key without \"=\"), skipped",
           "placeholders (\"@\" lines and keys without \"=\"), skipped");
    std::stable_sort(table.m_problems.begin(), table.m_problems.end(),
                     [](const TableProblem& a, const TableProblem& b) { return a.line < b.line; });
    table.m_index = std::make_shared<const Index>(table.m_entries);
    return table;
}

Result<Table> Table::read(const std::string& path) {
    auto bytes = files::readFileBytes(path, kTableFileLimit);
    if (!bytes) {
        return bytes.failure();
    }
    Table table = parse(*bytes);
    table.m_path = path;
    return table;
}

// A table made without parse has no entries: it reads every byte as a raw byte.
const Table::Index& Table::index() const {
    static const Index empty{std::vector<Entry>{}};
    return m_index ? *m_index : empty;
}

bool Table::hasEndTokens() const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const Entry& e) { return e.kind == Kind::End; });
}

Table::Index::Index(const std::vector<Entry>& entries) {
    m_single.fill(-1);
    for (std::size_t n = 0; n < entries.size(); ++n) {
        const Entry& entry = entries[n];
        addToTrie(entries, n);
        if (entry.aliasOf >= 0) {
            continue;  // written as its key, never read
        }
        const auto first = static_cast<unsigned char>(entry.code.front());
        if (entry.code.size() == 1) {
            m_single[first] = static_cast<int>(n);
        } else if (entry.code.size() == 2) {
            if (m_double.empty()) {
                m_double.assign(1U << 16, -1);
            }
            m_double[first << 8 | static_cast<unsigned char>(entry.code[1])] = static_cast<int>(n);
        } else {
            m_longer.emplace(entry.code, static_cast<int>(n));
        }
        m_longerSizes[first] |= std::uint64_t{1} << entry.code.size();
    }
    makeDense();
}

int Table::Index::longestCode(std::string_view bytes, std::size_t at) const {
    const auto first = static_cast<unsigned char>(bytes[at]);
    if (const std::uint64_t lengths = m_longerSizes[first]; lengths != 0) {
        for (std::size_t size = std::min(kMostKeyBytes, bytes.size() - at); size >= 3; --size) {
            if ((lengths & (std::uint64_t{1} << size)) != 0) {
                if (const auto found = m_longer.find(bytes.substr(at, size)); found != m_longer.end()) {
                    return found->second;
                }
            }
        }
        if ((lengths & (1U << 2)) != 0 && at + 1 < bytes.size()) {
            if (const int found = m_double[first << 8 | static_cast<unsigned char>(bytes[at + 1])];
                found >= 0) {
                return found;
            }
        }
    }
    return m_single[first];
}

Table::Decoded Table::decode(std::string_view bytes) const {
    Decoded decoded;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const int found = index().longestCode(bytes, at);
        if (found < 0) {
            appendRawByte(decoded.text, static_cast<unsigned char>(bytes[at]));
            ++at;
            continue;
        }
        const Entry& entry = m_entries[static_cast<std::size_t>(found)];
        at += entry.code.size();
        if (entry.kind == Kind::End) {
            decoded.end = entry.code;
            break;
        }
        decoded.text += entry.text;
        if (entry.kind == Kind::Control) {
            const std::size_t end = std::min(bytes.size(), at + static_cast<std::size_t>(entry.parameters));
            for (; at < end; ++at) {
                appendRawByte(decoded.text, static_cast<unsigned char>(bytes[at]));
            }
        }
    }
    decoded.length = at;
    return decoded;
}

bool isTableName(std::string_view name) {
    return files::lowerAscii(name).ends_with(".tbl");
}

}  // namespace rq::templates
