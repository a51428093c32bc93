// The translator's checks on a script of 10,000 pointer entries under a table with control codes, a third of
// them sharing their originals: the checks alone on texts already read, and the qa verb as a whole (reading
// the template, the file and a JSON translation of every entry), against dumping the same template.
#include <benchmark/benchmark.h>

#include "qafixture.h"

namespace {

using rq::bench::qaFixture;
using rq::bench::runVerb;

void BM_Baseline_Dump(benchmark::State& state) {
    runVerb(state, {"dump", "--template", qaFixture().templatePath, qaFixture().gamePath}, rq::cli::kExitOk);
}
BENCHMARK(BM_Baseline_Dump)->Unit(benchmark::kMillisecond);

void BM_CheckScript(benchmark::State& state) {
    rq::bench::runCheckScript(state, qaFixture().templatePath);
}
BENCHMARK(BM_CheckScript)->Unit(benchmark::kMillisecond);

void BM_QaVerb(benchmark::State& state) {
    rq::bench::runQa(state, qaFixture().templatePath);
}
BENCHMARK(BM_QaVerb)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_Dump", "dumping the same template", qaFixture);
}
