#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/result.h"
#include "search/searchfile.h"

// Relative search: finding a word in a file whose encoding nobody has written down. Games keep the alphabet
// in order, so the codes of a word's letters differ as the letters do ("PRESS": R is P + 2, E is P - 11)
// whatever code A has.
namespace rq::search {

// How the codes of a hit are laid out: one byte a code, or two in either order.
struct CodeLayout {
    int width = 1;           // bytes a code: 1 or 2
    bool bigEndian = false;  // for two bytes: the high byte first
};

struct RelativeQuery {
    std::u32string word;
    std::vector<CodeLayout> layouts = {{1, false}, {2, false}, {2, true}};
};

// A place whose codes step as the word's characters do, and the code each character of the word has there
// (in the order they first stand in the word; a "?" that stands for an unknown character has none).
struct RelativeHit {
    std::uint64_t offset = 0;
    CodeLayout layout;
    std::vector<std::pair<char32_t, std::uint32_t>> codes;
};

struct RelativeHits {
    std::vector<RelativeHit> hits;  // by offset, then width, then byte order
    bool more = false;              // there were more than kMostRelativeHits
};
inline constexpr std::size_t kMostRelativeHits = 1000;

// What a word may be: letters, digits, "?" (any one code), spaces and ASCII punctuation. The codes of letters
// of one case, and of digits, are related as the characters are; letters of the other case are related among
// themselves only, since where a game puts its lower case against its upper case is its own choice. A space
// or a punctuation mark matches any one code, and the hit records it: the same mark has one code throughout,
// two marks never share one, and none has a code the letters and digits of the word imply. A "?" followed
// by a letter, a digit or another "?" stands for an unknown character and records nothing; elsewhere (at
// the end, before a space) it is a question mark. A word needs at least 3 letters or digits, 2 of them of
// one kind, or it matches nearly anywhere. Refused with a phrase said of the word: "holds \"é\", which is
// not one of ...".
[[nodiscard]] Status checkRelativeWord(std::u32string_view word);

// Every place in the file where the word's codes step as its characters do, under each layout, at any byte
// offset; up to kMostRelativeHits, by offset. Refused when the word breaks checkRelativeWord; nothing when
// progress cancels.
[[nodiscard]] Result<RelativeHits> relativeSearch(std::string_view file, const RelativeQuery& query,
                                                  const SearchProgress& progress = {});

// The word's characters and their codes at one offset under one layout, when the word matches there.
[[nodiscard]] std::optional<RelativeHit> relativeHitAt(std::string_view file, std::u32string_view word,
                                                       std::uint64_t offset, CodeLayout layout);

// The codes a hit implies for the whole run of each kind of character its word holds (A-Z, a-z, 0-9), in
// that order, each within the layout's range of codes.
[[nodiscard]] std::vector<std::pair<char32_t, std::uint32_t>> impliedCodes(const RelativeHit& hit);

}  // namespace rq::search
