#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "search/madefiles.h"
#include "search/pointerfinder.h"
#include "search/preview.h"
#include "search/relative.h"
#include "templates/table.h"

// What Find Text decides, without a window: the hits of a search, where their strings start, the strings
// gathered from several searches for the pointer finder, and what a table or a template made from them holds.
namespace rq::search {

// The most bytes a hit's string is followed back for the end token before it.
inline constexpr std::uint64_t kMostSnapBytes = 4096;

// Where the string that holds the bytes at offset starts: just after the nearest end token of the table
// before it (an end token's bytes a whole number of codes of width bytes before it), within kMostSnapBytes;
// offset itself when there is none.
[[nodiscard]] std::uint64_t stringStart(std::string_view file, std::uint64_t offset,
                                        const templates::Table& table, int width = 1);

// A hit as a list shows it.
struct FoundHit {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;             // bytes
    std::optional<RelativeHit> relative;  // a relative search's hit, with its codes
    HitPreview preview;                   // the bytes around it, read through its table
    std::uint64_t start = 0;              // where its string starts (stringStart)
};

// What one search found.
struct FoundHits {
    std::string word;  // UTF-8, as typed
    bool relative = true;
    std::vector<FoundHit> hits;
    bool more = false;  // more hits than are listed
};

// A search of file for word: relative when tablePath is empty, else through that table (a .tbl file or an
// INI alphabet). end: the end token's bytes that a relative hit's strings end with (none when empty); a
// table search's strings end with its table's end tokens. The refusal is a sentence. Nothing when progress
// cancels.
[[nodiscard]] Result<FoundHits> searchFile(std::string_view file, const std::string& word,
                                           const std::string& tablePath, std::string_view end,
                                           const SearchProgress& progress = {});

// Find Text's state: the file searched, the last search's hits, and the strings gathered for the pointer
// finder; and what the files it makes hold.
class FindSession {
  public:
    // The hits of a search of file, which become the listed ones; gathered strings stay.
    void take(std::shared_ptr<const std::string> file, FoundHits found);

    [[nodiscard]] const std::shared_ptr<const std::string>& file() const { return m_file; }
    [[nodiscard]] const FoundHits& found() const { return m_found; }

    // Adds the strings of the listed hits given (indexes) to the gathered ones, each once, in order.
    void gather(const std::vector<std::size_t>& hits);
    void clearGathered() { m_gathered.clear(); }
    [[nodiscard]] const std::vector<std::uint64_t>& gathered() const { return m_gathered; }

    // What Find Pointers looks for: the gathered strings and those of the hits given, each once, in order.
    [[nodiscard]] std::vector<std::uint64_t> pointerTargets(const std::vector<std::size_t>& hits) const;

    // The table made from a relative hit (end: its end token's bytes), or the refusal of the end token.
    [[nodiscard]] Result<std::string> tableFor(std::size_t hit, std::string_view end) const;

    // The pointer tables found for the targets, best first, which a template is made from.
    void setCandidates(std::vector<PointerTableCandidate> candidates) {
        m_candidates = std::move(candidates);
    }
    [[nodiscard]] const std::vector<PointerTableCandidate>& candidates() const { return m_candidates; }
    // A template named name that reads the chosen candidates (indexes, in the order given) through the table
    // file tableName.
    [[nodiscard]] Result<std::string> templateFor(const std::vector<std::size_t>& chosen,
                                                  const std::string& name,
                                                  const std::string& tableName) const;

  private:
    std::shared_ptr<const std::string> m_file;
    FoundHits m_found;
    std::vector<std::uint64_t> m_gathered;
    std::vector<PointerTableCandidate> m_candidates;
};

}  // namespace rq::search
