#include "revisions/migrate.h"

#include <algorithm>
#include <optional>
#include <set>
#include <unordered_map>

#include "files/codepage.h"

namespace rq::revisions {
namespace {

using exchange::ExportedEntry;
using exchange::Translation;

// A text's code points, for a diff by characters rather than bytes.
std::vector<char32_t> codePoints(std::string_view utf8) {
    std::vector<char32_t> points;
    points.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if ((byte & 0xC0) == 0x80 && !points.empty()) {
            points.back() = (points.back() << 6) | (byte & 0x3F);
        } else {
            points.push_back(byte);
        }
    }
    return points;
}

// The fewest insertions and deletions that make b of a, when there are at most limit of them (Myers).
std::optional<std::size_t> editDistance(const std::vector<char32_t>& a, const std::vector<char32_t>& b,
                                        std::size_t limit) {
    const auto n = static_cast<std::ptrdiff_t>(a.size());
    const auto m = static_cast<std::ptrdiff_t>(b.size());
    const auto most = static_cast<std::ptrdiff_t>(limit);
    // The furthest x reached on each diagonal k = x - y, k from -most to most.
    std::vector<std::ptrdiff_t> furthest(static_cast<std::size_t>(2 * most + 3), 0);
    const auto at = [&](std::ptrdiff_t k) -> std::ptrdiff_t& {
        return furthest[static_cast<std::size_t>(k + most + 1)];
    };
    for (std::ptrdiff_t d = 0; d <= most; ++d) {
        for (std::ptrdiff_t k = -d; k <= d; k += 2) {
            std::ptrdiff_t x = k == -d || (k != d && at(k - 1) < at(k + 1)) ? at(k + 1) : at(k - 1) + 1;
            std::ptrdiff_t y = x - k;
            while (x < n && y < m && a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)]) {
                ++x;
                ++y;
            }
            at(k) = x;
            if (x >= n && y >= m) {
                return static_cast<std::size_t>(d);
            }
        }
    }
    return std::nullopt;
}

// A row's key as an entry's: "entry 3" and "3" name the same.
std::string entryKey(std::string_view key) {
    constexpr std::string_view kPrefix = "entry ";
    return std::string(key.starts_with(kPrefix) ? key.substr(kPrefix.size()) : key);
}

// An old translation no entry took, written as its file named it.
ExportedEntry obsoleteEntry(const Translation& row) {
    const std::string key = entryKey(row.key);
    const bool numbered =
        !key.empty() && std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
    ExportedEntry entry{numbered ? "entry " + key : row.key,       numbered ? key : row.key, {}, 0, 0, {},
                        std::string(files::unpadded(row.original))};
    entry.translation = row.text;
    entry.fuzzy = row.fuzzy;
    entry.previous = row.previous;
    return entry;
}

// Which old row each entry takes, and how.
class Matcher {
  public:
    explicit Matcher(std::span<const Translation> old) : m_old(old), m_taken(old.size()) {
        // Live translations come before obsolete ones, each in its file's order: the first found is taken.
        for (const bool obsolete : {false, true}) {
            for (std::size_t i = 0; i < old.size(); ++i) {
                if (old[i].obsolete == obsolete && !old[i].text.empty()) {
                    m_byKey[entryKey(old[i].key)].push_back(i);
                    if (old[i].originalKnown) {
                        m_byOriginal[std::string(files::unpadded(old[i].original))].push_back(i);
                    }
                }
            }
        }
    }

    // The row under the entry's key with its original.
    std::optional<std::size_t> same(const ExportedEntry& entry) {
        for (const std::size_t i : rows(m_byKey, entry.key)) {
            if (m_old[i].originalKnown && files::unpadded(m_old[i].original) == entry.original) {
                return take(i);
            }
        }
        return std::nullopt;
    }

    // A row with the entry's original under another key: one no entry took yet, if there is one. Rows are
    // only ever taken, so the search for an untaken one goes on where the last one ended: a text repeated
    // in thousands of entries costs no more than one.
    std::optional<std::size_t> moved(const ExportedEntry& entry) {
        const auto found = m_byOriginal.find(entry.original);
        if (found == m_byOriginal.end()) {
            return std::nullopt;
        }
        const std::vector<std::size_t>& same = found->second;
        std::size_t& next = m_untaken[entry.original];
        while (next < same.size() && m_taken[same[next]]) {
            ++next;
        }
        return take(next < same.size() ? same[next] : same.front());
    }

    // The row under the entry's key whose original is similar, or whose original is not known; a text
    // without an original that is the entry's own is taken as none (nullopt, but no longer obsolete).
    std::optional<std::size_t> similar(const ExportedEntry& entry) {
        for (const std::size_t i : rows(m_byKey, entry.key)) {
            const Translation& row = m_old[i];
            if (!row.originalKnown && files::unpadded(row.text) == entry.original) {
                m_taken[i] = true;
                return std::nullopt;
            }
            if (!row.originalKnown || similarOriginals(files::unpadded(row.original), entry.original)) {
                return take(i);
            }
        }
        return std::nullopt;
    }

    [[nodiscard]] bool taken(std::size_t i) const { return m_taken[i]; }

  private:
    using Index = std::unordered_map<std::string, std::vector<std::size_t>>;

    static const std::vector<std::size_t>& rows(const Index& index, const std::string& key) {
        static const std::vector<std::size_t> kNone;
        const auto found = index.find(key);
        return found == index.end() ? kNone : found->second;
    }

    std::size_t take(std::size_t i) {
        m_taken[i] = true;
        return i;
    }

    std::span<const Translation> m_old;
    std::vector<bool> m_taken;
    Index m_byKey;
    Index m_byOriginal;
    std::unordered_map<std::string, std::size_t> m_untaken;  // by original: where the search goes on
};

}  // namespace

bool similarOriginals(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    const std::vector<char32_t> x = codePoints(a);
    const std::vector<char32_t> y = codePoints(b);
    const std::size_t both = x.size() + y.size();
    if (both > kComparedLength) {
        return false;
    }
    // 2 * common / both >= 0.6, with common = (both - edits) / 2: edits <= 0.4 * both.
    const std::size_t allowed = 2 * both / 5;
    const std::size_t apart = x.size() > y.size() ? x.size() - y.size() : y.size() - x.size();
    return apart <= allowed && editDistance(x, y, allowed).has_value();
}

Result<Migration> migrateTranslations(std::vector<ExportedEntry> entries, std::span<const Translation> old,
                                      const std::string& name) {
    exchange::ProblemList problems(name);
    for (const Translation& row : old) {
        if (!row.problem.empty()) {
            problems.add(row.problem);
        }
    }
    if (!problems.empty()) {
        return problems.error();
    }
    Matcher matcher(old);
    // Exact matches first, so that a renumbered entry does not take a translation its own key keeps.
    std::vector<std::optional<std::size_t>> chosen(entries.size());
    for (std::size_t e = 0; e < entries.size(); ++e) {
        chosen[e] = matcher.same(entries[e]);
    }
    Migration migration;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        ExportedEntry& entry = entries[e];
        bool changed = false;
        if (!chosen[e]) {
            chosen[e] = matcher.moved(entry);
        }
        if (!chosen[e]) {
            chosen[e] = matcher.similar(entry);
            changed = chosen[e].has_value();
        }
        if (!chosen[e]) {
            ++migration.counts.fresh;
            continue;
        }
        const Translation& row = old[*chosen[e]];
        entry.translation = row.text;
        entry.fuzzy = changed || row.fuzzy;
        entry.previous = changed     ? std::string(files::unpadded(row.original))
                         : row.fuzzy ? row.previous
                                     : std::string();
        ++(entry.fuzzy ? migration.counts.fuzzy : migration.counts.kept);
    }
    // A PO file holds one message of a msgctxt and msgid: a row repeated in the old file (a CSV file may
    // repeat one) is obsolete once, and none is an entry's.
    std::set<std::pair<std::string, std::string>> written;
    for (const ExportedEntry& entry : entries) {
        written.emplace(entry.context, entry.original);
    }
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (!old[i].text.empty() && !matcher.taken(i)) {
            ExportedEntry gone = obsoleteEntry(old[i]);
            if (written.emplace(gone.context, gone.original).second) {
                migration.obsolete.push_back(std::move(gone));
            }
        }
    }
    migration.counts.obsolete = migration.obsolete.size();
    migration.entries = std::move(entries);
    return migration;
}

}  // namespace rq::revisions
