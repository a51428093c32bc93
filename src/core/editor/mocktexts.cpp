#include "mocktexts.h"

#include <algorithm>
#include <functional>
#include <map>

#include "editor/entrytexts.h"
#include "files/codepage.h"

namespace rq::editor {
namespace {

// A UTF-8 text cut into its characters, so that a mark is cut where a character ends.
class Characters {
  public:
    explicit Characters(std::string_view utf8) {
        for (const char32_t ch : files::decodeUtf8(utf8).value_or(std::u32string())) {
            m_chars.push_back(files::encodeUtf8(ch));
        }
    }
    [[nodiscard]] std::size_t size() const { return m_chars.size(); }
    [[nodiscard]] std::string prefix(std::size_t count) const {
        std::string text;
        for (std::size_t k = 0; k < count && k < m_chars.size(); ++k) {
            text += m_chars[k];
        }
        return text;
    }
    [[nodiscard]] const std::string& at(std::size_t k) const { return m_chars[k]; }

  private:
    std::vector<std::string> m_chars;
};

// The most characters of a text (at most count) for which fits holds, found by halving, so that a long
// original costs a few encodings and not one a character; 0 when not even one does. Every count it gives was
// tried.
std::size_t longestPrefix(std::size_t count, const std::function<bool(std::size_t)>& fits) {
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        if (fits(middle)) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return low;
}

// Whether the entry writes a text so that it reads back as itself: through its table's own encoder, or
// each character through its alphabet and back.
bool writes(const templates::TemplateEntry& entry, std::string_view utf8) {
    if (entry.table) {
        return static_cast<bool>(entry.table->encode(utf8));
    }
    for (const char32_t ch : files::decodeUtf8(utf8).value_or(std::u32string())) {
        const auto byte = files::unicodeToByte(ch);
        const auto code = byte ? entry.alphabet->encode(static_cast<char>(*byte)) : std::nullopt;
        if (!code || entry.alphabet->decode(*code) != std::string(1, static_cast<char>(*byte))) {
            return false;
        }
    }
    return files::decodeUtf8(utf8).has_value();
}

// An alphabet's original up to its first character that the alphabet cannot write back (a code read
// without a Load value, a character without a save code).
std::string writableStart(const templates::TemplateEntry& entry, std::string_view original) {
    if (entry.table) {
        return std::string(original);
    }
    const Characters chars(original);
    std::size_t count = 0;
    while (count < chars.size() && writes(entry, chars.at(count))) {
        ++count;
    }
    return chars.prefix(count);
}

// Why an entry is left as it was, said of it: "its room holds no character".
Error leftBecause(std::string phrase) {
    return Error{std::move(phrase), ErrorKind::Refusal};
}

// Entries that reach one string, and where the first of them was read.
struct Group {
    std::vector<std::size_t> entries;
    std::size_t first = 0;
    bool sharesBytes = false;      // its room shares bytes with another string's
    bool sharesWithFixed = false;  // ... with one that cannot move
};

// Rooms that share bytes with another string's (a pointer into the middle of another entry's string): two
// marks written in place there would write one over the other.
void findSharedBytes(const std::vector<Group*>& groups, const templates::GameTemplate& gameTemplate,
                     std::span<const EntryRoom> rooms) {
    std::vector<Group*> sorted;
    for (Group* group : groups) {
        const EntryRoom& room = rooms[group->first];
        if (room.known && !room.unread && room.size > 0) {
            sorted.push_back(group);
        }
    }
    const auto start = [rooms](const Group* group) { return rooms[group->first].offset; };
    std::ranges::sort(sorted, {}, start);
    for (std::size_t a = 0; a < sorted.size(); ++a) {
        const std::uint64_t end = start(sorted[a]) + rooms[sorted[a]->first].size;
        for (std::size_t b = a + 1; b < sorted.size() && start(sorted[b]) < end; ++b) {
            for (const auto& [one, other] :
                 {std::pair(sorted[a], sorted[b]), std::pair(sorted[b], sorted[a])}) {
                one->sharesBytes = true;
                one->sharesWithFixed =
                    one->sharesWithFixed || !canMove(gameTemplate.entries[other->first], rooms[other->first]);
            }
        }
    }
}

class Marker {
  public:
    Marker(const templates::GameTemplate& gameTemplate, std::span<const std::string> texts,
           std::span<const EntryRoom> rooms, std::optional<FreeSpaceMap> freeSpace)
        : m_template(gameTemplate), m_rooms(rooms), m_freeSpace(std::move(freeSpace)) {
        m_freeLeft = m_freeSpace ? m_freeSpace->total() : 0;
        m_result.texts.assign(texts.begin(), texts.end());
        m_result.texts.resize(gameTemplate.entries.size());
    }

    // reserved: the free bytes the strings marked after this one need for their numbers alone.
    void mark(const Group& group, std::uint64_t reserved = 0) {
        for (const std::size_t i : group.entries) {
            if (const auto why = whyLeft(i)) {
                leave(group, i, *why);
                return;
            }
        }
        const auto& entry = m_template.entries[group.first];
        if (group.sharesWithFixed && !canMove(entry, m_rooms[group.first])) {
            leave(group, group.first, "its room shares bytes with another entry's, which cannot move");
            return;
        }
        const std::string numbers = numbersOf(group);
        if (!writes(entry, numbers)) {
            leave(group, group.first,
                  std::string(entry.table ? "its table" : "its alphabet") + " cannot write " + numbers);
            return;
        }
        const EntryRoom& room = m_rooms[group.first];
        const std::string original =
            writableStart(entry, shownText(entry, room, m_result.texts[group.first]));
        const std::string separator = original.empty() || !writes(entry, " ") ? "" : " ";
        const Characters mark(numbers + separator + original);
        const auto text = entry.table ? tableMark(group, mark, reserved) : alphabetMark(entry, mark);
        if (!text) {
            leave(group, group.first, text.error());
            return;
        }
        for (const std::size_t i : group.entries) {
            m_result.texts[i] = *text;
        }
        m_result.marked += group.entries.size();
    }

    // The bytes of free space a string must move to for its numbers alone; 0 when they fit its room, or it
    // does not move.
    [[nodiscard]] std::uint64_t neededToMove(const Group& group) const {
        const auto& entry = m_template.entries[group.first];
        const EntryRoom& room = m_rooms[group.first];
        if (!m_freeSpace || !canMove(entry, room) ||
            std::ranges::any_of(group.entries, [this](std::size_t i) { return whyLeft(i).has_value(); })) {
            return 0;
        }
        const auto bytes = entry.table->encode(numbersOf(group));
        return bytes && bytes->size() + room.end.size() > room.size ? bytes->size() + room.end.size() : 0;
    }

    [[nodiscard]] MockTexts result() && { return std::move(m_result); }

  private:
    [[nodiscard]] std::string numbersOf(const Group& group) const {
        std::string numbers;
        for (const std::size_t i : group.entries) {
            numbers += (numbers.empty() ? "" : " ") + entryMark(m_template.entries[i].number);
        }
        return numbers;
    }

    [[nodiscard]] std::optional<std::string> whyLeft(std::size_t i) const {
        const auto& entry = m_template.entries[i];
        if (entry.locked) {
            return "it is locked";
        }
        const EntryRoom& room = m_rooms[i];
        if (!room.known || room.unread || (!entry.cells.empty() && room.size == 0)) {
            return "its string was not read";
        }
        return std::nullopt;
    }

    void leave(const Group& group, std::size_t cause, const std::string& why) {
        for (const std::size_t i : group.entries) {
            m_result.left.push_back(templates::entryName(m_template.entries[i]) + " is left as it was: " +
                                    (i == cause ? why
                                                : "its string is also that of " +
                                                      templates::entryName(m_template.entries[cause]) +
                                                      ", which is left as it was") +
                                    ".");
        }
    }

    // As many characters as the box's limit; the save pads with spaces.
    static Result<std::string> alphabetMark(const templates::TemplateEntry& entry, const Characters& mark) {
        const std::size_t count = std::min(mark.size(), static_cast<std::size_t>(std::max(entry.limit(), 0)));
        if (count == 0) {
            return leftBecause("its room holds no character");
        }
        if (count < static_cast<std::size_t>(entry.limit()) && !writes(entry, " ")) {
            return leftBecause("its alphabet has no space to fill its room with");
        }
        return mark.prefix(count);
    }

    // Moved to a free block when it does not fit its room and one holds it (cut to the largest there is,
    // when that is more than its room, and to what leaves the strings after it their numbers); else cut to
    // its room.
    Result<std::string> tableMark(const Group& group, const Characters& mark, std::uint64_t reserved) {
        const auto& entry = m_template.entries[group.first];
        const EntryRoom& room = m_rooms[group.first];
        if (m_freeSpace && canMove(entry, room)) {
            std::uint64_t regionStart = 0;
            std::uint64_t regionEnd = UINT64_MAX;
            for (const std::size_t i : group.entries) {
                regionStart = std::max(regionStart, m_template.entries[i].pointer.regionStart);
                regionEnd = std::min(regionEnd, m_template.entries[i].pointer.reachEnd());
            }
            const std::uint64_t own = neededToMove(group);
            const std::uint64_t largest =
                std::min({m_freeSpace->largest(regionStart, regionEnd), kLongestMovedString,
                          std::max(m_freeLeft > reserved ? m_freeLeft - reserved : 0, own)});
            const auto movedSize = [&](std::size_t count) {
                const auto bytes = entry.table->encode(mark.prefix(count));
                return bytes ? bytes->size() + room.end.size() : SIZE_MAX;
            };
            const std::size_t count =
                longestPrefix(mark.size(), [&](std::size_t k) { return movedSize(k) <= largest; });
            if (count > 0 && movedSize(count) > room.size &&
                m_freeSpace->take(movedSize(count), regionStart, regionEnd)) {
                m_freeLeft -= std::min<std::uint64_t>(m_freeLeft, movedSize(count));
                return mark.prefix(count);
            }
        }
        if (group.sharesBytes && canMove(entry, room)) {
            return leftBecause(
                "its string shares bytes with another entry's, and no free block holds its mark");
        }
        const std::size_t count = longestPrefix(mark.size(), [&](std::size_t k) {
            return static_cast<bool>(tableRoomBytes(entry, room, mark.prefix(k)));
        });
        if (count == 0) {
            return leftBecause("its room holds no character of its number");
        }
        return mark.prefix(count);
    }

    const templates::GameTemplate& m_template;
    std::span<const EntryRoom> m_rooms;
    std::optional<FreeSpaceMap> m_freeSpace;
    std::uint64_t m_freeLeft = 0;
    MockTexts m_result;
};

}  // namespace

std::string entryMark(int number) {
    std::string digits = std::to_string(number);
    return "E" + std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

MockTexts mockTexts(const templates::GameTemplate& gameTemplate, std::span<const std::string> texts,
                    std::span<const EntryRoom> rooms, std::optional<FreeSpaceMap> freeSpace) {
    const std::size_t count = std::min({gameTemplate.entries.size(), texts.size(), rooms.size()});
    // A pointer entry's string is planned with every entry that reaches it, in the order of their offsets,
    // as a save hands out free blocks.
    std::map<std::uint64_t, Group> strings;
    std::vector<Group> groups;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& entry = gameTemplate.entries[i];
        const EntryRoom& room = rooms[i];
        if (!entry.cells.empty() && room.known && !room.unread && room.size > 0) {
            auto& group = strings[room.offset];
            group.first = group.entries.empty() ? i : group.first;
            group.entries.push_back(i);
        } else {
            groups.push_back(Group{{i}, i});
        }
    }
    std::vector<Group*> all;
    for (auto& group : groups) {
        all.push_back(&group);
    }
    for (auto& [offset, group] : strings) {
        all.push_back(&group);
    }
    findSharedBytes(all, gameTemplate, rooms);
    Marker marker(gameTemplate, texts.first(count), rooms.first(count), std::move(freeSpace));
    for (const Group& group : groups) {
        marker.mark(group);
    }
    // Every string that must move for its number has its bytes kept for it before another takes more of
    // its text.
    std::vector<std::uint64_t> reserved(strings.size() + 1, 0);
    auto at = strings.rbegin();
    for (std::size_t k = strings.size(); k-- > 0; ++at) {
        reserved[k] = reserved[k + 1] + marker.neededToMove(at->second);
    }
    std::size_t k = 0;
    for (const auto& [offset, group] : strings) {
        marker.mark(group, reserved[++k]);
    }
    return std::move(marker).result();
}

}  // namespace rq::editor
