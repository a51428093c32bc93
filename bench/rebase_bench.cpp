// A template of 10,000 entries (500 of its own and ten pointer tables of 950 cells) carried to a new revision
// of a 32 MiB file of random bytes, 64 bytes put in at 1 MiB so that every string and table after it moved
// (and the cells hold the new places), against reading both files as the rebase does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "benchfixture.h"
#include "files/asciitext.h"
#include "files/filehandle.h"
#include "files/iniReadWriteDelete.h"
#include "revisions/rebase.h"
#include "search/searchfile.h"
#include "templates/gametemplate.h"

namespace {

constexpr std::size_t kFileSize = std::size_t{32} << 20;
constexpr int kFixed = 500;
constexpr int kTables = 10;
constexpr int kCells = 950;
constexpr std::size_t kInsertAt = std::size_t{1} << 20;
constexpr std::size_t kInserted = 64;
constexpr std::size_t kTablesAt = 0x1F00000;
constexpr std::size_t kStringsAt = 0x400000;
constexpr std::size_t kStringStep = 2500;

std::size_t stringOf(int table, int cell) {
    return kStringsAt + static_cast<std::size_t>(table * kCells + cell) * kStringStep;
}
constexpr std::uint32_t kGbaBase = 0x08000000;

void putCell(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t b = 0; b < 4; ++b) {
        bytes[at + b] = static_cast<char>(value >> (8 * b));
    }
}

struct Revisions {
    std::filesystem::path folder;
    std::string oldPath, newPath, templatePath;

    Revisions() {
        folder =
            std::filesystem::temp_directory_path() / ("romquill-rebase-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder / "plugins" / "alphabets");
        rq::files::setApplicationFolder(folder.string());
        std::string table;
        for (int code = 0; code < 256; ++code) {
            table += rq::files::hexText(static_cast<std::uint64_t>(code), 2) + "=" +
                     static_cast<char>('a' + code % 26) + "\n";
        }
        rq::bench::writeFile(folder / "plugins" / "alphabets" / "b.tbl", table);

        std::mt19937 random(39);
        std::string old(kFileSize, '\0');
        for (std::size_t i = 0; i < old.size(); i += 4) {
            putCell(old, i, random());
        }
        std::string ini = "[TextFormattingSystem]\nNumberOfEntries=" + std::to_string(kFixed) + "\n0=b.tbl\n";
        for (int i = 0; i < kFixed; ++i) {
            ini += "[entry" + std::to_string(i + 1) + "]\nTextFormat=0\nLength=16\nHexLocation=" +
                   rq::files::hexText(0x200000 + static_cast<std::uint64_t>(i) * 3000) + "\n";
        }
        std::string moved = old.substr(0, kInsertAt) + std::string(kInserted, '\x5A') +
                            old.substr(kInsertAt, kFileSize - kInsertAt - kInserted);
        for (int t = 0; t < kTables; ++t) {
            const std::size_t table = kTablesAt + static_cast<std::size_t>(t) * 0x1000;
            ini += "[PointerTable" + std::to_string(t + 1) + "]\nOffset=" + rq::files::hexText(table) +
                   "\nCount=" + std::to_string(kCells) +
                   "\nFormat=le32\nBase=08000000\nLength=16\nTextFormat=0\n";
            for (int k = 0; k < kCells; ++k) {
                const std::size_t cell = table + static_cast<std::size_t>(k) * 4;
                putCell(old, cell, kGbaBase + static_cast<std::uint32_t>(stringOf(t, k)));
                putCell(moved, cell + kInserted,
                        kGbaBase + static_cast<std::uint32_t>(stringOf(t, k) + kInserted));
            }
        }
        oldPath = (folder / "old.bin").string();
        newPath = (folder / "new.bin").string();
        templatePath = (folder / "old.ini").string();
        rq::bench::writeFile(oldPath, old);
        rq::bench::writeFile(newPath, moved);
        rq::bench::writeFile(templatePath, ini);
    }
    ~Revisions() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

const Revisions& revisions() {
    static Revisions made;
    return made;
}

void BM_Baseline_ReadBoth(benchmark::State& state) {
    for (auto _ : state) {
        const auto oldFile = rq::search::readSearchedFile(revisions().oldPath);
        const auto newFile = rq::search::readSearchedFile(revisions().newPath);
        benchmark::DoNotOptimize(oldFile->data());
        benchmark::DoNotOptimize(newFile->data());
    }
}
BENCHMARK(BM_Baseline_ReadBoth)->Unit(benchmark::kMillisecond);

// What template rebase does: the template read, both files read, every entry looked for, the new text made.
void BM_Rebase(benchmark::State& state) {
    const auto& r = revisions();
    for (auto _ : state) {
        const auto gameTemplate = rq::templates::readGameTemplate(r.templatePath);
        const auto iniBytes = rq::files::readFileBytes(r.templatePath, rq::files::kIniFileLimit);
        const auto oldFile = rq::search::readSearchedFile(r.oldPath);
        const auto newFile = rq::search::readSearchedFile(r.newPath);
        if (!gameTemplate || !iniBytes || !oldFile || !newFile) {
            state.SkipWithError(!gameTemplate ? gameTemplate.error().c_str()
                                              : "the revisions cannot be read");
            return;
        }
        const auto rebase = rq::revisions::rebaseEntries(*gameTemplate, rq::files::IniFile::parse(*iniBytes),
                                                         *oldFile, *newFile);
        if (rebase.count(rq::revisions::Outcome::Moved) != kFixed + kTables * kCells) {
            state.SkipWithError("the moved strings were not all found");
            return;
        }
        const auto text = rq::revisions::rebasedTemplate(*iniBytes, *gameTemplate, rebase);
        benchmark::DoNotOptimize(text->data());
    }
}
BENCHMARK(BM_Rebase)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_ReadBoth", "reading both files",
                                 [] { (void)revisions(); });
}
