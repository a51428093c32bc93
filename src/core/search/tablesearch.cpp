#include "search/tablesearch.h"

#include <array>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "templates/alphabet.h"

namespace rq::search {
namespace {

using Entry = templates::Table::Entry;

constexpr std::uint64_t kProgressStep = std::uint64_t{1} << 20;

// The codes that can stand for part of the text, by their first byte: a code whose text the text does not
// hold can never be part of a hit.
class Spelling {
  public:
    Spelling(const templates::Table& table, std::string_view text) : m_text(text) {
        for (const Entry& entry : table.entries()) {
            const bool lineBreak = entry.kind == templates::Table::Kind::LineBreak;
            const std::string_view spelled =
                lineBreak ? std::string_view("\n") : std::string_view(entry.text);
            if ((entry.kind == templates::Table::Kind::Text || lineBreak) && !spelled.empty() &&
                !entry.code.empty() && text.find(spelled) != std::string_view::npos) {
                m_byFirstByte[static_cast<std::uint8_t>(entry.code.front())].push_back({entry.code, spelled});
            }
        }
    }

    // The length in bytes of a run of codes at the offset that spells the text, or 0.
    [[nodiscard]] std::uint64_t at(std::string_view file, std::uint64_t offset) const {
        return from(file, offset, 0, offset);
    }

  private:
    struct Code {
        std::string_view bytes;
        std::string_view text;
    };

    std::uint64_t from(std::string_view file, std::uint64_t at, std::size_t spelled,
                       std::uint64_t start) const {
        if (spelled == m_text.size()) {
            return at - start;
        }
        if (at >= file.size()) {
            return 0;
        }
        for (const Code& code : m_byFirstByte[static_cast<std::uint8_t>(file[at])]) {
            if (file.substr(at, code.bytes.size()) == code.bytes &&
                m_text.substr(spelled).starts_with(code.text)) {
                if (const auto length =
                        from(file, at + code.bytes.size(), spelled + code.text.size(), start)) {
                    return length;
                }
            }
        }
        return 0;
    }

    std::string_view m_text;
    std::array<std::vector<Code>, 256> m_byFirstByte;
};

// A Load key's bytes, first byte first: "4100" is 41 00.
std::optional<std::string> keyBytes(std::string_view key) {
    const auto value = key.size() % 2 == 0 && key.size() <= 8 ? files::parseHex(key) : std::nullopt;
    if (!value || key.empty()) {
        return std::nullopt;
    }
    std::string bytes(key.size() / 2, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[bytes.size() - 1 - i] = static_cast<char>((*value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

}  // namespace

Result<templates::Table> readSearchTable(const std::string& path) {
    if (templates::isTableName(path)) {
        auto table = templates::Table::read(path);
        if (!table) {
            return table.failure();
        }
        return std::move(table).value();
    }
    const auto alphabet = templates::Alphabet::read(path);
    std::string lines;
    for (const std::string& key : alphabet.loadKeys()) {
        const auto code = keyBytes(key);
        const std::string text = code ? files::bytesToUtf8(alphabet.decode(*code)) : std::string();
        if (!text.empty() && text.find_first_of("\r\n") == std::string::npos) {
            lines += key + "=" + text + "\n";
        }
    }
    if (lines.empty()) {
        return Error{"\"" + path + "\" has no codes to search with.", ErrorKind::Refusal};
    }
    return templates::Table::parse(lines);
}

Result<TextHits> findTableText(std::string_view file, const templates::Table& table, std::string_view text,
                               const SearchProgress& progress) {
    if (text.empty() || text.size() > kLongestSearchedText) {
        return Error{text.empty() ? "There is no text to search for."
                                  : "The text is longer than " + std::to_string(kLongestSearchedText) +
                                        " bytes: search for a part of it.",
                     ErrorKind::Refusal};
    }
    const Spelling spelling(table, text);
    TextHits found;
    for (std::uint64_t offset = 0; offset < file.size(); ++offset) {
        if (offset % kProgressStep == 0 && progress && !progress(offset, file.size())) {
            return TextHits{};
        }
        if (const auto length = spelling.at(file, offset)) {
            if (found.hits.size() == kMostTextHits) {
                found.more = true;
                break;
            }
            found.hits.push_back({offset, length});
        }
    }
    return found;
}

}  // namespace rq::search
