#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/translations.h"
#include "files/result.h"

namespace rq::revisions {

// How a migration went, entry by entry: a translation kept as it was, one carried marked fuzzy (to be
// checked), an entry with none (new); and the old translations no entry took (obsolete).
struct MigrationCounts {
    std::size_t kept = 0;
    std::size_t fuzzy = 0;
    std::size_t fresh = 0;
    std::size_t obsolete = 0;
};

// The new revision's entries, each with the translation it takes (fuzzy, with its former original as
// previous, where it must be checked), and the translations no entry took, with their keys and originals.
struct Migration {
    std::vector<exchange::ExportedEntry> entries;
    std::vector<exchange::ExportedEntry> obsolete;
    MigrationCounts counts;
};

// Carries the translations of an older revision (rows as the translators' readers give them, obsolete and
// fuzzy ones too) to the entries of a new one, as gettext's msgmerge carries a catalogue. Each entry takes,
// in this order: the translation under its key whose original is its own; else one with its original under
// any key (entries renumbered); else, under its key, one whose original is similar (similarOriginals),
// marked fuzzy with that original as previous; else none. A row whose original its file does not give (a
// JSON dump) is taken under its key only, marked fuzzy, unless its text is the entry's original: then it is
// no translation. A translation fuzzy before stays fuzzy; a row without a text is no translation. Keys are
// entry numbers, "N" or "entry N". Refused, every problem listed, when the reader found any in a row.
[[nodiscard]] Result<Migration> migrateTranslations(std::vector<exchange::ExportedEntry> entries,
                                                    std::span<const exchange::Translation> old,
                                                    const std::string& name);

// Texts of more code points than this together are compared whole only: a diff of two such texts could cost
// seconds, and no game's line is that long.
inline constexpr std::size_t kComparedLength = 4096;

// Whether two texts have at least 60% of their characters in common, as gettext's fstrcmp counts them: twice
// the code points of their longest common subsequence over both lengths. The diff (Myers's, O(ND)) stops as
// soon as the differences pass what 60% allows, so it costs at most about 0.4 * (a + b)^2 steps.
[[nodiscard]] bool similarOriginals(std::string_view a, std::string_view b);

}  // namespace rq::revisions
