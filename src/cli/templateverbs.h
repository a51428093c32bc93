#pragma once

#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "editor/tablerooms.h"
#include "exchange/atlaslayout.h"
#include "exchange/atlastexts.h"
#include "exchange/translations.h"
#include "jsoninput.h"
#include "templates/gametemplate.h"
#include "verbs.h"

namespace rq::cli {

// What dump and insert start from: the template as the editor reads it and the texts the editor would show
// for the game file, the first operand.
struct TemplateAndTexts {
    std::string templatePath;  // found in the program folder's plugins/games/, or as given
    std::string gameFile;      // the path read: the operand, or the copy of standard input
    templates::GameTemplate gameTemplate;
    std::vector<std::string> texts;
    std::vector<editor::EntryRoom> rooms;              // where each text lies as read
    std::vector<std::optional<std::uint64_t>> moving;  // a pointer entry's largest free block (movingRooms)
};

// The template given as --template: a bare name is looked for first among the program folder's templates,
// as the chooser lists them; otherwise, and for anything with a folder in it, it is a path. One that is not
// there is said so.
[[nodiscard]] std::optional<std::string> findTemplate(const std::string& name, Console& console);
// The same without a word: the path, or nothing.
[[nodiscard]] std::optional<std::string> templatePathOf(const std::string& name);

// A table given by name is looked for first among the program folder's alphabets, as templates name them;
// otherwise it is a path.
[[nodiscard]] std::string tablePathOf(const std::string& name);

// A refused template gives its message, an unreadable file "ROM not found!" named after the file.
[[nodiscard]] std::optional<TemplateAndTexts> readTemplateAndTexts(const Given& given, Console& console);

// The texts the input gives (the file, or standard input for "-"), by entry number; or why they cannot be
// taken, and the warnings about them. A translator's file (PO, CSV) gives only the texts that changed. A
// change to a locked entry is refused with the input's other problems, unless locked says it is taken.
[[nodiscard]] Result<exchange::TakenTexts<int>> readGivenTexts(
    const std::string& path, TextsFormat format, const TemplateAndTexts& opened, std::istream& in,
    exchange::LockedTexts locked = exchange::LockedTexts::Refused);

// The texts as dump prints them as JSON, each entry's from texts (by entry index), the file named as given.
// A migration's entries (carried, by entry index) add each entry's "original", a fuzzy one's "previous" and
// "fuzzy": true, its translation as "text" where it has one; its obsolete translations follow the entries as
// an "obsolete" array of "entry" (where its key is a number), "original", "previous", "fuzzy" and "text".
void writeDumpJson(std::ostream& out, const TemplateAndTexts& opened, const std::string& fileName,
                   std::span<const std::string> texts, std::span<const exchange::ExportedEntry> carried = {},
                   std::span<const exchange::ExportedEntry> obsolete = {});

inline constexpr std::string_view kLayoutOfAScript =
    "--layout atlas places an inserter script: TEXTS is read as one with --format atlas.";

// The classic inserter's own placement of the script TEXTS in FILE, or nullopt once its refusal is said,
// followed by after.
[[nodiscard]] std::optional<exchange::AtlasPlan> planScriptLayout(const std::string& gameFile,
                                                                  const std::string& textsFile,
                                                                  Console& console, std::string_view after);

// Where an inserter script's tables are looked for: beside it, or the working folder for standard input.
[[nodiscard]] std::string scriptFolder(const std::string& path);
// The texts an inserter script gives (the file, or standard input for "-"), its tables beside it, and the
// rooms of its #JMP commands, which are free space for its insert.
[[nodiscard]] Result<exchange::ScriptTexts> readScriptTexts(
    const std::string& path, const TemplateAndTexts& opened, std::istream& in,
    exchange::LockedTexts locked = exchange::LockedTexts::Refused);
// readGivenTexts, or readScriptTexts for an inserter script, with its rooms.
[[nodiscard]] Result<exchange::ScriptTexts> readTextsAndRooms(
    const std::string& path, TextsFormat format, const TemplateAndTexts& opened, std::istream& in,
    exchange::LockedTexts locked = exchange::LockedTexts::Refused);

// The texts as read with the given ones in their places: what a save of them writes.
[[nodiscard]] std::vector<std::string> withGivenTexts(std::vector<std::string> texts,
                                                      const std::map<int, std::string>& given);

}  // namespace rq::cli
