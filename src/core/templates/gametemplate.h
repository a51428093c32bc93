#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/iniReadWriteDelete.h"
#include "files/result.h"
#include "font/fontkeys.h"
#include "templates/alphabet.h"
#include "templates/pointerformat.h"
#include "templates/table.h"
#include "templates/templaterules.h"

namespace rq::templates {

// The only template version whose details are shown.
inline constexpr std::string_view kTemplateVersion = "v1.0";

// The five details the chooser shows, and the version key it checks first; missing values are "<error>".
struct TemplateDetails {
    std::string version;
    std::string gameName;
    std::string author;
    std::string versionOfFile;
    std::string dateCreated;
    std::string notes;

    // Only a template of exactly this version has its details shown.
    [[nodiscard]] bool supported() const { return version == kTemplateVersion; }
};
[[nodiscard]] TemplateDetails readTemplateDetails(const std::string& path);

struct TemplateEntry {
    int number = 0;  // entry1 is 1 and lies in slot 0
    std::string comment;
    std::int16_t length = 0;
    std::int32_t offset = 0;
    std::shared_ptr<const Alphabet> alphabet;  // an INI alphabet's entry; or else:
    std::shared_ptr<const Table> table;        // a table file's entry, whose rooms are counted in bytes
    bool lengthGiven = true;                   // a table with end tokens lets Length out: the string as read
    std::optional<std::uint8_t> fill;          // Fill: what a save puts in a room after a shorter text
    // Ended: whether a save ends the text of a fixed room that held no end token with one (yes) or pads
    // the room (no); without it, a room of one byte value, or one filled with a byte that is no space, is
    // ended. Only for a table with end tokens.
    std::optional<bool> ended;
    int box = 0;                       // Box=N: its text box is [BoxN]; 0: [Box], when there is one
    bool locked = false;               // Lock=yes: its text must not change (a password, a save key)
    std::vector<std::uint32_t> cells;  // a pointer entry's cells: its string is where the first points
    PointerFormat pointer;             // how the cells hold it

    // How many characters the entry's box takes: Length / CharLength, halves to the even neighbour;
    // 0 means no limit (and nothing is written). A table's entry has no character limit: 0.
    [[nodiscard]] int limit() const;
};

// The most bytes a table entry without Length is read for its end token.
inline constexpr std::int16_t kLongestEndedRoom = 32767;

// [FreeSpace]: the ranges a moved string may go to, and the byte that marks their free bytes.
struct FreeSpace {
    std::vector<ByteRange> ranges;
    std::uint8_t fill = 0xFF;
};

struct GameTemplate {
    std::string path;
    std::string notes;
    std::vector<TemplateEntry> entries;  // entry1 to entryN, then each pointer table's, cell by cell
    FreeSpace freeSpace;
    std::optional<font::FontKeys> font;  // [Font]
    std::map<int, font::BoxKeys> boxes;  // [Box] as 0, [BoxN] as N
};

// The most entries a template may make in all, its pointer tables' cells among them: each costs memory and
// work in every read, and a real script has far fewer.
inline constexpr std::size_t kMostEntries = 131072;

// The most bytes of decoded text a template may need in all, worst case: every code of every entry showing
// its alphabet's longest text.
inline constexpr std::uint64_t kDecodedTextLimit = 64u << 20;

// Reads a template and the alphabet of each entry, with its pointer keys: an entry's Pointer cells, and the
// entries of [PointerTable1], [PointerTable2], ... after entryN (their comments numbered from 1). Refuses,
// before anything is read from a game file or from outside the alphabets folder, the first value that breaks
// a rule of templaterules.h or Alphabet::faults() (ErrorKind::Refusal: the message names the file, the
// section, the key and the value, and says the rule's phrase), an alphabet older than version 0.9
// (ErrorKind::OldAlphabet: subject is the alphabet's path), a template of more than kMostEntries entries, and
// a template whose texts could decode to more than kDecodedTextLimit bytes (a table entry without Length
// counts for nothing here: its string is as long as the file makes it, and the read of the texts stops at
// that limit).
[[nodiscard]] Result<GameTemplate> readGameTemplate(const std::string& path);

// "Entry N ("comment")" for messages, in UTF-8.
[[nodiscard]] std::string entryName(const TemplateEntry& entry);

// The refusal of a change to a locked entry (Lock=yes), naming it: every reader of translations, every
// window and the save say it alike.
[[nodiscard]] std::string lockedRefusal(const TemplateEntry& entry);

// The refusal of an alphabet without CharLength; consequence says what happens instead of going on.
[[nodiscard]] std::string oldAlphabetMessage(const std::string& alphabetPath, std::string_view consequence);

// The alphabet path an entry's text format names in the template's parse ini: the alphabets folder followed
// by the format's value, or the refusal of a value that leads out of that folder.
[[nodiscard]] Result<std::string> alphabetPathFor(const std::string& templatePath, const files::IniFile& ini,
                                                  int entryNumber);
// The same for the TextFormat of any section (a pointer table's).
[[nodiscard]] Result<std::string> alphabetPathIn(const std::string& templatePath, const files::IniFile& ini,
                                                 std::string_view section);

}  // namespace rq::templates
