// A pointer table of 5,000 ended strings, every one made longer and saved: each moves to free space with its
// cell rewritten, all through the one safe write path and its proof, against dumping the same template.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "editor/entrytexts.h"
#include "pointerfixture.h"
#include "templates/gametemplate.h"

namespace {

constexpr int kStrings = 5000;

rq::bench::PointerFixture& fixture() {
    static rq::bench::PointerFixture f(kStrings);
    return f;
}

// The JSON dump as romquill-cli gives it, as the translators' formats are measured.
void BM_Baseline_Dump(benchmark::State& state) {
    rq::bench::dumpTemplate(state, fixture());
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
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_Dump", "dumping the same template", fixture);
}
