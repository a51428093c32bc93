#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "qa/checks.h"

namespace rq::script {

// The translator's checks of every entry of a script, kept as translations change: an entry's own checks
// again at the cost of its text, and "inconsistent" again for the entries that share its original, at the
// cost of that group. Entries share an original as the checks group them (without padding; an empty one
// stands alone).
class ScriptChecks {
  public:
    ScriptChecks() = default;
    // Every check of every entry.
    explicit ScriptChecks(const qa::ScriptTexts& texts);

    [[nodiscard]] const std::vector<qa::Problem>& problems(std::size_t row) const { return m_problems[row]; }
    // Its text is its original's, as a save sees it.
    [[nodiscard]] bool untranslated(std::size_t row) const { return m_untranslated[row] != 0; }
    // A problem besides being untranslated, which has a filter of its own.
    [[nodiscard]] bool flagged(std::size_t row) const { return m_flagged[row] != 0; }
    [[nodiscard]] int untranslatedCount() const { return m_untranslatedCount; }
    [[nodiscard]] int flaggedCount() const { return m_flaggedCount; }
    // The other entries with the same original.
    [[nodiscard]] std::span<const std::size_t> sameOriginal(std::size_t row) const;

    // The rows whose translations changed, in any order. Typed (deferGroups), the rows that share their
    // originals wait for checkPending: a key costs the row's text alone, however large its group.
    void recheck(const qa::ScriptTexts& texts, std::span<const std::size_t> rows, bool deferGroups = false);
    // The groups that wait, checked now; the range of rows they cover, or nothing when none waited.
    std::optional<std::pair<std::size_t, std::size_t>> checkPending(const qa::ScriptTexts& texts);

  private:
    void show(std::size_t row);
    void checkGroup(const qa::ScriptTexts& texts, std::size_t group);

    std::vector<std::vector<qa::Problem>> m_problems;
    std::vector<char> m_untranslated;
    std::vector<char> m_flagged;
    int m_untranslatedCount = 0;
    int m_flaggedCount = 0;
    static constexpr std::size_t kAlone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> m_group;                 // kAlone: no other entry has its original
    std::vector<std::vector<std::size_t>> m_members;  // by group, in entry order
    std::vector<std::size_t> m_pending;               // groups to check again
};

// The error-severity problems of these rows, which a save refuses (warnings never stop it).
[[nodiscard]] std::vector<qa::Problem> saveErrors(const qa::ScriptTexts& texts,
                                                  std::span<const std::size_t> rows);

}  // namespace rq::script
