// The script window on 10,000 entries read through a pointer table: opening it, and one key typed in the
// box of a row, against dumping the same template as JSON.
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "pointerfixture.h"
#include "script/scriptwindow.h"
#include "windowbench.h"

namespace {

constexpr int kEntries = 10000;

rq::bench::PointerFixture& fixture() {
    static rq::bench::PointerFixture f(kEntries);
    return f;
}

rq::kit::LauncherContextPtr launcher() {
    return rq::bench::launcherOn(fixture().gamePath, fixture().templatePath);
}

void BM_Baseline_Dump(benchmark::State& state) {
    rq::bench::dumpTemplate(state, fixture());
}
BENCHMARK(BM_Baseline_Dump)->Unit(benchmark::kMillisecond);

// Read, checked, shown and painted once.
void BM_OpenScriptWindow(benchmark::State& state) {
    rq::bench::openWindow(state, rq::script::createScriptWindow, launcher());
}
BENCHMARK(BM_OpenScriptWindow)->Unit(benchmark::kMillisecond);

// A key typed in the box of a row in the middle of the script, then taken back: each is an edit of the row,
// its counts and its marks.
void BM_TypeOneKey(benchmark::State& state) {
    auto* window = static_cast<rq::script::ScriptWindow*>(rq::script::createScriptWindow(launcher()));
    window->show();
    const int row = kEntries / 2;
    auto* view = window->findChild<QAbstractItemView*>(QStringLiteral("entries"));
    view->setCurrentIndex(view->model()->index(row, rq::script::ScriptModel::Translation));
    auto* box = window->findChild<QPlainTextEdit*>(QStringLiteral("translation"));
    box->moveCursor(QTextCursor::End);
    bool typed = false;
    for (auto _ : state) {
        if (typed) {
            box->textCursor().deletePreviousChar();
        } else {
            box->insertPlainText(QStringLiteral("K"));
        }
        typed = !typed;
    }
    delete window;
}
BENCHMARK(BM_TypeOneKey)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_Dump", "dumping the same template", fixture);
}
