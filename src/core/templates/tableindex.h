#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "templates/table.h"

namespace rq::templates {

// What decode and encode look up, built once from the entries; shared by the copies of a table.
struct Table::Index {
    explicit Index(const std::vector<Entry>& entries);

    // The entry whose code is the longest one that starts bytes[at]; -1 when none does.
    [[nodiscard]] int longestCode(std::string_view bytes, std::size_t at) const;

    using Step = Table::Step;
    // For each position of the text, the cheapest way on from there (ties to the earliest entry).
    // aliases: whether a second line of a key may write its text (which then reads as the key's first).
    [[nodiscard]] std::vector<Step> cheapest(const std::vector<Entry>& entries, std::string_view text,
                                             bool aliases) const;
    // A way of writing the whole text in `length` bytes for some length no more than room that leaves
    // room - length to pad in pieces of step bytes (0: none, length is room), the fewest such bytes; the
    // steps from the start, each position of the way holding its step. Nothing when there is none, or when
    // the search would take too much memory.
    [[nodiscard]] std::optional<std::vector<Step>> forRoom(const std::vector<Entry>& entries,
                                                           std::string_view text, std::size_t room,
                                                           std::size_t step, bool aliases) const;
    // Why a text that cheapest cannot write is refused: a phrase said of the text.
    [[nodiscard]] std::string refusal(const std::vector<Entry>& entries, std::string_view text) const;
    [[nodiscard]] std::u32string uncovered(const std::vector<Entry>& entries, std::string_view text) const;
    // The bytes of the longest control label that starts text[at]; 0 when none does.
    [[nodiscard]] std::size_t controlLabelAt(std::string_view text, std::size_t at) const;

  private:
    // Which ways forEachOption offers beside each text's cheapest entry.
    struct Ways {
        bool everyLength = false;  // an entry of the same text for each other length of code
        bool aliases = true;       // second lines of keys
    };
    template <class Visit>
    void forEachOption(const std::vector<Entry>& entries, std::string_view text, std::size_t at, Visit visit,
                       Ways ways = Ways{false, true}) const;
    void addToTrie(const std::vector<Entry>& entries, std::size_t n);
    [[nodiscard]] int child(int node, char byte) const;

    void makeDense();

    std::array<int, 256> m_single{};  // 1-byte codes
    std::vector<int> m_double;        // 2-byte codes, first byte high; empty when none
    // Looked up by the bytes of a game file as they stand, without a copy.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
    };
    std::array<std::uint64_t, 256> m_longerSizes{};  // bit n: a code of n bytes (n > 1) starts with this byte
    std::unordered_map<std::string, int, KeyHash, std::equal_to<>> m_longer;  // codes of 3 bytes and more

    // A trie of the texts encode can write: Text and LineBreak entries, and control labels.
    struct Node {
        std::vector<std::pair<unsigned char, int>> children;  // sorted by byte
        int dense = -1;                 // where a node of many children has them by byte, in m_dense
        int text = -1;                  // the cheapest entry of this text, earliest first
        std::size_t textBytes = 0;      // its code's length
        std::vector<int> otherLengths;  // an entry of the same text for each other length of code
        int alias = -1;                 // the cheapest second line of a key with this text
        std::vector<int> controls;
    };
    std::vector<Node> m_nodes{1};
    std::vector<std::array<int, 256>> m_dense;
};

}  // namespace rq::templates
