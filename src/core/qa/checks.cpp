#include "qa/checks.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "editor/entrytexts.h"
#include "files/codepage.h"
#include "files/common.h"
#include "font/textlayout.h"

namespace rq::qa {
namespace {

std::string counted(std::uint64_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    }
    return text;
}

std::string commaListed(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

struct Entry {
    const templates::TemplateEntry& entry;
    editor::EntryRoom room;
    std::optional<std::uint64_t> moving;
    const std::string& original;
    const std::string& translation;
    std::size_t index;
    std::optional<font::EntryMetrics> metrics;  // with the game's font, when the entry has a box
    const TermMatcher* glossary;

    [[nodiscard]] Problem problem(std::string check, Severity severity, const std::string& what) const {
        return Problem{index, std::move(check), severity, templates::entryName(entry) + " " + what};
    }
};

// Measured as the save measures: characters against the limit, or for a table's entry what tableFit says the
// save does with it (in place, moved to its largest free block, or refused for its room).
std::optional<Problem> tooLong(const Entry& e) {
    if (!e.entry.table) {
        const auto limit = static_cast<std::size_t>(std::max(e.entry.limit(), 0));
        const std::size_t count = files::characterCount(e.translation);
        if (count <= limit) {
            return std::nullopt;
        }
        return e.problem("too-long", Severity::Error,
                         "has room for " + counted(limit, "character", "characters") + ", not the " +
                             std::to_string(count) + " of its translation.");
    }
    const auto fit = editor::tableFit(e.entry, e.room, e.moving, e.translation);
    if (!fit.refusal) {
        return std::nullopt;
    }
    return e.problem("too-long", Severity::Error, *fit.refusal);
}

// A text longer than any text that fits could be, by its length in bytes alone: its other checks would cost
// memory in proportion to it, and say nothing a shorter text would not.
bool farTooLong(const Entry& e) {
    constexpr std::size_t kMostUtf8Bytes = 4;
    if (!e.entry.table) {
        return e.translation.size() > kMostUtf8Bytes * static_cast<std::size_t>(std::max(e.entry.limit(), 0));
    }
    const std::size_t perByte = std::max<std::size_t>(e.entry.table->mostTextPerByte(), 1);
    return e.translation.size() / perByte > editor::kLongestMovedString + e.room.size;
}

std::optional<Problem> missingCharacters(const Entry& e) {
    const std::u32string missing = editor::unsaveableCharacters(e.entry, e.translation);
    if (missing.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> shownCharacters;
    for (const char32_t ch : missing) {
        shownCharacters.push_back("'" + files::escapeControls(files::encodeUtf8(ch)) + "'");
    }
    const std::string& path = e.entry.table ? e.entry.table->path() : e.entry.alphabet->path();
    return e.problem("missing-character", Severity::Error,
                     std::string(missing.size() == 1 ? "has a character" : "has characters") + " that the " +
                         (e.entry.table ? "table" : "alphabet") + " file \"" +
                         files::pathText(files::fsPath(path).filename()) +
                         "\" lacks: " + commaListed(shownCharacters) + ".");
}

// The codes of from that to lacks, as a multiset, in from's order.
std::vector<std::string> without(const std::vector<std::string>& from, const std::vector<std::string>& to) {
    std::unordered_map<std::string_view, std::size_t> left;
    for (const std::string& code : to) {
        ++left[code];
    }
    std::vector<std::string> lacking;
    for (const std::string& code : from) {
        if (auto found = left.find(code); found != left.end() && found->second > 0) {
            --found->second;
        } else {
            lacking.push_back(code);
        }
    }
    return lacking;
}

// A text's control codes without the box breaks of a boxed entry (each with its parameters): they lay the
// text out, as line breaks do, and a rewrap puts them where the translation needs them.
std::vector<std::string> layoutCodes(const Entry& e, std::vector<std::string> codes) {
    if (!e.metrics || e.metrics->box->boxBreak.empty()) {
        return codes;
    }
    const std::string& label = e.metrics->box->boxBreak;
    const auto known =
        std::ranges::find(e.metrics->glyphs->labels, label, &std::pair<std::string, int>::first);
    const std::size_t parameters =
        known == e.metrics->glyphs->labels.end() ? 0 : static_cast<std::size_t>(known->second);
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == label) {
            i += parameters;
        } else {
            kept.push_back(std::move(codes[i]));
        }
    }
    return kept;
}

// Only a table names control codes; an alphabet's codes are its characters.
std::optional<Problem> controlCodes(const Entry& e) {
    if (!e.entry.table) {
        return std::nullopt;
    }
    const auto before = layoutCodes(e, e.entry.table->controlCodes(e.original));
    const auto after = layoutCodes(e, e.entry.table->controlCodes(e.translation));
    const auto lacking = without(before, after);
    const auto added = without(after, before);
    if (lacking.empty() && added.empty()) {
        return std::nullopt;
    }
    std::string what;
    if (!lacking.empty()) {
        what = "lacks its original's control " + std::string(lacking.size() == 1 ? "code " : "codes ") +
               commaListed(lacking);
    }
    if (!added.empty()) {
        what += std::string(what.empty() ? "" : ", and ") + "has the control " +
                (added.size() == 1 ? "code " : "codes ") + commaListed(added) +
                ", which its original does not";
    }
    return e.problem("control-codes", Severity::Error, what + ".");
}

std::optional<Problem> spaces(const Entry& e) {
    const std::string_view before = editor::shownText(e.entry, e.room, e.original);
    const std::string_view after = editor::shownText(e.entry, e.room, e.translation);
    std::vector<std::string> kinds;
    if (after.starts_with(' ') && !before.starts_with(' ')) {
        kinds.emplace_back("leading");
    }
    if (after.ends_with(' ') && !before.ends_with(' ')) {
        kinds.emplace_back("trailing");
    }
    if (after.find("  ") != std::string_view::npos && before.find("  ") == std::string_view::npos) {
        kinds.emplace_back("double");
    }
    if (kinds.empty()) {
        return std::nullopt;
    }
    return e.problem("spaces", Severity::Warning,
                     "has " + listed(kinds) + " spaces that its original does not have.");
}

std::string quoted(const std::string& text) {
    return "\"" + files::escapeControls(text) + "\"";
}

void glossaryChecks(const Entry& e, std::vector<Problem>& problems) {
    if (e.glossary == nullptr) {
        return;
    }
    const FoldedText original = foldText(editor::shownText(e.entry, e.room, e.original));
    const FoldedText translation = foldText(editor::shownText(e.entry, e.room, e.translation));
    const auto& terms = e.glossary->glossary().terms;
    std::vector<std::size_t> held = e.glossary->termsIn(original);
    for (const std::size_t term : held) {
        const auto& targets = terms[term].targets;
        if (targets.empty() || e.glossary->holdsTarget(term, translation)) {
            continue;
        }
        std::vector<std::string> shown;
        for (const std::string& target : targets) {
            shown.push_back(quoted(target));
        }
        std::string alternatives = listed(shown);
        if (shown.size() > 1) {
            alternatives.replace(alternatives.rfind(" and "), 5, " or ");
        }
        problems.push_back(e.problem(
            "glossary", Severity::Warning,
            "has the glossary's term " + quoted(terms[term].sources.front()) + " in its original, but not " +
                (shown.size() == 1 ? "its agreed translation " : "one of its agreed translations ") +
                alternatives + " in its translation."));
    }
    const auto everywhere = e.glossary->forbiddenEverywhere();
    held.insert(held.end(), everywhere.begin(), everywhere.end());
    for (const std::size_t term : held) {
        for (const std::string& forbidden : e.glossary->forbiddenIn(term, translation)) {
            const auto& sources = terms[term].sources;
            problems.push_back(
                e.problem("forbidden-term", Severity::Error,
                          "has " + quoted(forbidden) + " in its translation, which the glossary forbids" +
                              (sources.empty() ? "" : " for " + quoted(sources.front())) + "."));
        }
    }
}

// The text measured in its box with the game's font, as the game draws it.
void pixelChecks(const Entry& e, std::vector<Problem>& problems) {
    const auto& metrics = e.metrics;
    if (!metrics) {
        return;
    }
    const auto layout = font::layoutText(*metrics, editor::shownText(e.entry, e.room, e.translation));
    const std::string name = templates::entryName(e.entry);
    const std::string holds = "; the box holds ";
    for (std::size_t box = 0; box < layout.boxes.size(); ++box) {
        const auto& lines = layout.boxes[box];
        const std::string where = name + ", box " + std::to_string(box + 1);
        for (std::size_t line = 0; line < lines.size(); ++line) {
            if (lines[line].width > metrics->box->width) {
                problems.push_back(Problem{e.index, "too-wide", Severity::Error,
                                           where + ", line " + std::to_string(line + 1) + " is " +
                                               std::to_string(lines[line].width) + " pixels wide" + holds +
                                               std::to_string(metrics->box->width) + "."});
            }
        }
        if (std::cmp_greater(lines.size(), metrics->box->lines)) {
            problems.push_back(Problem{e.index, "too-many-lines", Severity::Error,
                                       where + " has " + std::to_string(lines.size()) + " lines" + holds +
                                           std::to_string(metrics->box->lines) + "."});
        }
    }
    if (!layout.missing.empty()) {
        std::vector<std::string> shown;
        for (const char32_t ch : layout.missing) {
            shown.push_back("'" + files::escapeControls(files::encodeUtf8(ch)) + "'");
        }
        problems.push_back(e.problem("no-glyph", Severity::Error,
                                     std::string(shown.size() == 1 ? "has a character" : "has characters") +
                                         " that the font lacks: " + commaListed(shown) + "."));
    }
}

editor::EntryRoom roomOf(const ScriptTexts& texts, std::size_t index) {
    return index < texts.rooms.size() ? texts.rooms[index]
                                      : editor::lengthRoom(texts.gameTemplate->entries[index]);
}

// How the same original is translated in other entries: the text each gives, shown without padding.
std::string_view shownTranslation(const ScriptTexts& texts, std::size_t index) {
    return editor::shownText(texts.gameTemplate->entries[index], roomOf(texts, index),
                             texts.translations[index]);
}

// One original's entries (by index, in order) and the translations they have: a warning for each entry,
// naming the first few that translate it otherwise, found among the first members of the first few
// translations so that the work stays linear in the group.
void warnGroup(const ScriptTexts& texts, const std::vector<std::size_t>& group, std::vector<Problem>& out) {
    constexpr std::size_t kNamed = 3;
    std::unordered_map<std::string_view, std::size_t> classOf;
    std::vector<std::size_t> classSize;
    std::vector<std::size_t> memberClass;
    std::vector<std::size_t> candidates;  // the first kNamed members of the first kNamed + 1 translations
    for (const std::size_t index : group) {
        const auto [at, added] = classOf.try_emplace(shownTranslation(texts, index), classSize.size());
        if (added) {
            classSize.push_back(0);
        }
        memberClass.push_back(at->second);
        if (at->second <= kNamed && classSize[at->second] < kNamed) {
            candidates.push_back(memberClass.size() - 1);
        }
        ++classSize[at->second];
    }
    if (classSize.size() < 2) {
        return;
    }
    for (std::size_t member = 0; member < group.size(); ++member) {
        const std::size_t own = memberClass[member];
        std::vector<std::string> named;
        for (const std::size_t other : candidates) {
            if (memberClass[other] != own && named.size() < kNamed) {
                named.push_back(std::to_string(texts.gameTemplate->entries[group[other]].number));
            }
        }
        const std::size_t others = group.size() - classSize[own];
        if (others > named.size()) {
            named.push_back(std::to_string(others - named.size()) + " more");
        }
        const auto& entry = texts.gameTemplate->entries[group[member]];
        out.push_back(Problem{group[member], "inconsistent", Severity::Warning,
                              templates::entryName(entry) + " has the same original as " +
                                  (others == 1 ? "entry " : "entries ") + listed(named) +
                                  (others == 1 ? ", which is" : ", which are") + " translated differently."});
    }
}

}  // namespace

std::string_view severityName(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

std::vector<Problem> checkEntry(const ScriptTexts& texts, std::size_t index) {
    if (texts.gameTemplate == nullptr || index >= texts.gameTemplate->entries.size() ||
        index >= texts.originals.size() || index >= texts.translations.size()) {
        return {};
    }
    const Entry e{
        texts.gameTemplate->entries[index],
        roomOf(texts, index),
        index < texts.moving.size() ? texts.moving[index] : std::nullopt,
        texts.originals[index],
        texts.translations[index],
        index,
        texts.font == nullptr ? std::nullopt : texts.font->metricsOf(texts.gameTemplate->entries[index]),
        texts.glossary};
    std::vector<Problem> problems;
    if (!editor::entryChanged(e.entry, e.room, e.original, e.translation)) {
        // Nothing of it is written; a locked text is meant to stay as it is.
        if (!files::unpadded(e.original).empty() && !e.entry.locked) {
            problems.push_back(e.problem("untranslated", Severity::Warning,
                                         "is not translated: its text is its original's."));
        }
        pixelChecks(e, problems);
        return problems;
    }
    if (e.entry.locked) {
        problems.push_back(Problem{index, "locked", Severity::Error, templates::lockedRefusal(e.entry)});
    }
    if (farTooLong(e)) {
        problems.push_back(*tooLong(e));
        return problems;
    }
    for (const auto& check : {tooLong, missingCharacters, controlCodes, spaces}) {
        if (auto problem = check(e)) {
            problems.push_back(std::move(*problem));
        }
    }
    glossaryChecks(e, problems);
    pixelChecks(e, problems);
    return problems;
}

std::vector<Problem> checkConsistency(const ScriptTexts& texts) {
    std::vector<Problem> problems;
    if (texts.gameTemplate == nullptr) {
        return problems;
    }
    const std::size_t count =
        std::min({texts.gameTemplate->entries.size(), texts.originals.size(), texts.translations.size()});
    std::unordered_map<std::string_view, std::vector<std::size_t>> byOriginal;
    for (std::size_t index = 0; index < count; ++index) {
        if (const std::string_view original = files::unpadded(texts.originals[index]); !original.empty()) {
            byOriginal[original].push_back(index);
        }
    }
    for (const auto& [original, group] : byOriginal) {
        if (group.size() > 1) {
            warnGroup(texts, group, problems);
        }
    }
    // An entry stands in one group only: its warning is the only one of its index.
    std::sort(problems.begin(), problems.end(),
              [](const Problem& a, const Problem& b) { return a.index < b.index; });
    return problems;
}

std::vector<Problem> checkScript(const ScriptTexts& texts) {
    auto inconsistent = checkConsistency(texts);
    std::vector<Problem> problems;
    auto next = inconsistent.begin();
    const std::size_t count = texts.gameTemplate == nullptr ? 0 : texts.gameTemplate->entries.size();
    for (std::size_t index = 0; index < count; ++index) {
        for (auto& problem : checkEntry(texts, index)) {
            problems.push_back(std::move(problem));
        }
        for (; next != inconsistent.end() && next->index == index; ++next) {
            problems.push_back(std::move(*next));
        }
    }
    return problems;
}

}  // namespace rq::qa
