#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rq::files {

// Hexadecimal digits in either letter case, without sign or prefix, at most 16 of them; nothing otherwise.
[[nodiscard]] std::optional<std::uint64_t> parseHex(std::string_view digits);

// Whole bytes in hexadecimal digits (pairs, either case, no prefix), first byte first, as a table's key or
// a code is written; nothing for no digits, an odd count or another character.
[[nodiscard]] std::optional<std::string> parseHexBytes(std::string_view digits);

// Calls each(line, number) for every line of a text, numbered from 1, without its "\n" or "\r\n"; a text
// that ends in a line break has no empty last line.
template <class Each>
void forEachLine(std::string_view text, Each&& each) {
    int number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        each(line, ++number);
    }
}

// Upper-case hexadecimal digits without a prefix, as the formats write offsets and codes; leading zeros up
// to minDigits.
[[nodiscard]] std::string hexText(std::uint64_t value, std::size_t minDigits = 1);

// ASCII letters lower-cased and every other byte kept: how INI names and extensions compare, whatever the
// code page.
[[nodiscard]] std::string lowerAscii(std::string_view text);
// The same upper-cased: how command names compare.
[[nodiscard]] std::string upperAscii(std::string_view text);

// The text with its first byte upper-cased when it is an ASCII letter: a name ("the title") where it begins
// a sentence.
[[nodiscard]] std::string sentenceStart(std::string_view text);

}  // namespace rq::files
