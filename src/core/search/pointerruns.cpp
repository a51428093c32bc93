#include "search/pointerruns.h"

#include <algorithm>
#include <set>

namespace rq::search::runs {
namespace {

constexpr std::uint64_t kMostCells = templates::kMostTableCells;

}  // namespace

std::uint32_t cellValue(const unsigned char* at, int size, bool bigEndian) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | at[bigEndian ? i : size - 1 - i];
    }
    return value;
}

RunWalker::RunWalker(std::string_view file, const Context& context, std::size_t strings)
    : m_bytes(reinterpret_cast<const unsigned char*>(file.data())),
      m_size(file.size()),
      m_context(context),
      m_seen(strings, 0) {}

// Chance hits of a context come about every fileSize / hits cells of a residue class; a run does not bridge
// a gap of a quarter of that without a hit.
void RunWalker::walk(std::vector<Hit> hits, std::uint32_t stride, std::vector<Run>& runs) {
    const std::uint64_t chanceGap = m_size / (4 * std::max<std::uint64_t>(hits.size(), 1));
    m_maxGap = std::clamp<std::uint64_t>(chanceGap, 16, kMostCells);
    m_stride = stride;
    std::sort(hits.begin(), hits.end(), [stride](const Hit& a, const Hit& b) {
        return std::make_pair(a.pos % stride, a.pos) < std::make_pair(b.pos % stride, b.pos);
    });
    for (std::size_t i = 0; i < hits.size();) {
        const std::uint64_t residue = hits[i].pos % stride;
        std::size_t residueEnd = i;
        while (residueEnd < hits.size() && hits[residueEnd].pos % stride == residue) {
            ++residueEnd;
        }
        std::uint64_t floor = residue;  // the first position free for a run
        while (i < residueEnd) {
            i = walkRun(hits, i, residueEnd, floor, runs);
        }
    }
}

bool RunWalker::plausible(std::uint64_t pos) const {
    if (pos + static_cast<std::uint64_t>(m_context.format.size) > m_size) {
        return false;
    }
    const std::uint64_t value = cellValue(m_bytes + pos, m_context.format.size, m_context.format.bigEndian);
    return value >= m_context.format.base && value - m_context.format.base < m_context.reach;
}

bool RunWalker::padding(std::uint64_t pos) const {
    const unsigned char* cell = m_bytes + pos;
    return std::all_of(cell + 1, cell + m_context.format.size,
                       [cell](unsigned char b) { return b == *cell; });
}

std::uint32_t RunWalker::layoutAt(std::uint64_t pos) const {
    const auto size = static_cast<std::uint64_t>(m_context.format.size);
    std::uint32_t layout = 0;
    for (std::uint64_t k = 1; k * size < m_stride; ++k) {
        layout |= (plausible(pos + k * size) ? 1u : 0u) << k;
    }
    return layout;
}

// The run around hits[i]: forward through the hits it reaches, then back; returns the next hit's index.
std::size_t RunWalker::walkRun(const std::vector<Hit>& hits, std::size_t i, std::size_t end,
                               std::uint64_t& floor, std::vector<Run>& runs) {
    ++m_generation;
    const std::uint64_t first = hits[i].pos;
    std::uint64_t last = first, reached = first;
    std::uint32_t count = mark(hits[i].string);
    std::uint64_t hitCells = 1;
    std::set<std::uint32_t> layouts = {layoutAt(first)};
    for (++i;;) {
        const std::uint64_t next = reached + m_stride;
        if (!plausible(next)) {
            break;
        }
        if ((next - last) / m_stride > m_maxGap || (next - first) / m_stride >= kMostCells) {
            reached = last;  // plausible cells go on: this side ends at its last hit
            break;
        }
        reached = next;
        if (i < end && hits[i].pos == reached) {
            count += mark(hits[i++].string);
            ++hitCells;
            layouts.insert(layoutAt(reached));
            last = reached;
        }
    }
    // Past its hits, a run goes on only over elements laid out as its hits' are: an array of records beside
    // an array of pointers reads as plausible cells, but not with the same fields between them.
    const auto alike = [&](std::uint64_t pos) { return layouts.contains(layoutAt(pos)); };
    for (std::uint64_t pos = last + m_stride; pos <= reached; pos += m_stride) {
        if (!alike(pos)) {
            reached = pos - m_stride;
            break;
        }
    }
    const std::uint64_t cells = (reached - first) / m_stride + 1;
    const std::uint64_t budget = std::min(m_maxGap, kMostCells - cells);
    std::uint64_t start = first;
    for (std::uint64_t steps = 0;
         start >= floor + m_stride && plausible(start - m_stride) && alike(start - m_stride); ++steps) {
        if (steps == budget) {
            start = first;
            break;
        }
        start -= m_stride;
    }
    // Cells of one byte repeated at the run's ends are padding around the table, not pointers.
    while (start < first && padding(start)) {
        start += m_stride;
    }
    while (reached > last && padding(reached)) {
        reached -= m_stride;
    }
    if (count >= 2) {
        const auto add = [&](std::uint64_t from, std::uint64_t to) {
            runs.push_back(
                {from, first, last, m_stride, static_cast<std::uint32_t>((to - from) / m_stride + 1), count});
        };
        add(start, reached);
        if (start != first) {
            add(first, reached);
        }
        // Every cell from the first hit to the last one is a hit: the strings given are the whole table, and
        // plausible cells after it are another's.
        if (reached != last && hitCells == (last - first) / m_stride + 1) {
            add(first, last);
        }
    }
    floor = reached + m_stride;
    return i;
}

std::uint32_t RunWalker::mark(std::uint32_t string) {
    if (m_seen[string] == m_generation) {
        return 0;
    }
    m_seen[string] = m_generation;
    return 1;
}

}  // namespace rq::search::runs
