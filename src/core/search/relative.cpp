#include "search/relative.h"

#include <algorithm>

#include <tuple>

#include "files/codepage.h"

namespace rq::search {
namespace {

// The kinds of character whose codes a game keeps in order among themselves; and marks (a space, ASCII
// punctuation), whose codes a hit only records.
enum class Kind { Upper, Lower, Digit, Mark, Other };

Kind kindOf(char32_t ch) {
    if (ch >= U'A' && ch <= U'Z') {
        return Kind::Upper;
    }
    if (ch >= U'a' && ch <= U'z') {
        return Kind::Lower;
    }
    if (ch >= U'0' && ch <= U'9') {
        return Kind::Digit;
    }
    return ch >= U' ' && ch <= U'~' ? Kind::Mark : Kind::Other;
}

bool ordered(char32_t ch) {
    return kindOf(ch) < Kind::Mark;
}

// A "?" that stands for an unknown character: one before a letter, a digit or another "?". Elsewhere (at
// the end, before a space or a mark) it is the question mark of a phrase.
bool unknownAt(std::u32string_view word, std::size_t at) {
    return word[at] == U'?' && at + 1 < word.size() && (ordered(word[at + 1]) || word[at + 1] == U'?');
}

// The word as checks on codes: each character after the first of its kind must have the code of that first
// one plus the difference of the characters.
struct Steps {
    struct Step {
        std::size_t at = 0;
        std::size_t from = 0;
        std::int64_t difference = 0;
    };
    std::vector<Step> steps;
    std::size_t length = 0;
};

Steps stepsOf(std::u32string_view word) {
    Steps made{{}, word.size()};
    std::optional<std::size_t> first[3];
    for (std::size_t i = 0; i < word.size(); ++i) {
        const Kind kind = kindOf(word[i]);
        if (!ordered(word[i])) {
            continue;
        }
        auto& start = first[static_cast<int>(kind)];
        if (!start) {
            start = i;
            continue;
        }
        made.steps.push_back({i, *start, static_cast<std::int64_t>(word[i]) - word[*start]});
    }
    return made;
}

constexpr std::uint64_t kProgressStep = std::uint64_t{1} << 20;

std::uint32_t codeAt(std::string_view file, std::uint64_t at, CodeLayout layout) {
    const auto first = static_cast<std::uint8_t>(file[at]);
    if (layout.width == 1) {
        return first;
    }
    const auto second = static_cast<std::uint8_t>(file[at + 1]);
    return layout.bigEndian ? (std::uint32_t{first} << 8) | second : (std::uint32_t{second} << 8) | first;
}

template <int Width, bool BigEndian>
std::int64_t code(const unsigned char* at) {
    if constexpr (Width == 1) {
        return at[0];
    } else if constexpr (BigEndian) {
        return (at[0] << 8) | at[1];
    } else {
        return (at[1] << 8) | at[0];
    }
}

template <int Width, bool BigEndian>
bool holds(const unsigned char* at, const Steps& steps) {
    for (const auto& step : steps.steps) {
        if (code<Width, BigEndian>(at + step.at * Width) - code<Width, BigEndian>(at + step.from * Width) !=
            step.difference) {
            return false;
        }
    }
    return true;
}

// Every offset of one layout where the steps hold, each handed to onHit (false: enough); false when progress
// cancels. One width and byte order at a time, so that the check of an offset is a few byte reads.
template <int Width, bool BigEndian, class OnHit>
bool scan(std::string_view file, const Steps& steps, std::uint64_t done, std::uint64_t total,
          const SearchProgress& progress, OnHit onHit) {
    const std::uint64_t span = steps.length * Width;
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    for (std::uint64_t offset = 0; file.size() >= span && offset <= file.size() - span; ++offset) {
        if (offset % kProgressStep == 0 && progress && !progress(done + offset, total)) {
            return false;
        }
        if (holds<Width, BigEndian>(bytes + offset, steps) && !onHit(offset)) {
            break;
        }
    }
    return true;
}

template <class OnHit>
bool scan(std::string_view file, CodeLayout layout, const Steps& steps, std::uint64_t done,
          std::uint64_t total, const SearchProgress& progress, OnHit onHit) {
    if (layout.width == 1) {
        return scan<1, false>(file, steps, done, total, progress, onHit);
    }
    return layout.bigEndian ? scan<2, true>(file, steps, done, total, progress, onHit)
                            : scan<2, false>(file, steps, done, total, progress, onHit);
}

// The codes of the word's characters at a place where its steps hold; nothing when two different characters
// would share a code, which no table does, or a mark has a code that a letter or digit of its run has. A
// question mark that cannot be one is taken for an unknown character.
std::optional<RelativeHit> hitOf(std::string_view file, std::u32string_view word, std::uint64_t offset,
                                 CodeLayout layout) {
    RelativeHit hit{offset, layout, {}};
    const auto codeOf = [&](std::size_t i) {
        return codeAt(file, offset + i * static_cast<std::uint64_t>(layout.width), layout);
    };
    const auto take = [&hit](char32_t ch, std::uint32_t code) {
        const auto same = std::find_if(hit.codes.begin(), hit.codes.end(),
                                       [ch](const auto& known) { return known.first == ch; });
        if (same != hit.codes.end()) {
            return same->second == code;
        }
        if (std::any_of(hit.codes.begin(), hit.codes.end(),
                        [code](const auto& known) { return known.second == code; })) {
            return false;
        }
        hit.codes.emplace_back(ch, code);
        return true;
    };
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (ordered(word[i]) && !take(word[i], codeOf(i))) {
            return std::nullopt;
        }
    }
    const auto implied = impliedCodes(hit);
    const auto isImplied = [&implied](std::uint32_t code) {
        return std::any_of(implied.begin(), implied.end(),
                           [code](const auto& run) { return run.second == code; });
    };
    std::optional<std::uint32_t> question;
    bool questionFits = true;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (ordered(word[i]) || unknownAt(word, i)) {
            continue;
        }
        const std::uint32_t code = codeOf(i);
        if (word[i] == U'?') {
            questionFits = questionFits && question.value_or(code) == code;
            question = code;
        } else if (isImplied(code) || !take(word[i], code)) {
            return std::nullopt;
        }
    }
    if (question && questionFits && !isImplied(*question)) {
        (void)take(U'?', *question);  // a code another character has: an unknown character after all
    }
    return hit;
}

}  // namespace

Status checkRelativeWord(std::u32string_view word) {
    int counts[3] = {0, 0, 0};
    for (const char32_t ch : word) {
        const Kind kind = kindOf(ch);
        if (ordered(ch)) {
            ++counts[static_cast<int>(kind)];
        } else if (kind == Kind::Other) {
            return Error{
                "holds \"" + files::encodeUtf8(ch) +
                    "\", which is not one of A-Z, a-z, 0-9, a space, ASCII punctuation or ? (write ? "
                    "for a character whose code is not known)",
                ErrorKind::Refusal};
        }
    }
    if (counts[0] + counts[1] + counts[2] < 3 || std::max({counts[0], counts[1], counts[2]}) < 2) {
        return Error{
            "has too few letters or digits to mean anything: it needs at least 3, 2 of them of one kind "
            "(upper case, lower case or digits)",
            ErrorKind::Refusal};
    }
    return success();
}

Result<RelativeHits> relativeSearch(std::string_view file, const RelativeQuery& query,
                                    const SearchProgress& progress) {
    if (const auto checked = checkRelativeWord(query.word); !checked) {
        return checked.failure();
    }
    const Steps steps = stepsOf(query.word);
    const std::uint64_t total = file.size() * query.layouts.size();
    std::uint64_t done = 0;
    std::vector<RelativeHit> found;
    std::size_t layoutsFound = 0;
    for (const CodeLayout layout : query.layouts) {
        std::size_t ofLayout = 0;
        const bool finished = scan(file, layout, steps, done, total, progress, [&](std::uint64_t offset) {
            if (auto hit = hitOf(file, query.word, offset, layout)) {
                found.push_back(std::move(*hit));
                // More than the list holds, of each layout, is enough to say there are more.
                return ++ofLayout <= kMostRelativeHits;
            }
            return true;
        });
        if (!finished) {
            return RelativeHits{};
        }
        done += file.size();
        layoutsFound += ofLayout;
    }
    std::sort(found.begin(), found.end(), [](const RelativeHit& a, const RelativeHit& b) {
        return std::tuple(a.offset, a.layout.width, a.layout.bigEndian) <
               std::tuple(b.offset, b.layout.width, b.layout.bigEndian);
    });
    RelativeHits hits{std::move(found), layoutsFound > kMostRelativeHits};
    if (hits.hits.size() > kMostRelativeHits) {
        hits.hits.resize(kMostRelativeHits);
        hits.more = true;
    }
    return hits;
}

std::optional<RelativeHit> relativeHitAt(std::string_view file, std::u32string_view word,
                                         std::uint64_t offset, CodeLayout layout) {
    const std::uint64_t span = word.size() * static_cast<std::uint64_t>(layout.width);
    if (!checkRelativeWord(word) || span > file.size() || offset > file.size() - span) {
        return std::nullopt;
    }
    // The steps checked on the word's own bytes: one scan of them.
    const Steps steps = stepsOf(word);
    bool found = false;
    (void)scan(file.substr(offset, span), layout, steps, 0, 0, {}, [&found](std::uint64_t) {
        found = true;
        return false;
    });
    return found ? hitOf(file, word, offset, layout) : std::nullopt;
}

std::vector<std::pair<char32_t, std::uint32_t>> impliedCodes(const RelativeHit& hit) {
    std::vector<std::pair<char32_t, std::uint32_t>> codes;
    const std::int64_t end = std::int64_t{1} << (8 * hit.layout.width);
    for (const auto& [first, last] : {std::pair{U'A', U'Z'}, std::pair{U'a', U'z'}, std::pair{U'0', U'9'}}) {
        const auto known =
            std::find_if(hit.codes.begin(), hit.codes.end(), [first = first, last = last](const auto& code) {
                return code.first >= first && code.first <= last;
            });
        if (known == hit.codes.end()) {
            continue;
        }
        for (char32_t ch = first; ch <= last; ++ch) {
            const std::int64_t code = static_cast<std::int64_t>(known->second) + ch - known->first;
            if (code >= 0 && code < end) {
                codes.emplace_back(ch, static_cast<std::uint32_t>(code));
            }
        }
    }
    return codes;
}

}  // namespace rq::search
