// What a table's codes take and give: the most bytes and text a character or a byte comes to, the space that
// pads a room, the end tokens that begin longer keys, and the entries that do not read back as themselves.
#include <algorithm>
#include <array>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "templates/table.h"

namespace rq::templates {
namespace {

std::size_t ceilingRatio(std::size_t numerator, std::size_t denominator) {
    return denominator == 0 ? 0 : (numerator + denominator - 1) / denominator;
}

}  // namespace

std::size_t Table::mostBytesPerCharacter() const {
    std::size_t most = 1;
    for (const Entry& entry : m_entries) {
        const std::size_t characters = files::characterCount(entry.text);
        if (entry.kind == Kind::Text || entry.kind == Kind::LineBreak) {
            most = std::max(most, ceilingRatio(entry.code.size(), characters));
        } else if (entry.kind == Kind::Control) {
            const auto parameters = static_cast<std::size_t>(entry.parameters);
            most = std::max(most, ceilingRatio(entry.code.size() + parameters, characters + 5 * parameters));
        }
    }
    return most;
}

std::size_t Table::mostTextPerByte() const {
    std::size_t most = 5;  // "<$XX>"
    for (const Entry& entry : m_entries) {
        if (entry.kind == Kind::Text && entry.aliasOf < 0) {
            most = std::max(most, ceilingRatio(entry.text.size(), entry.code.size()));
        } else if (entry.kind == Kind::Control) {
            // The parameters may be cut short by the end of the bytes: the label alone, or all of them.
            const auto parameters = static_cast<std::size_t>(entry.parameters);
            most =
                std::max({most, ceilingRatio(entry.text.size(), entry.code.size()),
                          ceilingRatio(entry.text.size() + 5 * parameters, entry.code.size() + parameters)});
        }
    }
    return most;
}

std::optional<std::string> Table::spaceCode() const {
    for (const Entry& entry : m_entries) {
        if (entry.kind == Kind::Text && entry.text == " " && entry.aliasOf < 0) {
            return entry.code;
        }
    }
    return std::nullopt;
}

std::vector<Table::EndInKey> Table::endTokensInKeys() const {
    std::vector<EndInKey> found;
    for (const Entry& end : m_entries) {
        if (end.kind != Kind::End) {
            continue;
        }
        for (const Entry& key : m_entries) {
            if (key.aliasOf < 0 && key.code.size() > end.code.size() && key.code.starts_with(end.code)) {
                found.push_back({&end, &key});
            }
        }
    }
    return found;
}

std::optional<char> Table::byteEndingToken(std::string_view end) const {
    std::array<bool, 256> continues{};
    for (const Entry& key : m_entries) {
        if (key.code.size() > end.size() && key.code.starts_with(end)) {
            continues[static_cast<unsigned char>(key.code[end.size()])] = true;
        }
    }
    if (!end.empty() && !continues[static_cast<unsigned char>(end.front())]) {
        return end.front();
    }
    for (std::size_t byte = 0; byte < continues.size(); ++byte) {
        if (!continues[byte]) {
            return static_cast<char>(byte);
        }
    }
    return std::nullopt;
}

std::vector<TableProblem> Table::readBackProblems() const {
    std::vector<TableProblem> problems;
    for (const Entry& entry : m_entries) {
        if (entry.kind != Kind::Text || entry.aliasOf >= 0) {
            continue;  // a second line of a key reads as the first, as its warning says
        }
        if (entry.text.empty()) {
            problems.push_back({entry.line, "has an empty text, which nothing writes"});
            continue;
        }
        const auto written = encode(entry.text);
        if (!written) {
            problems.push_back({entry.line, "has a text that cannot be written: it " + written.error()});
        } else if (*written != entry.code) {
            std::string hex;
            for (const char byte : *written) {
                hex += (hex.empty() ? "" : " ") + files::hexText(static_cast<unsigned char>(byte), 2);
            }
            problems.push_back({entry.line, "has a text that is written as other bytes: " + hex});
        }
    }
    return problems;
}

}  // namespace rq::templates
