#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

    // One way to go on writing a text: an entry (-1 for a raw "<$XX>"), its bytes, and where it ends.
    struct Step {
        std::size_t cost = SIZE_MAX;  // bytes from here to the end of the text; SIZE_MAX: no way
        int entry = -1;
        std::size_t next = 0;
    };
    // For each position of the text, the cheapest way on from there (ties to the earliest entry).
    [[nodiscard]] std::vector<Step> cheapest(const std::vector<Entry>& entries, std::string_view text) const;
    // Why a text that cheapest cannot write is refused: a phrase said of the text.
    [[nodiscard]] std::string refusal(const std::vector<Entry>& entries, std::string_view text) const;
    [[nodiscard]] std::u32string uncovered(const std::vector<Entry>& entries, std::string_view text) const;
    // The bytes of the longest control label that starts text[at]; 0 when none does.
    [[nodiscard]] std::size_t controlLabelAt(std::string_view text, std::size_t at) const;

  private:
    template <class Visit>
    void forEachOption(const std::vector<Entry>& entries, std::string_view text, std::size_t at,
                       Visit visit) const;
    void addToTrie(const std::vector<Entry>& entries, std::size_t n);
    [[nodiscard]] int child(int node, char byte) const;

    void makeDense();

    std::array<int, 256> m_single{};                // 1-byte codes
    std::vector<int> m_double;                      // 2-byte codes, first byte high; empty when none
    std::array<std::uint8_t, 256> m_longerSizes{};  // bit n: a code of n bytes (n > 1) starts with this byte
    std::unordered_map<std::uint64_t, int> m_longer;  // 3- and 4-byte codes

    // A trie of the texts encode can write: Text and LineBreak entries, and control labels.
    struct Node {
        std::vector<std::pair<unsigned char, int>> children;  // sorted by byte
        int dense = -1;             // where a node of many children has them by byte, in m_dense
        int text = -1;              // the cheapest entry of this text, earliest first
        std::size_t textBytes = 0;  // its code's length
        std::vector<int> controls;
    };
    std::vector<Node> m_nodes{1};
    std::vector<std::array<int, 256>> m_dense;
};

}  // namespace rq::templates
