#include "qa/termmatch.h"

#include <algorithm>

#include "files/codepage.h"

namespace rq::qa {
namespace {

constexpr char32_t kCode = 0xFFFC;
constexpr std::size_t kLongestCode = 32;

bool inRange(char32_t ch, char32_t first, char32_t last) {
    return ch >= first && ch <= last;
}

// The length of the control code at text[at], or 0.
std::size_t codeAt(const std::u32string& text, std::size_t at) {
    if (text[at] != U'<') {
        return 0;
    }
    for (std::size_t end = at + 1; end < text.size() && end <= at + kLongestCode + 1; ++end) {
        const char32_t ch = text[end];
        if (ch == U'>') {
            return end > at + 1 ? end - at + 1 : 0;
        }
        if (ch == U'<' || ch == U' ' || ch == U'\n' || ch == U'\t' || ch == U'\r') {
            return 0;
        }
    }
    return 0;
}

// A single space or line break between words is where a multi-word term may go on.
std::u32string gapOf(std::u32string gap) {
    return gap == U"\n" || gap == U"\r\n" ? U" " : gap;
}

// Does text hold phrase at word at?
bool matchesAt(const FoldedText& text, std::size_t at, const FoldedText& phrase) {
    if (phrase.words.empty() || at + phrase.words.size() > text.words.size()) {
        return false;
    }
    for (std::size_t k = 0; k < phrase.words.size(); ++k) {
        if (text.words[at + k] != phrase.words[k] || (k > 0 && text.gaps[at + k] != phrase.gaps[k])) {
            return false;
        }
    }
    return true;
}

}  // namespace

char32_t foldCase(char32_t ch) {
    const bool even = ch % 2 == 0;
    if (inRange(ch, U'A', U'Z') || (inRange(ch, 0xC0, 0xDE) && ch != 0xD7) || inRange(ch, 0x391, 0x3AB) ||
        inRange(ch, 0x410, 0x42F)) {
        return ch + 0x20;
    }
    if (inRange(ch, 0x400, 0x40F)) {
        return ch + 0x50;
    }
    if ((inRange(ch, 0x100, 0x12F) || inRange(ch, 0x132, 0x137) || inRange(ch, 0x14A, 0x177) ||
         inRange(ch, 0x200, 0x233) || inRange(ch, 0x1E00, 0x1E95) || inRange(ch, 0x1EA0, 0x1EFF)) &&
        even) {
        return ch + 1;
    }
    if ((inRange(ch, 0x139, 0x148) || inRange(ch, 0x179, 0x17E)) && !even) {
        return ch + 1;
    }
    switch (ch) {
        case 0x130:
            return U'i';
        case 0x178:
            return 0xFF;
        case 0x17F:
            return U's';
        case 0x1E9E:
            return 0xDF;
        case 0x3C2:
            return 0x3C3;  // a final sigma is a sigma
        case 0x386:
            return 0x3AC;
        case 0x388:
        case 0x389:
        case 0x38A:
            return ch + 0x25;
        case 0x38C:
            return 0x3CC;
        case 0x38E:
        case 0x38F:
            return ch + 0x3F;
        default:
            return ch;
    }
}

bool isWordCharacter(char32_t ch) {
    if (ch < 0x80) {
        return inRange(ch, U'0', U'9') || inRange(ch, U'a', U'z') || inRange(ch, U'A', U'Z');
    }
    return ch >= 0xC0 && ch != 0xD7 && ch != 0xF7 && !inRange(ch, 0x2000, 0x2BFF) &&
           !inRange(ch, 0x3000, 0x303F) && !inRange(ch, 0xFE30, 0xFE4F) && !inRange(ch, 0xFF00, 0xFF0F) &&
           !inRange(ch, 0xFF1A, 0xFF20) && !inRange(ch, 0xFF3B, 0xFF40) && !inRange(ch, 0xFF5B, 0xFF65) &&
           !inRange(ch, 0xFFF0, 0xFFFF);
}

FoldedText foldText(std::string_view utf8) {
    FoldedText folded;
    const auto text = files::decodeUtf8(utf8);
    if (!text) {
        return folded;
    }
    std::u32string gap;
    std::u32string word;
    for (std::size_t at = 0; at < text->size();) {
        const char32_t ch = (*text)[at];
        if (isWordCharacter(ch)) {
            if (word.empty()) {
                folded.gaps.push_back(gapOf(std::exchange(gap, {})));
            }
            word += foldCase(ch);
            ++at;
            continue;
        }
        if (!word.empty()) {
            folded.words.push_back(std::exchange(word, {}));
        }
        const std::size_t code = codeAt(*text, at);
        gap += code > 0 ? kCode : foldCase(ch);
        at += std::max<std::size_t>(code, 1);
    }
    if (!word.empty()) {
        folded.words.push_back(std::move(word));
    }
    return folded;
}

TermMatcher::TermMatcher(exchange::Glossary glossary) : m_glossary(std::move(glossary)) {
    // A term of no word (punctuation alone) matches nothing.
    const auto folded = [](const std::vector<std::string>& terms) {
        Phrases phrases;
        for (const std::string& term : terms) {
            if (auto phrase = foldText(term); !phrase.words.empty()) {
                phrases.push_back({term, std::move(phrase)});
            }
        }
        return phrases;
    };
    for (std::size_t index = 0; index < m_glossary.terms.size(); ++index) {
        const auto& term = m_glossary.terms[index];
        m_targets.push_back(folded(term.targets));
        m_forbidden.push_back(folded(term.forbidden));
        for (auto& source : folded(term.sources)) {
            m_byFirstWord[source.folded.words.front()].emplace_back(index, std::move(source.folded));
        }
        if (term.sources.empty()) {
            m_everywhere.push_back(index);
        }
    }
}

std::vector<std::size_t> TermMatcher::termsIn(const FoldedText& text) const {
    std::vector<std::size_t> found;
    for (std::size_t at = 0; at < text.words.size(); ++at) {
        const auto candidates = m_byFirstWord.find(text.words[at]);
        if (candidates == m_byFirstWord.end()) {
            continue;
        }
        for (const auto& [term, phrase] : candidates->second) {
            if (matchesAt(text, at, phrase)) {
                found.push_back(term);
            }
        }
    }
    std::ranges::sort(found);
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

bool TermMatcher::holds(const FoldedText& phrase, const FoldedText& text) {
    for (std::size_t at = 0; at < text.words.size(); ++at) {
        if (matchesAt(text, at, phrase)) {
            return true;
        }
    }
    return false;
}

bool TermMatcher::holdsTarget(std::size_t term, const FoldedText& text) const {
    return std::ranges::any_of(m_targets[term],
                               [&text](const Phrase& target) { return holds(target.folded, text); });
}

std::vector<std::string> TermMatcher::forbiddenIn(std::size_t term, const FoldedText& text) const {
    std::vector<std::string> found;
    for (const Phrase& forbidden : m_forbidden[term]) {
        if (holds(forbidden.folded, text)) {
            found.push_back(forbidden.written);
        }
    }
    return found;
}

}  // namespace rq::qa
