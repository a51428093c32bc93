#include "search/pointerfinder.h"

#include <algorithm>
#include <array>
#include <tuple>

#include "search/cellscan.h"
#include "search/pointerruns.h"

namespace rq::search {
namespace {

using cells::CellFormat;
using cells::Hit;
using cells::Target;
using runs::Context;
using runs::Run;
using templates::PointerFormat;

constexpr std::uint64_t kBankSize = 0x4000;
constexpr std::array<std::uint64_t, 4> kBankBases = {0x4000, 0x8000, 0xC000, 0};
// Where a dump's banks start: at its start, after a 16-byte cartridge header, after a 512-byte copier header.
constexpr std::array<std::uint64_t, 3> kBankHeaders = {0, 0x10, 0x200};
constexpr std::uint64_t kGbaBase = 0x08000000;
constexpr std::size_t kStrideSteps = 4;  // strides: the cell size times 1 to 4
constexpr std::array<CellFormat, 6> kCellFormats = {
    {{2, false}, {2, true}, {3, false}, {3, true}, {4, false}, {4, true}}};

// The contexts of one cell format for the strings (distinct, inside the file).
std::vector<Context> contextsOf(CellFormat cell, std::span<const std::uint64_t> strings,
                                std::uint64_t fileSize) {
    std::vector<PointerFormat> formats;
    for (const std::uint64_t base : {std::uint64_t{0}, kGbaBase}) {
        formats.push_back({cell.size, cell.bigEndian, base, 0, UINT64_MAX});
    }
    if (cell.size == 2) {
        // 16 KiB banks counted from the file's start, or from the end of a copier's or a cartridge's header,
        // each read at the addresses a bank is mapped to.
        std::vector<std::uint64_t> banks;
        for (const std::uint64_t header : kBankHeaders) {
            for (const std::uint64_t offset : strings) {
                if (offset >= header) {
                    banks.push_back(header + ((offset - header) & ~(kBankSize - 1)));
                }
            }
        }
        std::sort(banks.begin(), banks.end());
        banks.erase(std::unique(banks.begin(), banks.end()), banks.end());
        for (const std::uint64_t bank : banks) {
            for (const std::uint64_t base : kBankBases) {
                // The first bank at base 0 reads as the whole file does.
                if (bank != 0 || base != 0) {
                    formats.push_back({cell.size, cell.bigEndian, base, bank, bank + kBankSize});
                }
            }
        }
    }
    std::vector<Context> contexts;
    for (const PointerFormat& format : formats) {
        const std::uint64_t end = std::min(format.regionEnd, fileSize);
        contexts.push_back({format, end > format.regionStart ? end - format.regionStart : 0});
    }
    return contexts;
}

// Whether runs[inner]'s hits all lie in a run of `outer` (runs of one context and stride, ordered by
// residue, then table).
bool holds(const std::vector<Run>& runs, std::pair<std::size_t, std::size_t> outer, const Run& inner) {
    if (outer.first == outer.second) {
        return false;
    }
    const std::uint64_t s = runs[outer.first].stride;
    const auto key = [s](const Run& run) { return std::make_pair(run.table % s, run.table); };
    const auto begin = runs.begin() + static_cast<std::ptrdiff_t>(outer.first);
    const auto end = runs.begin() + static_cast<std::ptrdiff_t>(outer.second);
    const auto after = std::upper_bound(begin, end, std::make_pair(inner.first % s, inner.first),
                                        [&](const auto& at, const Run& run) { return at < key(run); });
    if (after == begin) {
        return false;
    }
    const Run& run = *(after - 1);
    return run.table % s == inner.first % s && run.table + std::uint64_t{run.cells - 1} * s >= inner.last &&
           run.count >= inner.count;
}

}  // namespace

std::vector<PointerTableCandidate> findPointerTables(std::string_view file,
                                                     std::span<const std::uint64_t> offsets, std::size_t most,
                                                     const SearchProgress& progress) {
    std::vector<std::uint64_t> strings;
    for (const std::uint64_t offset : offsets) {
        if (offset < file.size()) {
            strings.push_back(offset);
        }
    }
    std::sort(strings.begin(), strings.end());
    strings.erase(std::unique(strings.begin(), strings.end()), strings.end());
    if (strings.size() < 2 || most == 0) {
        return {};
    }

    std::vector<PointerTableCandidate> found;
    std::uint64_t done = 0;
    const std::uint64_t total = file.size() * kCellFormats.size();
    for (const CellFormat cell : kCellFormats) {
        const std::vector<Context> contexts = contextsOf(cell, strings, file.size());
        std::vector<Target> targets;
        for (std::uint32_t c = 0; c < contexts.size(); ++c) {
            std::vector<Target> values;
            for (std::uint32_t s = 0; s < strings.size(); ++s) {
                if (const auto value = contexts[c].format.valueOf(strings[s])) {
                    values.push_back({static_cast<std::uint32_t>(*value), c, s});
                }
            }
            if (values.size() >= 2) {  // fewer can explain no two strings
                targets.insert(targets.end(), values.begin(), values.end());
            }
        }
        std::sort(targets.begin(), targets.end());
        std::vector<std::vector<Hit>> hits(contexts.size());
        if (!cells::scanCells(cell, file, targets, hits, done, total, progress)) {
            return {};
        }

        // Runs of each context at each stride, recorded as spans of `runs`.
        std::vector<Run> runs;
        std::vector<std::array<std::pair<std::size_t, std::size_t>, kStrideSteps>> spans(contexts.size());
        for (std::uint32_t c = 0; c < contexts.size(); ++c) {
            runs::RunWalker walker(file, contexts[c], strings.size());
            for (std::size_t k = 0; k < kStrideSteps && !hits[c].empty(); ++k) {
                const std::size_t begin = runs.size();
                walker.walk(hits[c], static_cast<std::uint32_t>(cell.size * (k + 1)), runs);
                spans[c][k] = {begin, runs.size()};
            }
        }
        for (std::uint32_t c = 0; c < contexts.size(); ++c) {
            for (std::size_t k = 0; k < kStrideSteps; ++k) {
                for (std::size_t r = spans[c][k].first; r < spans[c][k].second; ++r) {
                    bool inside = false;
                    for (std::size_t j = 0; j < k && !inside; ++j) {
                        inside = (k + 1) % (j + 1) == 0 && holds(runs, spans[c][j], runs[r]);
                    }
                    if (!inside) {
                        const Run& run = runs[r];
                        found.push_back({contexts[c].format, run.table, run.stride, run.cells, run.count});
                    }
                }
            }
        }
    }

    const auto rank = [](const PointerTableCandidate& c) {
        return std::make_tuple(-static_cast<std::int64_t>(c.count), c.cells, c.table, -c.format.size,
                               c.stride, c.format.bigEndian, c.format.base, c.format.regionStart);
    };
    std::sort(found.begin(), found.end(), [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
    if (found.size() > most) {
        found.resize(most);
    }
    return found;
}

std::string formatName(const PointerFormat& format) {
    return (format.bigEndian ? "be" : "le") + std::to_string(format.size * 8);
}

}  // namespace rq::search
