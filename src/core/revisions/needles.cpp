#include "revisions/needles.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>

namespace rq::revisions {
namespace {

constexpr std::size_t kPrefix = 8;
constexpr int kFilterBits = 21;

// The first `length` bytes at `at` (at most 8) as a number, the first byte lowest, whatever the machine.
inline std::uint64_t prefixAt(const char* at, std::size_t length) {
    std::uint64_t value = 0;
    std::memcpy(&value, at, length);
    if constexpr (std::endian::native == std::endian::big) {
        value = __builtin_bswap64(value) >> (8 * (kPrefix - length));
    }
    return value;
}

std::uint64_t mask(std::size_t length) {
    return length >= kPrefix ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * length)) - 1;
}

std::size_t slot(std::uint64_t prefix, std::size_t length) {
    return static_cast<std::size_t>(((prefix ^ length) * 0x9E3779B97F4A7C15ULL) >> (64 - kFilterBits));
}

// The distinct needles of one prefix length, by prefix.
struct Group {
    std::size_t length = 0;
    std::multimap<std::uint64_t, std::size_t> byPrefix;  // prefix -> distinct needle
};

}  // namespace

std::vector<NeedlePlaces> findNeedles(std::string_view file, std::span<const std::string_view> needles,
                                      std::size_t most) {
    // Equal needles are looked for once.
    std::map<std::string_view, std::size_t> distinct;
    std::vector<std::size_t> of(needles.size(), SIZE_MAX);
    std::vector<std::string_view> unique;
    for (std::size_t i = 0; i < needles.size(); ++i) {
        if (needles[i].empty()) {
            continue;
        }
        const auto [at, added] = distinct.emplace(needles[i], unique.size());
        if (added) {
            unique.push_back(needles[i]);
        }
        of[i] = at->second;
    }
    std::vector<NeedlePlaces> found(unique.size());
    std::vector<Group> groups(kPrefix + 1);
    // How many live prefixes share each slot: a slot is let through while one does.
    std::vector<std::uint16_t> filter(std::size_t{1} << kFilterBits);
    for (std::size_t u = 0; u < unique.size(); ++u) {
        const std::size_t length = std::min(unique[u].size(), kPrefix);
        const std::uint64_t prefix = prefixAt(unique[u].data(), length);
        groups[length].length = length;
        groups[length].byPrefix.emplace(prefix, u);
        auto& count = filter[slot(prefix, length)];
        count = static_cast<std::uint16_t>(std::min<int>(count + 1, UINT16_MAX));
    }
    std::erase_if(groups, [](const Group& group) { return group.byPrefix.empty(); });

    const auto look = [&](Group& group, std::uint64_t pos, std::uint64_t prefix) {
        const auto [lo, hi] = group.byPrefix.equal_range(prefix);
        for (auto it = lo; it != hi;) {
            const std::string_view needle = unique[it->second];
            if (needle.size() <= file.size() - pos &&
                std::memcmp(needle.data() + group.length, file.data() + pos + group.length,
                            needle.size() - group.length) == 0) {
                NeedlePlaces& places = found[it->second];
                if (++places.count > most) {
                    auto& count = filter[slot(prefix, group.length)];
                    if (count != UINT16_MAX) {
                        --count;
                    }
                    it = group.byPrefix.erase(it);
                    continue;
                }
                places.places.push_back(pos);
            }
            ++it;
        }
    };
    const std::uint64_t size = file.size();
    for (std::uint64_t pos = 0; pos < size; ++pos) {
        const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(size - pos, kPrefix));
        // A whole window is one load; only the last few positions are read byte by byte.
        const std::uint64_t window =
            room == kPrefix ? prefixAt(file.data() + pos, kPrefix) : prefixAt(file.data() + pos, room);
        for (Group& group : groups) {
            if (group.length > room) {
                continue;
            }
            const std::uint64_t prefix = window & mask(group.length);
            if (filter[slot(prefix, group.length)] != 0) {
                look(group, pos, prefix);
            }
        }
    }

    std::vector<NeedlePlaces> result(needles.size());
    for (std::size_t i = 0; i < needles.size(); ++i) {
        if (of[i] != SIZE_MAX) {
            result[i] = found[of[i]];
        }
    }
    return result;
}

}  // namespace rq::revisions
