#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "exchange/glossary.h"

namespace rq::qa {

// Terms match whole words, ignoring case as a translator of European languages expects it: ASCII, Latin-1,
// Latin Extended-A and the pairs of Latin Extended-B and Additional, Greek and Cyrillic fold to their small
// letters, one letter for one (so "ß" stays "ß" and "SS" does not find it). A word is a run of letters and
// digits: ASCII letters and digits and every character from U+00C0 on but "×", "÷" and the punctuation and
// symbol blocks. A control code ("<Name>", "<$0A>": "<", up to 32 characters without spaces or "<", ">") is
// no word and stands between words as no space does. Multi-word terms match across a single space or line
// break: a box's text is wrapped where the game needs it.
[[nodiscard]] char32_t foldCase(char32_t ch);
[[nodiscard]] bool isWordCharacter(char32_t ch);

// A text as terms are looked for in it: its words folded, and what stands before each (a single space or
// line break as " ", each control code as U+FFFC).
struct FoldedText {
    std::vector<std::u32string> words;
    std::vector<std::u32string> gaps;
};
[[nodiscard]] FoldedText foldText(std::string_view utf8);

// A glossary ready for matching: each term's words folded once, its sources found by their first word.
class TermMatcher {
  public:
    explicit TermMatcher(exchange::Glossary glossary);

    [[nodiscard]] const exchange::Glossary& glossary() const { return m_glossary; }
    // The terms whose sources the text holds, in the glossary's order.
    [[nodiscard]] std::vector<std::size_t> termsIn(const FoldedText& text) const;
    // Whether the text holds one of the term's agreed targets.
    [[nodiscard]] bool holdsTarget(std::size_t term, const FoldedText& text) const;
    // The term's forbidden terms the text holds, as the glossary writes them.
    [[nodiscard]] std::vector<std::string> forbiddenIn(std::size_t term, const FoldedText& text) const;
    // The terms without a source, whose forbidden terms no translation may hold.
    [[nodiscard]] std::span<const std::size_t> forbiddenEverywhere() const { return m_everywhere; }

  private:
    struct Phrase {
        std::string written;
        FoldedText folded;
    };
    using Phrases = std::vector<Phrase>;
    [[nodiscard]] static bool holds(const FoldedText& phrase, const FoldedText& text);

    exchange::Glossary m_glossary;
    std::vector<Phrases> m_targets;
    std::vector<Phrases> m_forbidden;
    std::unordered_map<std::u32string, std::vector<std::pair<std::size_t, FoldedText>>> m_byFirstWord;
    std::vector<std::size_t> m_everywhere;
};

}  // namespace rq::qa
