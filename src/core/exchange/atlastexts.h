#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/tablerooms.h"
#include "exchange/translations.h"
#include "files/result.h"
#include "templates/gametemplate.h"

namespace rq::exchange {

// What an inserter script gives a template: the new texts by entry number (only those that differ from what
// the file holds now), and the rooms its #JMP commands name, which count as free space for its insert.
struct ScriptTexts {
    TakenTexts<int> taken;
    std::vector<templates::ByteRange> rooms;
};

// The script read (parseAtlasScript), walked (walkAtlasScript, its tables beside it in folder) and matched to
// the template's entries: a text to every entry with a cell its pointers write, and a #FIXEDLENGTH text, or
// one without pointers, to the entry without cells that lies where it goes. Refused, every problem listed
// with its line: a text no entry has, a pointer cell no entry has, an entry that reads with another table
// (neither the same file nor the same bytes), and an entry given two different texts. A pointer the script
// computes otherwise than the template reads it is a warning: the save writes the template's. A change to a
// locked entry is refused with the rest, as takeTranslations refuses it.
[[nodiscard]] Result<ScriptTexts> takeScriptTexts(std::string_view script, const std::string& name,
                                                  const std::string& folder,
                                                  const templates::GameTemplate& gameTemplate,
                                                  std::span<const std::string> texts,
                                                  std::span<const editor::EntryRoom> rooms,
                                                  LockedTexts locked = LockedTexts::Refused);

}  // namespace rq::exchange
