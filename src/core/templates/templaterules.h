#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq::templates {

// The values a template and its alphabets may hold. Each rule gives the value or, as the error's message,
// the one phrase that says of the value why it cannot be used ("is not a number"). Reading a template stops
// at the first value that breaks a rule; checking one lists them all, through these same functions.

// The editor has this many entry slots; a template may describe no more entries.
inline constexpr int kEntrySlots = 540;

// NumberOfEntries: a decimal 16-bit number, at most kEntrySlots; below 1 there are no entries. A number
// outside that range is "out of range", whatever its size.
[[nodiscard]] Result<int> parseEntryCount(std::string_view value);

// Length: a decimal size from 0 to 32767 bytes.
[[nodiscard]] Result<std::int16_t> parseLength(std::string_view value);

// HexLocation: one to eight hexadecimal digits, at most 7FFFFFFF: a negative offset lies in no file.
[[nodiscard]] Result<std::int32_t> parseHexLocation(std::string_view value);

// The longest code whose save value fits in what an INI read gives back: two digits a byte.
inline constexpr int kMaxCharLength = 127;

// CharLength: a decimal number of bytes from 0 to kMaxCharLength. 0 marks an alphabet older than version
// 0.9, which callers refuse in words of their own.
[[nodiscard]] Result<std::int16_t> parseCharLength(std::string_view value);

// A save value: exactly charLength hexadecimal digit pairs, each pair a byte, first pair first; an empty
// value would save its character as nothing. A charLength of 0 (an alphabet refused anyway) compares no
// count.
[[nodiscard]] Result<std::string> parseSaveCode(std::string_view value, int charLength);

// Ended, Lock: yes or no, in any case.
[[nodiscard]] Result<bool> parseYesOrNo(std::string_view value);

// A text format's alphabet name, a path within plugins\alphabets\: no ".." part, no root and no drive,
// so a template can never make the program read a file elsewhere.
[[nodiscard]] Status checkAlphabetName(std::string_view value);

}  // namespace rq::templates
