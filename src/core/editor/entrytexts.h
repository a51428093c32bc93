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
    std::vector<std::string> texts;  // one per entry, UTF-8
    bool readFailed = false;         // the game file could not be read; its entries came back empty
};
[[nodiscard]] EntryTexts readEntryTexts(const GameTemplate& gameTemplate, const std::string& gameFile);

// A UTF-8 text with spaces appended up to the entry's limit, counted in characters: as it is saved, and as a
// window shows it after a save, whether the save succeeded or not.
[[nodiscard]] std::string padToLimit(const std::string& text, int limit);

struct PlannedWrite {
    std::int32_t offset = 0;
    std::string bytes;
};

// Encodes every entry's padded UTF-8 text before anything is written: the first limit characters of each,
// one code-page byte each, through the entry's alphabet. Refuses (ErrorKind::Refusal) the first character
// that has no byte in the code page or whose byte the alphabet has no save code for (the message names its
// key and the padded text), an entry whose bytes would leave its room (more than Length bytes, or past the
// end of the file), and a template that no longer has as many entries as there are texts.
[[nodiscard]] Result<std::vector<PlannedWrite>> planSave(const GameTemplate& gameTemplate,
                                                         std::span<const std::string> paddedTexts,
                                                         std::uint64_t fileSize);

// The file's size checked, then planSave, then the planned bytes written in place and the file closed:
// nothing is written unless every entry can be, and any I/O error fails naming the file. The texts are padded
// already (a window shows the padding whether the save succeeds or not).
[[nodiscard]] Status writeEntryTexts(const GameTemplate& gameTemplate, const std::string& gameFile,
                                     std::span<const std::string> paddedTexts);

// The whole save as the command line does it: the template read afresh, every UTF-8 text padded, encoded
// and checked, then written. Gives the padded texts on success.
[[nodiscard]] Result<std::vector<std::string>> saveEntryTexts(const std::string& templatePath,
                                                              const std::string& gameFile,
                                                              std::span<const std::string> texts);

}  // namespace rq
