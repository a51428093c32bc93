// migrate of 10,000 entries read through a pointer table, from a translated PO file of an older revision,
// against dumping the same template as PO: every translation kept, and every original changed a little
// (each compared by the character diff, fuzzy).
#include <sstream>
#include <string>
#include <vector>

#include "pointerfixture.h"

namespace {

constexpr int kEntries = 10000;

rq::bench::PointerFixture& fixture() {
    static rq::bench::PointerFixture f(kEntries);
    return f;
}

std::string poDump() {
    const auto& f = fixture();
    std::ostringstream out, err;
    const std::vector<std::string> args = {"dump",       "--format",     "po",
                                           "--template", f.templatePath, f.gamePath};
    return rq::cli::run(args, {out, err}) == rq::cli::kExitOk ? out.str() : std::string();
}

std::string replacedAll(const std::string& text, const std::string& from, const std::string& to) {
    std::string replaced;
    std::size_t done = 0;
    for (auto at = text.find(from); at != std::string::npos;
         done = at + from.size(), at = text.find(from, done)) {
        replaced.append(text, done, at - done).append(to);
    }
    return replaced.append(text, done);
}

void BM_Baseline_PoDump(benchmark::State& state) {
    for (auto _ : state) {
        const std::string po = poDump();
        if (po.empty()) {
            state.SkipWithError("dump failed");
        }
        benchmark::DoNotOptimize(po);
    }
}
BENCHMARK(BM_Baseline_PoDump)->Unit(benchmark::kMillisecond);

// The old texts: the dump translated, its originals as given.
void migrate(benchmark::State& state, const std::string& original) {
    const auto& f = fixture();
    const std::string old = (f.folder / "old.po").string();
    const std::string carried = (f.folder / "new.po").string();
    rq::bench::writeFile(old,
                         replacedAll(replacedAll(poDump(), "msgstr \"\"\n\n", "msgstr \"KLMNOPQRST\"\n\n"),
                                     "msgid \"ABCDEFGHIJ\"", "msgid \"" + original + "\""));
    const std::vector<std::string> args = {"migrate", "--template", f.templatePath, f.gamePath,
                                           old,       "-o",         carried,        "--force"};
    for (auto _ : state) {
        std::ostringstream out, err;
        if (rq::cli::run(args, {out, err}) != rq::cli::kExitOk) {
            state.SkipWithError(err.str().c_str());
            return;
        }
    }
}

void BM_MigrateAllKept(benchmark::State& state) {
    migrate(state, "ABCDEFGHIJ");
}
BENCHMARK(BM_MigrateAllKept)->Unit(benchmark::kMillisecond);

void BM_MigrateAllChanged(benchmark::State& state) {
    migrate(state, "ABCDEFGHIJKL");
}
BENCHMARK(BM_MigrateAllChanged)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_PoDump", "dumping the same template as PO",
                                 fixture);
}
