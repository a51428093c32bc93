// The heavy paths of the template editor on the largest template it takes: 540 entries of 254 bytes with
// a 256-code alphabet. Each figure is reported beside the plain baseline of reading the same bytes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>

#include "benchfixture.h"
#include "editor/editor.h"
#include "editor/entrytexts.h"
#include "files/readwritetext.h"
#include "files/safewrite.h"
#include "templates/gametemplate.h"
#include "windowbench.h"

namespace {

using rq::bench::fixture;
using rq::bench::kEntries;
using rq::bench::kLength;

// What any reader of these texts must do at least: every entry's bytes, read once.
void BM_Baseline_ReadEntryBytes(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        for (int n = 0; n < kEntries; ++n) {
            benchmark::DoNotOptimize(rq::files::readRange(f.gamePath, 0x1000 + n * kLength, kLength, 0));
        }
    }
}
BENCHMARK(BM_Baseline_ReadEntryBytes)->Unit(benchmark::kMillisecond);

void BM_ReadTemplateAndDecode(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        const auto tmpl = rq::templates::readGameTemplate(f.templatePath);
        benchmark::DoNotOptimize(rq::editor::readEntryTexts(*tmpl, f.gamePath));
    }
}
BENCHMARK(BM_ReadTemplateAndDecode)->Unit(benchmark::kMillisecond);

void BM_EncodeAndCheck(benchmark::State& state) {
    const auto& f = fixture();
    const auto tmpl = rq::templates::readGameTemplate(f.templatePath);
    const auto texts = rq::editor::readEntryTexts(*tmpl, f.gamePath).texts;
    const auto edits = rq::editor::changedEntries(*tmpl, {}, texts);
    for (auto _ : state) {
        const auto again = rq::templates::readGameTemplate(f.templatePath);
        benchmark::DoNotOptimize(rq::editor::planSave(*again, edits, texts.size()));
    }
}
BENCHMARK(BM_EncodeAndCheck)->Unit(benchmark::kMillisecond);

// Every entry written through the safe path: lock, undo file, writes and both flushes to disk.
void BM_SaveEveryEntry(benchmark::State& state) {
    const auto& f = fixture();
    const auto tmpl = rq::templates::readGameTemplate(f.templatePath);
    const auto texts = rq::editor::readEntryTexts(*tmpl, f.gamePath).texts;
    const auto edits = rq::editor::changedEntries(*tmpl, {}, texts);
    for (auto _ : state) {
        const auto written = rq::editor::writeEntryTexts(*tmpl, f.gamePath, texts.size(), edits);
        if (!written) {
            state.SkipWithError(written.error().c_str());
        }
    }
}
BENCHMARK(BM_SaveEveryEntry)->Unit(benchmark::kMillisecond);

// The same writes without the proof: what reading every entry back costs is the difference.
void BM_SaveEveryEntryUnproven(benchmark::State& state) {
    const auto& f = fixture();
    const auto tmpl = rq::templates::readGameTemplate(f.templatePath);
    const auto texts = rq::editor::readEntryTexts(*tmpl, f.gamePath).texts;
    const auto edits = rq::editor::changedEntries(*tmpl, {}, texts);
    for (auto _ : state) {
        const auto writes = rq::editor::planSave(*tmpl, edits, texts.size());
        const auto written = rq::files::writeRooms(
            f.gamePath, *writes, {rq::files::rangesOf(*writes), "the rooms", [] { return rq::success(); }});
        if (!written) {
            state.SkipWithError(written.error().c_str());
        }
    }
}
BENCHMARK(BM_SaveEveryEntryUnproven)->Unit(benchmark::kMillisecond);

void BM_OpenEditorWindow(benchmark::State& state) {
    const auto& f = fixture();
    rq::bench::openWindow(state, rq::editor::createEditorWindow,
                          rq::bench::launcherOn(f.gamePath, f.templatePath));
}
BENCHMARK(BM_OpenEditorWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_ReadEntryBytes",
                                 "reading every entry's bytes once");
}
