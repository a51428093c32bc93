#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/tablerooms.h"
#include "font/gamefont.h"
#include "qa/termmatch.h"
#include "templates/gametemplate.h"

namespace rq::qa {

// Error: the save refuses it. Warning: shown, and saved all the same.
enum class Severity { Error, Warning };

struct Problem {
    std::size_t index = 0;  // the entry's index in gameTemplate.entries
    // The check's name, as scripts and JSON see it: "locked", "too-long", "missing-character",
    // "control-codes", "untranslated", "spaces", with a glossary "glossary" and "forbidden-term",
    // "inconsistent", and with the game's font "too-wide", "too-many-lines", "no-glyph".
    std::string check;
    Severity severity = Severity::Error;
    std::string message;  // a whole sentence, UTF-8, naming the entry as the user sees it
};

// "error" or "warning".
[[nodiscard]] std::string_view severityName(Severity severity);

// What the checks look at, by entry: the texts as read from the game file (originals), the texts to be
// saved (translations, as many), where each was read (editor::EntryRoom; none: each entry's Length) and a
// pointer entry's largest free block (editor::movingRooms; none: nothing moves), the template's font
// (font::TemplateFont::read; none: no pixel is measured) and the translators' glossary (none: no term is
// looked for).
struct ScriptTexts {
    const templates::GameTemplate* gameTemplate = nullptr;
    std::span<const std::string> originals;
    std::span<const std::string> translations;
    std::span<const editor::EntryRoom> rooms;
    std::span<const std::optional<std::uint64_t>> moving;
    const font::TemplateFont* font = nullptr;
    const TermMatcher* glossary = nullptr;
};

// Every check but "inconsistent" on one entry, in the order the names above give; the work is that of the
// entry's texts alone, so a row can be checked again as it is typed. An entry whose translation is its
// original as a save sees it (padding aside) writes nothing: it is untranslated (unless it is locked, and
// meant to stay so), and measured in its box, since the game shows it too. A locked entry that changes is an
// error ("locked"). A translated entry whose original holds a glossary term wants one of its agreed targets
// ("glossary", a warning: a term may be rephrased for room) and none of the targets the term forbids
// ("forbidden-term", an error); a term without a source forbids its targets in every translation. A forbidden
// target is one of its term's only, since the same word may be right where the term is not meant.
[[nodiscard]] std::vector<Problem> checkEntry(const ScriptTexts& texts, std::size_t index);

// "inconsistent": a warning for each entry whose original (without padding) stands in other entries too,
// some of which are translated otherwise; it names them. Empty originals are passed over.
[[nodiscard]] std::vector<Problem> checkConsistency(const ScriptTexts& texts);

// Both, by entry, and by check in the order above.
[[nodiscard]] std::vector<Problem> checkScript(const ScriptTexts& texts);

}  // namespace rq::qa
