#include "search/findsession.h"

#include <algorithm>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "search/tablesearch.h"

namespace rq::search {

std::uint64_t stringStart(std::string_view file, std::uint64_t offset, const templates::Table& table,
                          int width) {
    const auto step = static_cast<std::uint64_t>(std::max(width, 1));
    offset = std::min<std::uint64_t>(offset, file.size());
    const std::uint64_t lowest = offset > kMostSnapBytes ? offset - kMostSnapBytes : 0;
    for (std::uint64_t start = offset;; start -= step) {
        for (const auto& entry : table.entries()) {
            const std::string& code = entry.code;
            if (entry.kind == templates::Table::Kind::End && code.size() <= start &&
                file.substr(start - code.size(), code.size()) == code) {
                return start;
            }
        }
        if (start < lowest + step) {
            break;
        }
    }
    return offset;
}

Result<FoundHits> searchFile(std::string_view file, const std::string& word, const std::string& tablePath,
                             std::string_view end, const SearchProgress& progress) {
    FoundHits found{word, tablePath.empty(), {}, false};
    if (tablePath.empty()) {
        const auto characters = files::decodeUtf8(word);
        const auto hits = characters ? relativeSearch(file, {*characters}, progress)
                                     : Result<RelativeHits>(Error{"is not UTF-8", ErrorKind::Refusal});
        if (!hits) {
            return Error{"The word \"" + word + "\" " + hits.error() + ".", ErrorKind::Refusal};
        }
        found.more = hits->more;
        for (const RelativeHit& hit : hits->hits) {
            const auto table = templates::Table::parse(tableFromHit(hit, *characters, end));
            const std::uint64_t length = characters->size() * static_cast<std::uint64_t>(hit.layout.width);
            found.hits.push_back({hit.offset, length, hit,
                                  previewHit(file, hit.offset, length, hit.layout.width, table),
                                  stringStart(file, hit.offset, table, hit.layout.width)});
        }
        return found;
    }
    const auto table = readSearchTable(tablePath);
    const auto hits = table ? findTableText(file, *table, word, progress) : Result<TextHits>(table.failure());
    if (!hits) {
        return hits.failure();
    }
    found.more = hits->more;
    for (const TextHit& hit : hits->hits) {
        found.hits.push_back({hit.offset, hit.length, std::nullopt,
                              previewHit(file, hit.offset, hit.length, 1, *table),
                              stringStart(file, hit.offset, *table)});
    }
    return found;
}

void FindSession::take(std::shared_ptr<const std::string> file, FoundHits found) {
    if (m_file && file && *m_file != *file) {
        m_gathered.clear();  // strings of another file's bytes
    }
    m_file = std::move(file);
    m_found = std::move(found);
    m_candidates.clear();
}

void FindSession::gather(const std::vector<std::size_t>& hits) {
    for (const std::size_t hit : hits) {
        if (hit < m_found.hits.size() &&
            std::find(m_gathered.begin(), m_gathered.end(), m_found.hits[hit].start) == m_gathered.end()) {
            m_gathered.push_back(m_found.hits[hit].start);
        }
    }
}

std::vector<std::uint64_t> FindSession::pointerTargets(const std::vector<std::size_t>& hits) const {
    std::vector<std::uint64_t> targets = m_gathered;
    for (const std::size_t hit : hits) {
        if (hit < m_found.hits.size()) {
            targets.push_back(m_found.hits[hit].start);
        }
    }
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    return targets;
}

Result<std::string> FindSession::tableFor(std::size_t hit, std::string_view end) const {
    const auto characters = files::decodeUtf8(m_found.word);
    if (hit >= m_found.hits.size() || !m_found.hits[hit].relative || !characters) {
        return Error{"Select one hit of a relative search.", ErrorKind::Refusal};
    }
    const RelativeHit& relative = *m_found.hits[hit].relative;
    if (const auto fits = checkEndToken(relative, end); !fits) {
        std::string key;
        for (const char byte : end) {
            key += files::hexText(static_cast<unsigned char>(byte), 2);
        }
        return Error{"The end token " + key + " " + fits.error() + ".", ErrorKind::Refusal};
    }
    return tableFromHit(relative, *characters, end);
}

Result<std::string> FindSession::templateFor(const std::vector<std::size_t>& chosen, const std::string& name,
                                             const std::string& tableName) const {
    TemplatePlan plan{name, tableName, {}, {}, std::nullopt};
    for (const std::size_t index : chosen) {
        if (index < m_candidates.size()) {
            const PointerTableCandidate& candidate = m_candidates[index];
            plan.tables.push_back(
                {candidate.table, static_cast<int>(candidate.cells), candidate.format, candidate.stride});
        }
    }
    return templateForPointers(plan);
}

}  // namespace rq::search
