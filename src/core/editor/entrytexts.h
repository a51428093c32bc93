#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/result.h"
#include "templates/gametemplate.h"

namespace rq {

// The texts of a template's entries as read from a game file, decoded through each entry's alphabet.
struct EntryTexts {
    std::vector<std::string> texts;  // one per entry, code-page bytes
    bool readFailed = false;         // the game file could not be read; its entries came back empty
};
[[nodiscard]] EntryTexts readEntryTexts(const GameTemplate& gameTemplate, const std::string& gameFile);

// A text with spaces appended up to the entry's limit, as it is saved (and shown after a save).
[[nodiscard]] std::string padToLimit(const std::string& text, int limit);

// Error codes of planning a save.
inline constexpr int kInvalidCharacter = 10;
inline constexpr int kEntryDoesNotFit = 11;
inline constexpr int kTemplateChanged = 12;
inline constexpr int kUnencodableCharacter = 13;  // a character without a byte in the code page; see planSave

// No character of a text lacks a byte in the code page.
inline constexpr std::size_t kAllEncodable = static_cast<std::size_t>(-1);

// The refusal of a character that cannot be saved, naming its key and the whole padded text. One wording for
// the core's code-page bytes and for a window's own text type (a character without a byte in the code page
// exists only there).
template <class Text>
[[nodiscard]] Text invalidCharacterMessage(const Text& key, const Text& paddedText) {
    return Text("The character '") + key + Text("' in the string '") + paddedText +
           Text(
               "' is invalid. Please replace it with a valid character.\r\n"
               "Note: this error may not apply to every text string in the game.");
}

struct PlannedWrite {
    std::int32_t offset = 0;
    std::string bytes;
};

// Encodes every entry's padded text before anything is written. Fails on the first character without a
// save code (the message names its key and the padded text), on an entry whose bytes would leave its
// room (more than Length bytes, or past the end of the file), and when the template no longer has as
// many entries as there are texts.
// A text given by a window may hold a character that has no byte in the code page: unencodable, when given,
// holds for each text the position of its first such character (kAllEncodable for none; any byte stands in
// for it). That character is refused in its place in the order, as one without a save code would be, with
// the code kUnencodableCharacter and the entry's number as subject; the caller words that message, since
// only it knows the character.
[[nodiscard]] Result<std::vector<PlannedWrite>> planSave(const GameTemplate& gameTemplate,
                                                         std::span<const std::string> paddedTexts,
                                                         std::uint64_t fileSize,
                                                         std::span<const std::size_t> unencodable = {});

// Writes the planned bytes in place and closes the file; fails, naming the file, on any I/O error.
[[nodiscard]] Status writePlanned(const std::string& gameFile, std::span<const PlannedWrite> writes);

// The file's size checked, then planSave, then writePlanned: nothing is written unless every entry can be.
// The texts are padded already (a window shows the padding whether the save succeeds or not).
[[nodiscard]] Status writeEntryTexts(const GameTemplate& gameTemplate, const std::string& gameFile,
                                     std::span<const std::string> paddedTexts,
                                     std::span<const std::size_t> unencodable = {});

// The whole save as the editor and the command line do it: the template read afresh, every text padded,
// encoded and checked, then written. Gives the padded texts on success.
[[nodiscard]] Result<std::vector<std::string>> saveEntryTexts(const std::string& templatePath,
                                                              const std::string& gameFile,
                                                              std::span<const std::string> texts);

}  // namespace rq
