#include "search/cellscan.h"

#include <algorithm>

namespace rq::search::cells {
namespace {

constexpr std::uint64_t kProgressStep = std::uint64_t{1} << 20;
// A string keeps at most this many hits in one context, or this many times what chance gives a value in
// random bytes if that is more; past that its value is padding or code (a string at 0 under base 0 in zero
// runs), and keeping its hits would cost memory and time in proportion to the file for no table.
constexpr std::uint64_t kFewestKept = 4096;
constexpr std::uint64_t kChanceTimes = 16;

// A cell's value from its bytes; written byte by byte, the compiler makes it one load.
template <int Size, bool Big>
inline std::uint32_t cellAt(const unsigned char* at) {
    std::uint32_t value = 0;
    for (int i = 0; i < Size; ++i) {
        value = (value << 8) | at[Big ? i : Size - 1 - i];
    }
    return value;
}

// A bit for each value's low 16 bits: most cells hold none of the targets' values.
std::vector<std::uint64_t> filterOf(const std::vector<Target>& targets) {
    std::vector<std::uint64_t> filter(std::size_t{1} << 10);
    for (const Target& target : targets) {
        filter[(target.value & 0xFFFF) >> 6] |= std::uint64_t{1} << (target.value & 63);
    }
    return filter;
}

// One pass over the file: every position whose cell holds a target's value, as a hit of its context. A
// target past `kept` hits loses them all and is looked for no more.
template <int Size, bool Big>
bool scan(std::string_view file, std::vector<Target>& targets, std::uint64_t kept,
          std::vector<std::vector<Hit>>& hits, std::uint64_t& done, std::uint64_t total,
          const SearchProgress& progress) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    const std::uint64_t positions = file.size() < Size ? 0 : file.size() - Size + 1;
    std::vector<std::uint64_t> filter = filterOf(targets);
    for (std::uint64_t from = 0; from < file.size(); from += kProgressStep) {
        const std::uint64_t to = std::min<std::uint64_t>(file.size(), from + kProgressStep);
        for (std::uint64_t pos = from; pos < std::min(to, positions); ++pos) {
            const std::uint32_t value = cellAt<Size, Big>(bytes + pos);
            if (((filter[(value & 0xFFFF) >> 6] >> (value & 63)) & 1) == 0) {
                continue;
            }
            const auto [lo, hi] = std::equal_range(targets.begin(), targets.end(), Target{value, 0, 0});
            bool dropped = false;
            for (auto target = lo; target != hi; ++target) {
                if (++target->hits <= kept) {
                    hits[target->context].push_back({pos, target->string});
                } else {
                    std::erase_if(hits[target->context],
                                  [&](const Hit& hit) { return hit.string == target->string; });
                    dropped = true;
                }
            }
            if (dropped) {
                std::erase_if(targets, [kept](const Target& target) { return target.hits > kept; });
                filter = filterOf(targets);
            }
        }
        if (progress && !progress(done + (to - from), total)) {
            return false;
        }
        done += to - from;
    }
    return true;
}

}  // namespace

bool scanCells(CellFormat cell, std::string_view file, std::vector<Target>& targets,
               std::vector<std::vector<Hit>>& hits, std::uint64_t& done, std::uint64_t total,
               const SearchProgress& progress) {
    const std::uint64_t positions = file.size() < static_cast<std::uint64_t>(cell.size)
                                        ? 0
                                        : file.size() - static_cast<std::uint64_t>(cell.size) + 1;
    // Random cells hold a given value about positions / 2^bits times.
    const std::uint64_t kept = std::max(kFewestKept, kChanceTimes * (positions >> (8 * cell.size)));
    const auto run = [&](auto pass) { return pass(file, targets, kept, hits, done, total, progress); };
    switch (cell.size * 2 + (cell.bigEndian ? 1 : 0)) {
        case 4:
            return run(scan<2, false>);
        case 5:
            return run(scan<2, true>);
        case 6:
            return run(scan<3, false>);
        case 7:
            return run(scan<3, true>);
        case 8:
            return run(scan<4, false>);
        default:
            return run(scan<4, true>);
    }
}

}  // namespace rq::search::cells
