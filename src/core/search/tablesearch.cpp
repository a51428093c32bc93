#include "search/tablesearch.h"

#include <algorithm>
#include <array>
#include <bit>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "templates/alphabet.h"

namespace rq::search {
namespace {

using Entry = templates::Table::Entry;

constexpr std::uint64_t kProgressStep = std::uint64_t{1} << 20;  // offsets, and codes tried, between asks

// The codes that can stand for part of the text, by their first byte: a code whose text the text does not
// hold can never be part of a hit. A search is depth first, codes in table order, and the first run of codes
// that spells the text wins. Where codes spell a run of letters in many ways, the same (position, letters
// spelled) comes up again and again, from one start and from the next ones: what it gives does not depend
// on the start, so it is kept, and each is worked out once.
class Spelling {
  public:
    Spelling(std::string_view file, const templates::Table& table, std::string_view text,
             const SearchProgress& progress)
        : m_file(file), m_text(text), m_progress(progress) {
        std::size_t longestCode = 1;
        for (const Entry& entry : table.entries()) {
            const bool lineBreak = entry.kind == templates::Table::Kind::LineBreak;
            const std::string_view spelled =
                lineBreak ? std::string_view("\n") : std::string_view(entry.text);
            if ((entry.kind == templates::Table::Kind::Text || lineBreak) && !spelled.empty() &&
                !entry.code.empty() && text.find(spelled) != std::string_view::npos) {
                m_byFirstByte[static_cast<std::uint8_t>(entry.code.front())].push_back({entry.code, spelled});
                longestCode = std::max(longestCode, entry.code.size());
            }
        }
        // Each code spells at least one byte of the text, so a search from one start stays within
        // text.size() * longestCode bytes of it while the text is not spelled yet; the ring covers that.
        m_ringBits = static_cast<int>(std::bit_width(text.size() * longestCode - 1));
        m_rows.resize(std::size_t{1} << m_ringBits);
    }

    // The length in bytes of a run of codes at the offset that spells the text, or 0; 0 too once the
    // progress has cancelled.
    [[nodiscard]] std::uint64_t at(std::uint64_t offset) {
        m_offset = offset;
        return rest(offset, 0);
    }
    [[nodiscard]] bool cancelled() const { return m_cancelled; }

  private:
    struct Code {
        std::string_view bytes;
        std::string_view text;
    };
    // What rest(at, spelled) gave, for the `at` whose lap of the ring is `lap`: bytes, 0 for none.
    struct Known {
        std::uint32_t lap = 0;
        std::uint32_t length = 0;
    };

    // The bytes from `at` to the end of the first run of codes that spells the text from `spelled` on, or 0.
    std::uint64_t rest(std::uint64_t at, std::size_t spelled) {
        if (at >= m_file.size()) {
            return 0;
        }
        const auto& codes = m_byFirstByte[static_cast<std::uint8_t>(m_file[at])];
        // Nothing is spelled yet only at the start itself, which is searched once.
        Known* known = nullptr;
        const auto lap = static_cast<std::uint32_t>((at >> m_ringBits) + 1);
        if (!codes.empty() && spelled != 0) {
            known = &row(at)[spelled];
            if (known->lap == lap) {
                return known->length;
            }
        }
        std::uint64_t length = 0;
        for (const Code& code : codes) {
            if (++m_tried % kProgressStep == 0 && m_progress && !m_progress(m_offset, m_file.size())) {
                m_cancelled = true;
            }
            if (m_cancelled) {
                return 0;
            }
            if (m_file.substr(at, code.bytes.size()) == code.bytes &&
                m_text.substr(spelled).starts_with(code.text)) {
                const std::size_t next = spelled + code.text.size();
                const auto after = next == m_text.size() ? 0 : rest(at + code.bytes.size(), next);
                if (next == m_text.size() || after != 0) {
                    length = code.bytes.size() + after;
                    break;
                }
            }
        }
        if (known && !m_cancelled) {
            // Deeper searches stay within the ring's size of the start, so they never reuse this row.
            *known = {lap, static_cast<std::uint32_t>(length)};
        }
        return length;
    }

    // The row of `at` holds its results until a search reaches the ring's size past it, by which time
    // every start that could ask for them is behind: memory stays the ring's rows of the text's size at
    // most, made as searches reach them.
    std::vector<Known>& row(std::uint64_t at) {
        std::vector<Known>& row = m_rows[at & ((std::uint64_t{1} << m_ringBits) - 1)];
        if (row.empty()) {
            row.resize(m_text.size());
        }
        return row;
    }

    std::string_view m_file;
    std::string_view m_text;
    const SearchProgress& m_progress;
    std::array<std::vector<Code>, 256> m_byFirstByte;
    int m_ringBits = 0;
    std::vector<std::vector<Known>> m_rows;  // the ring, one row for each `at` it holds
    std::uint64_t m_offset = 0;              // the start searched now
    std::uint64_t m_tried = 0;  // codes tried, for asking the progress while one start takes long
    bool m_cancelled = false;
};

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
        const auto code = hexBytes(key, 4);  // "4100" is 41 00
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
    Spelling spelling(file, table, text, progress);
    TextHits found;
    for (std::uint64_t offset = 0; offset < file.size(); ++offset) {
        if (offset % kProgressStep == 0 && progress && !progress(offset, file.size())) {
            return TextHits{};
        }
        const auto length = spelling.at(offset);
        if (spelling.cancelled()) {
            return TextHits{};
        }
        if (length != 0) {
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
