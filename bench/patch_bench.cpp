// Making and applying a BPS patch of two 64 MiB files that differ in 1,000 scattered ranges, against reading
// both files once: the target is at most 3x for each. Copying one file to a new one shows what writing the
// output costs by itself.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "benchfixture.h"
#include "files/filehandle.h"
#include "files/newfile.h"
#include "patch/patchfiles.h"

namespace {

constexpr std::size_t kSize = 64u << 20;

struct PatchFiles {
    std::filesystem::path folder;
    std::string original, modified, patch, output;

    PatchFiles() {
        folder =
            std::filesystem::temp_directory_path() / ("romquill-patch-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        original = (folder / "original.bin").string();
        modified = (folder / "modified.bin").string();
        patch = (folder / "p.bps").string();
        output = (folder / "out.bin").string();
        std::mt19937_64 random(1);
        std::string bytes(kSize, '\0');
        for (std::size_t i = 0; i + 8 <= kSize; i += 8) {
            const std::uint64_t word = random();
            std::memcpy(bytes.data() + i, &word, 8);
        }
        std::ofstream(original, std::ios::binary) << bytes;
        for (int range = 0; range < 1000; ++range) {
            const std::size_t at = random() % (kSize - 64);
            for (std::size_t i = 0; i < 1 + random() % 48; ++i) {
                bytes[at + i] = static_cast<char>(~bytes[at + i]);
            }
        }
        std::ofstream(modified, std::ios::binary) << bytes;
        if (!rq::patch::createPatch(original, modified, patch, rq::patch::PatchFormat::Bps)) {
            std::abort();
        }
    }
    ~PatchFiles() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

PatchFiles& files() {
    static PatchFiles made;
    return made;
}

void BM_Baseline_ReadBoth(benchmark::State& state) {
    std::string block(1 << 20, '\0');
    for (auto _ : state) {
        for (const auto* path : {&files().original, &files().modified}) {
            auto file = rq::files::FileHandle::open(*path, rq::files::FileHandle::Mode::Read);
            for (std::uint64_t at = 0; at < kSize; at += block.size()) {
                benchmark::DoNotOptimize(file->readInto(at, block.data(), block.size()));
            }
        }
    }
}
BENCHMARK(BM_Baseline_ReadBoth)->Unit(benchmark::kMillisecond);

// What any apply costs at least: the output written as a new file, flushed to the disk.
void BM_Reference_CopyOne(benchmark::State& state) {
    std::string block(1 << 20, '\0');
    for (auto _ : state) {
        auto file = rq::files::FileHandle::open(files().original, rq::files::FileHandle::Mode::Read);
        auto out = rq::files::NewFile::create(files().output);
        rq::files::NewFile copy = std::move(out).value();
        for (std::uint64_t at = 0; at < kSize; at += block.size()) {
            benchmark::DoNotOptimize(file->readInto(at, block.data(), block.size()));
            benchmark::DoNotOptimize(copy.append(block));
        }
        benchmark::DoNotOptimize(copy.commit());
    }
}
BENCHMARK(BM_Reference_CopyOne)->Unit(benchmark::kMillisecond);

void BM_CreateBps(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(rq::patch::createPatch(files().original, files().modified,
                                                        (files().folder / "made.bps").string(),
                                                        rq::patch::PatchFormat::Bps));
    }
}
BENCHMARK(BM_CreateBps)->Unit(benchmark::kMillisecond);

void BM_ApplyBps(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(rq::patch::applyPatch(files().patch, files().original, files().output));
    }
}
BENCHMARK(BM_ApplyBps)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_ReadBoth", "reading both 64 MiB files once", files);
}
