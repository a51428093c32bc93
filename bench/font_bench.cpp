// The translator's checks of 10,000 pointer entries with the game's font and a text box, every text measured
// in pixels, against the same checks without them: the qa verb as a whole, and the checks alone on texts
// already read.
#include <benchmark/benchmark.h>

#include "qafixture.h"

namespace {

using rq::bench::qaFixture;

void BM_Baseline_Qa(benchmark::State& state) {
    rq::bench::runQa(state, qaFixture().templatePath);
}
BENCHMARK(BM_Baseline_Qa)->Unit(benchmark::kMillisecond);

void BM_QaWithFont(benchmark::State& state) {
    rq::bench::runQa(state, qaFixture().fontTemplatePath);
}
BENCHMARK(BM_QaWithFont)->Unit(benchmark::kMillisecond);

void BM_CheckScript(benchmark::State& state) {
    rq::bench::runCheckScript(state, qaFixture().templatePath);
}
BENCHMARK(BM_CheckScript)->Unit(benchmark::kMillisecond);

void BM_CheckScriptWithFont(benchmark::State& state) {
    rq::bench::runCheckScript(state, qaFixture().fontTemplatePath);
}
BENCHMARK(BM_CheckScriptWithFont)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_Qa", "qa without a font", qaFixture);
}
