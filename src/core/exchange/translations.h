#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "templates/gametemplate.h"

namespace rq {

// What the translators' formats (PO, CSV) carry of one entry. Texts are UTF-8; the original is the text as
// read without the padding spaces at its end, since a save pads every text again.
struct ExportedEntry {
    int number = 0;
    std::string offset;  // hexadecimal, as dump writes offsets
    int length = 0;
    int limit = 0;  // the box's typing limit, in characters
    std::string comment;
    std::string original;
};
[[nodiscard]] ExportedEntry exportedEntry(const TemplateEntry& entry, const std::string& text);

// A text without the spaces at its end.
[[nodiscard]] std::string_view unpadded(std::string_view text);

// One translation as a translator's file gives it back; where names its place for messages ("entry 3",
// "line 7").
struct Translation {
    int entry = 0;
    std::string where;
    std::string original;
    std::string text;  // empty: the entry keeps its text
};

// The new texts by entry number: only translations that differ from what the file holds now. Refused, with
// a message that starts with name: an entry the template lacks, an entry given twice, and an original that
// no longer matches the text the file holds (the file changed since the export), unless the file holds
// the translation itself (it was inserted before).
[[nodiscard]] Result<std::map<int, std::string>> takeTranslations(std::span<const Translation> given,
                                                                  const std::string& name,
                                                                  const GameTemplate& gameTemplate,
                                                                  std::span<const std::string> texts);

}  // namespace rq
