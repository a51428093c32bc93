#pragma once

// A pointer table of ended strings in a program folder of its own, and the JSON dump of its template as
// romquill-cli gives it: the baseline the benchmarks of whole scripts are measured against.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "benchfixture.h"
#include "commands.h"
#include "files/asciitext.h"
#include "files/common.h"

namespace rq::bench {

// count cells (le32) from 0, each reaching a string "ABCDEFGHIJ" ended by 00 from 0x10000; free space (FF)
// after the strings, twice as large as they are and more.
struct PointerFixture {
    static constexpr std::uint64_t kStringsAt = 0x10000;

    std::filesystem::path folder;
    std::string templatePath;
    std::string gamePath;
    std::string pristine;  // the game file before any save

    explicit PointerFixture(int count) {
        const auto blocks = [](std::uint64_t size) { return (size + 0xFFFF) & ~std::uint64_t{0xFFFF}; };
        const std::uint64_t freeAt = kStringsAt + blocks(static_cast<std::uint64_t>(count) * 11);
        const std::uint64_t fileSize = freeAt + blocks(static_cast<std::uint64_t>(count) * 26);
        folder =
            std::filesystem::temp_directory_path() / ("romquill-pointer-bench-" + std::to_string(::getpid()));
        std::string table;
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            table += files::hexText(static_cast<unsigned char>(letter), 2) + "=" + letter + "\n";
        }
        writeFile(folder / "plugins/alphabets/p.tbl", table + "/00=<END>\n");
        writeFile(folder / "plugins/games/p.ini",
                  "[TextFormattingSystem]\nNumberOfEntries=0\n0=p.tbl\n[Pointers]\nFormat=le32\n"
                  "[PointerTable1]\nOffset=0\nCount=" +
                      std::to_string(count) + "\nTextFormat=0\nComment=Line\n[FreeSpace]\nRanges=" +
                      files::hexText(freeAt) + "-" + files::hexText(fileSize) + "\n");
        pristine.assign(fileSize, '\xFF');
        for (int i = 0; i < count; ++i) {
            const std::uint64_t at = kStringsAt + static_cast<std::uint64_t>(i) * 11;
            for (int b = 0; b < 4; ++b) {
                pristine[static_cast<std::size_t>(i) * 4 + b] = static_cast<char>((at >> (8 * b)) & 0xFF);
            }
            pristine.replace(at, 11, std::string("ABCDEFGHIJ") + '\0');
        }
        gamePath = (folder / "game.bin").string();
        writeFile(gamePath, pristine);
        files::setApplicationFolder(folder.string());
        templatePath = files::gameTemplatePath("p.ini");
    }
    ~PointerFixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

// The JSON dump of the fixture's template, as romquill-cli gives it.
inline void dumpTemplate(benchmark::State& state, const PointerFixture& f) {
    const std::vector<std::string> args = {"dump", "--template", f.templatePath, f.gamePath};
    for (auto _ : state) {
        std::ostringstream out, err;
        if (cli::run(args, {out, err}) != cli::kExitOk) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        benchmark::DoNotOptimize(out.str());
    }
}

}  // namespace rq::bench
