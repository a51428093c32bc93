#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// Many byte strings looked for in one file at once, as a template's strings are in a new revision.
namespace rq::revisions {

// Where one string lies in the file: its first few places in file order, and how many there are in all
// (counted up to `most` + 1: more than that says only "more").
struct NeedlePlaces {
    std::vector<std::uint64_t> places;
    std::size_t count = 0;
};

// Every place of each needle in the file, at most `most` kept of each. The file is passed over once: each
// position's first 8 bytes (fewer for a shorter needle) are looked up in a filter of the needles' prefixes,
// and only a position the filter lets through is compared whole. A needle that has been found more than
// `most` times is looked for no more, so a file of padding costs no more than one of text. An empty needle
// is found nowhere.
[[nodiscard]] std::vector<NeedlePlaces> findNeedles(std::string_view file,
                                                    std::span<const std::string_view> needles,
                                                    std::size_t most);

}  // namespace rq::revisions
