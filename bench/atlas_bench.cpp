// An inserter script of 5,000 texts, each longer than its string, inserted into a pointer table's strings
// (every one moves to free space with its cell rewritten), against inserting the same texts as JSON.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "pointerfixture.h"

namespace {

constexpr int kStrings = 5000;
constexpr std::string_view kText = "ABCDEFGHIJKLMNOP";

struct AtlasFixture {
    rq::bench::PointerFixture pointers{kStrings};
    std::string json = (pointers.folder / "texts.json").string();
    std::string script = (pointers.folder / "script.txt").string();

    AtlasFixture() {
        std::string entries;
        std::string lines =
            "#VAR(T, TABLE)\n#ADDTBL(\"p.tbl\", T)\n#ACTIVETBL(T)\n#VAR(P, CUSTOMPOINTER)\n"
            "#CREATEPTR(P, \"LINEAR\", 0, 32)\n#VAR(L, POINTERTABLE)\n#PTRTBL(L, 0, 4, P)\n";
        for (int i = 1; i <= kStrings; ++i) {
            entries += std::string(i == 1 ? "" : ",") + "{\"entry\": " + std::to_string(i) +
                       ", \"text\": \"" + std::string(kText) + "\"}";
            lines += "#WRITE(L)\n" + std::string(kText) + "<END>\n";
        }
        rq::bench::writeFile(json, "{\"entries\": [" + entries + "]}");
        rq::bench::writeFile(script, lines);
    }
};

AtlasFixture& fixture() {
    static AtlasFixture f;
    return f;
}

void insert(benchmark::State& state, std::vector<std::string> args) {
    const auto& f = fixture().pointers;
    args.insert(args.begin(), {"insert", "--template", f.templatePath});
    args.insert(args.end() - 1, f.gamePath);
    for (auto _ : state) {
        state.PauseTiming();
        rq::bench::writeFile(f.gamePath, f.pristine);
        state.ResumeTiming();
        std::ostringstream out, err;
        if (rq::cli::run(args, {out, err}) != rq::cli::kExitOk) {
            state.SkipWithError(err.str().c_str());
            return;
        }
    }
}

void BM_Baseline_JsonInsert(benchmark::State& state) {
    insert(state, {fixture().json});
}
BENCHMARK(BM_Baseline_JsonInsert)->Unit(benchmark::kMillisecond);

void BM_AtlasInsert(benchmark::State& state) {
    insert(state, {"--format", "atlas", fixture().script});
}
BENCHMARK(BM_AtlasInsert)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_JsonInsert", "inserting the same texts as JSON",
                                 fixture);
}
