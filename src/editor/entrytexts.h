#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "launcher/result.h"
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

struct PlannedWrite {
    std::int32_t offset = 0;
    std::string bytes;
};

// Encodes every entry's padded text before anything is written. Fails on the first character without a
// save code (the message names its key and the padded text), on an entry whose bytes would leave its
// room (more than Length bytes, or past the end of the file), and when the template no longer has as
// many entries as there are texts.
[[nodiscard]] Result<std::vector<PlannedWrite>> planSave(const GameTemplate& gameTemplate,
                                                         std::span<const std::string> paddedTexts,
                                                         std::uint64_t fileSize);

// Writes the planned bytes in place and closes the file; fails, naming the file, on any I/O error.
[[nodiscard]] Status writePlanned(const std::string& gameFile, std::span<const PlannedWrite> writes);

// The whole save as the editor and the command line do it: the template read afresh, every text padded,
// encoded and checked, then written. Gives the padded texts on success.
[[nodiscard]] Result<std::vector<std::string>> saveEntryTexts(const std::string& templatePath,
                                                              const std::string& gameFile,
                                                              std::span<const std::string> texts);

}  // namespace rq
