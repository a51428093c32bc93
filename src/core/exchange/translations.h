#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cutscenes/cutscenerooms.h"
#include "files/codepage.h"
#include "files/result.h"
#include "templates/gametemplate.h"

namespace rq {

// What the translators' formats (PO, CSV) carry of one text. Texts are UTF-8; the original is the text as
// read without the padding spaces at its end, since a save pads every text again.
struct ExportedEntry {
    std::string context;  // the PO msgctxt: "entry 3", "sonic[0]"
    std::string key;      // the CSV entry column: "3", "sonic[0]"
    std::string offset;   // hexadecimal, as dump writes offsets
    int length = 0;
    int limit = 0;  // the box's typing limit, in characters
    std::string comment;
    std::string original;
};
// A template's entries, and the cutscene texts a file's edition places (those not read are left out).
[[nodiscard]] std::vector<ExportedEntry> exportedEntries(const GameTemplate& gameTemplate,
                                                         std::span<const std::string> texts);
[[nodiscard]] std::vector<ExportedEntry> exportedRooms(const cutscenes::CutsceneTexts& texts);

// One translation as a translator's file gives it back: its key (a msgctxt or an entry column) and where
// it stands, for messages ("entry 3", "line 7").
struct Translation {
    std::string key;
    std::string where;
    std::string original;
    std::string text;  // empty: the text is kept
};

// A translator's file is read one translation at a time: the reader hands each to a sink as it reads it, and
// stops at the sink's first refusal, so that a file is checked as it is read and never held whole.
using TranslationSink = std::function<Status(Translation)>;
using TranslationReader = std::function<Status(const TranslationSink&)>;

// The new texts: only translations that differ from what the file holds now, by entry number for a template
// ("entry N" or "N"), by key for the cutscene texts. Refused, with a message that starts with name: a key
// that names nothing, a text given twice, and an original that no longer matches the text the file holds
// (the file changed since the export), unless the file holds the translation itself (it was inserted
// before). The reading stops at the first refusal; what is kept is bounded by the texts, whatever the file
// holds after it.
[[nodiscard]] Result<std::map<int, std::string>> takeTranslations(const TranslationReader& read,
                                                                  const std::string& name,
                                                                  const GameTemplate& gameTemplate,
                                                                  std::span<const std::string> texts);
[[nodiscard]] Result<std::map<std::string, std::string>> takeRoomTranslations(
    const TranslationReader& read, const std::string& name, const cutscenes::CutsceneTexts& texts);

// The same, for translations already read.
[[nodiscard]] Result<std::map<int, std::string>> takeTranslations(std::span<const Translation> given,
                                                                  const std::string& name,
                                                                  const GameTemplate& gameTemplate,
                                                                  std::span<const std::string> texts);
[[nodiscard]] Result<std::map<std::string, std::string>> takeRoomTranslations(
    std::span<const Translation> given, const std::string& name, const cutscenes::CutsceneTexts& texts);

}  // namespace rq
