// The searches over a 32 MiB file of random bytes, and over files that make them work hardest, against
// reading that file once as a search reads it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "benchfixture.h"
#include "search/pointerfinder.h"
#include "search/relative.h"
#include "search/searchfile.h"
#include "search/tablesearch.h"
#include "templates/table.h"

namespace {

constexpr std::uint64_t kFileSize = std::uint64_t{32} << 20;
constexpr std::uint64_t kTable = 0x1234560;  // a GBA table of kStrings le32 cells
constexpr std::uint64_t kStringsAt = 0x1800000;
constexpr int kStrings = 400;

struct RandomFile {
    std::filesystem::path folder;
    std::string path;

    RandomFile() {
        folder =
            std::filesystem::temp_directory_path() / ("romquill-search-bench-" + std::to_string(::getpid()));
        std::mt19937 random(32);
        std::string bytes(kFileSize, '\0');
        for (std::size_t i = 0; i < bytes.size(); i += 4) {
            const std::uint32_t word = random();
            for (std::size_t b = 0; b < 4; ++b) {
                bytes[i + b] = static_cast<char>(word >> (8 * b));
            }
        }
        for (int k = 0; k < kStrings; ++k) {
            const std::uint64_t value = 0x08000000 + kStringsAt + static_cast<std::uint64_t>(k) * 29;
            for (std::size_t b = 0; b < 4; ++b) {
                bytes[kTable + static_cast<std::size_t>(k) * 4 + b] = static_cast<char>(value >> (8 * b));
            }
        }
        path = (folder / "random.bin").string();
        rq::bench::writeFile(path, bytes);
    }
    ~RandomFile() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

// The 32 MiB file of random bytes (a GBA pointer table planted in it), made once.
const std::string& randomFile() {
    static RandomFile file;
    return file.path;
}

void BM_Baseline_ReadFile(benchmark::State& state) {
    for (auto _ : state) {
        const auto bytes = rq::search::readSearchedFile(randomFile());
        if (!bytes) {
            state.SkipWithError(bytes.error().c_str());
            return;
        }
        benchmark::DoNotOptimize(bytes->data());
    }
}
BENCHMARK(BM_Baseline_ReadFile)->Unit(benchmark::kMillisecond);

// 20 strings of the planted table, spread over it.
void BM_FindPointers(benchmark::State& state) {
    std::vector<std::uint64_t> offsets;
    for (int k = 0; k < 20; ++k) {
        offsets.push_back(kStringsAt + static_cast<std::uint64_t>(k) * 19 * 29);
    }
    for (auto _ : state) {
        const auto bytes = rq::search::readSearchedFile(randomFile());
        if (!bytes) {
            state.SkipWithError(bytes.error().c_str());
            return;
        }
        const auto found = rq::search::findPointerTables(*bytes, offsets);
        if (found.empty() || found.front().table != kTable || found.front().count != 20) {
            state.SkipWithError("the planted table is not found first");
            return;
        }
    }
}
BENCHMARK(BM_FindPointers)->Unit(benchmark::kMillisecond);

// A word in every layout: one byte a code, and two in either order, at every byte offset.
void BM_RelativeSearch(benchmark::State& state) {
    for (auto _ : state) {
        const auto bytes = rq::search::readSearchedFile(randomFile());
        const auto found = bytes ? rq::search::relativeSearch(*bytes, {U"PRESS"}) : bytes.failure();
        if (!found) {
            state.SkipWithError(found.error().c_str());
            return;
        }
        benchmark::DoNotOptimize(found->hits.data());
    }
}
BENCHMARK(BM_RelativeSearch)->Unit(benchmark::kMillisecond);

// 16 MiB of zeros and a string at offset 0 among others: under base 0 every zero cell holds its value.
void BM_FindPointers_ZeroRuns(benchmark::State& state) {
    const std::string zeros(std::size_t{16} << 20, '\0');
    const std::vector<std::uint64_t> offsets = {0, 0x100, 0x200};
    for (auto _ : state) {
        const auto found = rq::search::findPointerTables(zeros, offsets);
        if (!found.empty()) {
            state.SkipWithError("zeros explain no strings");
            return;
        }
    }
}
BENCHMARK(BM_FindPointers_ZeroRuns)->Unit(benchmark::kMillisecond);

// A run of 256 KiB of one code that the table spells in several ways, searched for 32 of it and a code the
// run lacks: every start meets the same spellings again, each worked out once.
void BM_FindTableText_ManySpellings(benchmark::State& state) {
    const std::string run(std::size_t{256} << 10, 'A');
    const auto table = rq::templates::Table::parse("41=A\n4141=AA\n414141=AAA\n41414141=AAAA\n42=B\n");
    for (auto _ : state) {
        const auto found = rq::search::findTableText(run, table, std::string(32, 'A') + "B");
        if (!found || !found->hits.empty()) {
            state.SkipWithError("the run holds no B");
            return;
        }
    }
}
BENCHMARK(BM_FindTableText_ManySpellings)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_ReadFile", "reading the file once", randomFile);
}
