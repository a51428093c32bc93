#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "editor/freespace.h"
#include "editor/tablerooms.h"
#include "templates/gametemplate.h"

namespace rq::editor {

// "E0012": E and the entry's number in at least four digits, as a test build shows it.
[[nodiscard]] std::string entryMark(int number);

// The texts of a test build, in which every entry reads as its number so that a tester can tell which entry
// a string on screen is: the mark, a space (when the entry can write one), then as much of the original
// (its text as shown, without padding) as the room holds, measured as the save measures it. Entries that
// reach one string share one text, which names each of them ("E0003 E0004 Yes"). A string that can move
// moves when its mark does not fit its room and a free block holds it, blocks taken in the order a save takes
// them; otherwise, and in every fixed room, the mark is cut to the room, the number itself where even that
// does not fit. An entry that is locked, was not read, cannot write its number or can hold nothing keeps its
// text, with a line saying why.
struct MockTexts {
    std::vector<std::string> texts;  // by entry, what the save is given
    std::vector<std::string> left;   // one line an entry left as it was, naming it
    std::size_t marked = 0;
};
[[nodiscard]] MockTexts mockTexts(const templates::GameTemplate& gameTemplate,
                                  std::span<const std::string> texts, std::span<const EntryRoom> rooms,
                                  std::optional<FreeSpaceMap> freeSpace);

}  // namespace rq::editor
