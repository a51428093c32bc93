#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq {

// The values a template and its alphabets may hold. Each rule gives the value or, as the error's message,
// the one phrase that says of the value why it cannot be used ("is not a number"). Reading a template stops
// at the first value that breaks a rule; checking one lists them all, through these same functions.

// The editor has this many entry slots; a template may describe no more entries.
inline constexpr int kEntrySlots = 540;

// NumberOfEntries: a decimal 16-bit number, at most kEntrySlots; below 1 there are no entries.
[[nodiscard]] Result<int> parseEntryCount(std::string_view value);

// Length: a decimal size from 0 to 32767 bytes.
[[nodiscard]] Result<std::int16_t> parseLength(std::string_view value);

// HexLocation: one to eight hexadecimal digits, at most 7FFFFFFF: a negative offset lies in no file.
[[nodiscard]] Result<std::int32_t> parseHexLocation(std::string_view value);

// CharLength: a decimal number of bytes, 0 or more. 0 marks an alphabet older than version 0.9, which
// callers refuse in words of their own.
[[nodiscard]] Result<std::int16_t> parseCharLength(std::string_view value);

// A save value: hexadecimal digit pairs, each pair a byte, first pair first.
[[nodiscard]] Result<std::string> parseSaveCode(std::string_view value);

}  // namespace rq
