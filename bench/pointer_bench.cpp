// A pointer table of 5,000 ended strings, every one made longer and saved: each moves to free space with its
// cell rewritten, all through the one safe write path and its proof, against dumping the same template.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "benchfixture.h"
#include "commands.h"
#include "editor/entrytexts.h"
#include "files/asciitext.h"
#include "files/common.h"
#include "templates/gametemplate.h"

namespace {

constexpr int kStrings = 5000;
constexpr std::uint64_t kStringsAt = 0x10000;
constexpr std::uint64_t kFreeAt = 0x20000;
constexpr std::uint64_t kFileSize = 0x40000;

struct PointerFixture {
    std::filesystem::path folder;
    std::string templatePath;
    std::string gamePath;
    std::string pristine;  // the game file before any save

    PointerFixture() {
        folder =
            std::filesystem::temp_directory_path() / ("romquill-pointer-bench-" + std::to_string(::getpid()));
        std::string table;
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            table += rq::files::hexText(static_cast<unsigned char>(letter), 2) + "=" + letter + "\n";
        }
        rq::bench::writeFile(folder / "plugins/alphabets/p.tbl", table + "/00\n");
        rq::bench::writeFile(folder / "plugins/games/p.ini",
                             "[TextFormattingSystem]\nNumberOfEntries=0\n0=p.tbl\n[Pointers]\nFormat=le32\n"
                             "[PointerTable1]\nOffset=0\nCount=" +
                                 std::to_string(kStrings) +
                                 "\nTextFormat=0\nComment=Line\n[FreeSpace]\nRanges=" +
                                 rq::files::hexText(kFreeAt) + "-" + rq::files::hexText(kFileSize) + "\n");
        pristine.assign(kFileSize, '\xFF');
        for (int i = 0; i < kStrings; ++i) {
            const std::uint64_t at = kStringsAt + static_cast<std::uint64_t>(i) * 11;
            for (int b = 0; b < 4; ++b) {
                pristine[static_cast<std::size_t>(i) * 4 + b] = static_cast<char>((at >> (8 * b)) & 0xFF);
            }
            pristine.replace(at, 11, std::string("ABCDEFGHIJ") + '\0');
        }
        gamePath = (folder / "game.bin").string();
        rq::bench::writeFile(gamePath, pristine);
        rq::files::setApplicationFolder(folder.string());
        templatePath = rq::files::gameTemplatePath("p.ini");
    }
    ~PointerFixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

PointerFixture& fixture() {
    static PointerFixture f;
    return f;
}

// The JSON dump as romquill-cli gives it, as the translators' formats are measured.
void BM_Baseline_Dump(benchmark::State& state) {
    const auto& f = fixture();
    const std::vector<std::string> args = {"dump", "--template", f.templatePath, f.gamePath};
    for (auto _ : state) {
        std::ostringstream out, err;
        if (rq::cli::run(args, {out, err}) != rq::cli::kExitOk) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        benchmark::DoNotOptimize(out.str());
    }
}
BENCHMARK(BM_Baseline_Dump)->Unit(benchmark::kMillisecond);

void BM_SaveEveryStringLonger(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        rq::bench::writeFile(f.gamePath, f.pristine);
        state.ResumeTiming();
        const auto gameTemplate = rq::templates::readGameTemplate(f.templatePath);
        const auto read = rq::editor::readEntryTexts(*gameTemplate, f.gamePath);
        const std::vector<std::string> longer(read.texts.size(), "ABCDEFGHIJKLMNOP");
        const auto edits = rq::editor::changedEntries(*gameTemplate, read.texts, longer, read.rooms);
        if (const auto saved =
                rq::editor::writeEntryTexts(*gameTemplate, f.gamePath, read.texts.size(), edits, read.rooms);
            !saved) {
            state.SkipWithError(saved.error().c_str());
            return;
        }
    }
}
BENCHMARK(BM_SaveEveryStringLonger)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    fixture();  // made before the clock runs
    rq::bench::RatioReporter reporter("BM_Baseline_Dump", "dumping the same template");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
