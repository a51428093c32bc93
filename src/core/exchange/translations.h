#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cutscenes/cutscenerooms.h"
#include "editor/tablerooms.h"
#include "files/codepage.h"
#include "files/result.h"
#include "templates/gametemplate.h"

namespace rq::exchange {

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
    int bytes = 0;  // a table entry's room for its text in bytes (end token left out); 0 for the others
    // A pointer entry's text may be longer than its room: it moves to free space, whose largest block in its
    // region holds this many bytes. Its limit is then no maximum, and no file says it is.
    std::optional<std::uint64_t> moveRoom = std::nullopt;
    std::string translation = {};  // written as the msgstr or the translation column; empty: none yet
    bool locked = false;           // its text must not change: exported read-only
    std::string previous = {};     // a fuzzy translation's former original; empty: none
    bool fuzzy = false;            // carried from another revision, to be checked: insert passes it over
};
// A template's entries (rooms as read with texts; without them, each entry's Length), and the cutscene texts
// a file's edition places (those not read are left out). A table entry's limit is the characters that
// always fit its room: its bytes over the most bytes one character can take. moving gives, by entry, a
// pointer entry's largest free block (editor::movingRooms).
[[nodiscard]] std::vector<ExportedEntry> exportedEntries(
    const templates::GameTemplate& gameTemplate, std::span<const std::string> texts,
    std::span<const editor::EntryRoom> rooms = {}, std::span<const std::optional<std::uint64_t>> moving = {});
[[nodiscard]] std::vector<ExportedEntry> exportedRooms(const cutscenes::CutsceneTexts& texts);

// Where an exported text lies, as the PO file's "#:" line gives it: "0x210:12", its offset and length.
[[nodiscard]] std::string location(const ExportedEntry& entry);
// The room an exported text has, as a note for the translator: "Room for 12 characters.", a table entry's
// bytes and the characters that always fit, or a pointer entry's room in place and where a longer one moves.
[[nodiscard]] std::string roomNote(const ExportedEntry& entry);

// One translation as a translator's file gives it back: its key (a msgctxt or an entry column) or, without
// one, the "#:" locations it stands for (as po2csv and csv2po leave a PO file), and where it stands in the
// file, for messages ("line 7", "row 3").
struct Translation {
    std::string key;
    std::string where;
    std::string original;
    std::string text;  // empty: the text is kept
    std::vector<std::string> locations;
    std::string problem;  // a whole message: the row cannot be taken, and why; the reading goes on
    // What a translation carried from another revision holds beside it: to be checked (a PO file's fuzzy
    // flag, a CSV previous cell, a JSON "fuzzy"), its former original, and whether its entry is gone (PO
    // "#~", a CSV entry "~N", a JSON "obsolete" item). Taking translations in passes over such rows.
    bool fuzzy = false;
    std::string previous = {};
    bool obsolete = false;
    bool originalKnown = true;  // false: a JSON dump's text, which does not say its original
};

// A translator's file is read one translation at a time: the reader hands each to a sink as it reads it, so
// that a file is checked as it is read and never held whole. It stops at the sink's first failure, and
// where it cannot read on (a quote never closed).
using TranslationSink = std::function<Status(Translation)>;
using TranslationReader = std::function<Status(const TranslationSink&)>;

// Every translation a reader hands over, in order, or its failure.
[[nodiscard]] Result<std::vector<Translation>> collectTranslations(const TranslationReader& read);

// How many problems or warnings are listed at most; the rest are counted.
inline constexpr std::size_t kListedProblems = 100;

// The problems found in one file, each a whole message that starts with the file's name, listed up to
// kListedProblems and counted beyond. Its error lists them, one a line, and when there are several,
// ends with "NAME has N problems." ("... and M more: NAME has N problems." past the list).
class ProblemList {
  public:
    explicit ProblemList(std::string name) : m_name(std::move(name)) {}
    void add(std::string message);
    [[nodiscard]] bool empty() const { return m_count == 0; }
    [[nodiscard]] Error error() const;

  private:
    std::string m_name;
    std::vector<std::string> m_listed;
    std::size_t m_count = 0;
};

// The new texts, and the warnings to show about them (a whole message each, the file named).
template <class Key>
struct TakenTexts {
    std::map<Key, std::string> texts;
    std::vector<std::string> warnings;
};

// Whether a change to a locked entry is a problem of the file it comes in (insert), or is taken for the
// checks to report (qa).
enum class LockedTexts { Refused, Taken };

// The texts given by entry number (a JSON input's, every one as given) that would change a locked entry, as
// a save sees a change: refused, each a problem of name, all listed.
[[nodiscard]] Status refuseLockedTexts(const std::map<int, std::string>& given, const std::string& name,
                                       const templates::GameTemplate& gameTemplate,
                                       std::span<const std::string> texts,
                                       std::span<const editor::EntryRoom> rooms = {});

// The new texts: only translations that differ from what the file holds now, by entry number for a template
// ("entry N" or "N"), by key for the cutscene texts; a translation without a key goes to every text at its
// "#:" locations, and so does one whose msgctxt is a location (csv2po's for a repeated text). Every
// translation is checked, and when any has a problem, the refusal lists them all with their places: a key
// or location that names nothing, a text given twice, an original that is not the text the file holds now
// (unless the file holds the translation itself: it was inserted before), and the problems the reader
// found. What is kept while reading is bounded by the texts, whatever the file holds. A translation that
// differs from its original only as a spreadsheet's number conversion would change it is taken, with a
// warning. A template's locations are those exportedEntries gives with the same rooms.
// A change to a locked entry is refused with the rest (templates::lockedRefusal), unless locked says that
// it is taken, for the checks to report (qa).
[[nodiscard]] Result<TakenTexts<int>> takeTranslations(const TranslationReader& read, const std::string& name,
                                                       const templates::GameTemplate& gameTemplate,
                                                       std::span<const std::string> texts,
                                                       std::span<const editor::EntryRoom> rooms = {},
                                                       LockedTexts locked = LockedTexts::Refused);
[[nodiscard]] Result<TakenTexts<std::string>> takeRoomTranslations(const TranslationReader& read,
                                                                   const std::string& name,
                                                                   const cutscenes::CutsceneTexts& texts);

}  // namespace rq::exchange
