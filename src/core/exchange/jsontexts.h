#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "exchange/translations.h"
#include "files/result.h"

namespace rq::exchange {

// The most a JSON input of texts may hold. Far more than a template's texts need, and little enough that a
// stray or hostile input costs neither the machine's memory nor minutes.
inline constexpr std::uint64_t kJsonTextsByteLimit = 64 * 1024 * 1024;
inline constexpr std::size_t kJsonTextsValueLimit = 1 << 18;

// The texts of a JSON document as dump writes it, {"entries": [{"entry": N, "text": "..."}, ...]}, by entry
// number: UTF-8, as the parser checked it; other keys are passed over. Refused, with a message that starts
// with name: anything that is not JSON, a key given twice in one object, more than kJsonTextsValueLimit
// values, an item without a whole number "entry" and a string "text", an entry the template lacks (its number
// as written) and an entry given twice. An item marked "fuzzy": true (migrate's, still to be checked)
// gives no text.
[[nodiscard]] Result<std::map<int, std::string>> parseJsonTexts(std::string_view json,
                                                                const std::string& name, int entryCount);

// Every item of such a document as a translation row, keyed by its entry number as written, for a migration
// to another revision: its "text", its "original" where it gives one (a plain dump does not: its
// originalKnown is false), "previous" and "fuzzy" as migrate writes them, and the items of a top "obsolete"
// array (whose "entry" may be missing) marked obsolete. A text equal to its given original is no translation
// (a dump gives the file's text where none was made): its text is left empty. Refused as above, but for the
// number of entries, which nothing bounds here.
[[nodiscard]] Result<std::vector<Translation>> parseJsonRows(std::string_view json, const std::string& name);

// The texts of a JSON document of the shape {"texts": {"KEY": "...", ...}}, by key: UTF-8, as the parser
// checked it; other keys of the top object are passed over. Refused as above, and for a value of "texts"
// that is not a string. Which keys are known is the caller's to decide.
[[nodiscard]] Result<std::map<std::string, std::string>> parseJsonKeyedTexts(std::string_view json,
                                                                             const std::string& name);

}  // namespace rq::exchange
