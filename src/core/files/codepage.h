#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq::files {

// Game files and INI files hold one character per byte, in Windows-1252. Its five unused bytes map to the
// C1 controls of the same value, so that all 256 bytes round-trip.
[[nodiscard]] char32_t byteToUnicode(std::uint8_t byte);
[[nodiscard]] std::optional<std::uint8_t> unicodeToByte(char32_t ch);

[[nodiscard]] std::string bytesToUtf8(std::string_view bytes);

// Fails on malformed UTF-8 and on a character that has no byte, naming it.
[[nodiscard]] Result<std::string> utf8ToBytes(std::string_view utf8);

// The characters of a UTF-8 text that have no byte, each once, in the order they first stand (as
// utf8ToBytes would refuse them); empty for malformed UTF-8.
[[nodiscard]] std::u32string charactersWithoutByte(std::string_view utf8);

// Decodes UTF-8 into code points; a malformed sequence gives std::nullopt.
[[nodiscard]] std::optional<std::u32string> decodeUtf8(std::string_view utf8);
[[nodiscard]] std::string encodeUtf8(char32_t ch);
// The same at the end of out, for texts built a character at a time.
void appendUtf8(std::string& out, char32_t ch);

// C0 controls (U+0000 to U+001F), DEL and C1 controls (U+0080 to U+009F): a terminal takes some of them for
// commands, and a line break lets a text forge lines of its own.
[[nodiscard]] bool isControlCharacter(char32_t ch);

// Text from a file, a patch or a file name, as it may be shown or printed: every control character
// escaped, NUL, tab, line feed and carriage return as \0, \t, \n and \r, any other as \xNN of its code
// point, and every byte that is no part of a valid UTF-8 sequence as \xNN of the byte.
[[nodiscard]] std::string escapeControls(std::string_view text);

// How many characters (code points) a UTF-8 text holds: its bytes that do not continue a sequence.
[[nodiscard]] std::size_t characterCount(std::string_view utf8);

// A UTF-8 text with spaces appended up to limit characters, as a room is saved.
[[nodiscard]] std::string padToLimit(const std::string& text, int limit);

// Whether a text after, padded to limit as a save pads it, differs from the text before (as read, or as last
// saved) padded the same way: a box that shows its text without the padding spaces holds no edit.
[[nodiscard]] bool textChanged(const std::string& before, const std::string& after, int limit);

// A text without the spaces at its end: what an editor shows of a room that its save pads with spaces, and
// what a translator's file gives as the original.
[[nodiscard]] std::string_view unpadded(std::string_view text);

}  // namespace rq::files
