// The heavy paths of the template editor on the largest template it takes: 540 entries of 254 bytes with
// a 256-code alphabet. Each figure is reported beside the plain baseline of reading the same bytes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "editor/editor.h"
#include "editor/entrytexts.h"
#include "files/common.h"
#include "files/readwritetext.h"
#include "kit/dialogs.h"
#include "templates/gametemplate.h"

namespace {

constexpr int kEntries = 540;
constexpr int kLength = 254;

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A program folder with the template and alphabet, and a game file holding every entry's bytes.
struct Fixture {
    std::filesystem::path folder;
    std::string templatePath;
    std::string gamePath;

    Fixture() {
        folder = std::filesystem::temp_directory_path() / ("romquill-bench-" + std::to_string(::getpid()));
        const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        std::string alphabet = "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n";
        for (int code = 0; code < 256; ++code) {
            char key[3];
            std::snprintf(key, sizeof key, "%02X", code);
            alphabet += std::string(key) + "=" + letters[code % letters.size()] + "\n";
        }
        alphabet += "[save]\n";
        for (std::size_t i = 0; i < letters.size(); ++i) {
            char code[3];
            std::snprintf(code, sizeof code, "%02X", static_cast<unsigned>(i));
            const char ch = letters[i];
            alphabet +=
                (ch >= 'a' && ch <= 'z' ? std::string("_") + ch : std::string(1, ch)) + "=" + code + "\n";
        }
        writeFile(folder / "plugins/alphabets/bench.ini", alphabet);

        std::string tmpl =
            "[TextFormattingSystem]\nNumberOfEntries=" + std::to_string(kEntries) + "\nmain=bench.ini\n";
        for (int n = 1; n <= kEntries; ++n) {
            char offset[16];
            std::snprintf(offset, sizeof offset, "%X", 0x1000 + (n - 1) * kLength);
            tmpl += "[entry" + std::to_string(n) + "]\nTextFormat=main\nComment=Entry " + std::to_string(n) +
                    "\nLength=" + std::to_string(kLength) + "\nHexLocation=" + offset + "\n";
        }
        templatePath = (folder / "plugins/games/bench.ini").string();
        writeFile(templatePath, tmpl);

        std::mt19937 random(1);
        std::string game(0x1000 + kEntries * kLength, '\0');
        for (auto& byte : game) {
            byte = static_cast<char>(random() & 0xFF);
        }
        gamePath = (folder / "game.bin").string();
        writeFile(gamePath, game);
        rq::setApplicationFolder(folder.string());
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// What any reader of these texts must do at least: every entry's bytes, read once.
void BM_Baseline_ReadEntryBytes(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        for (int n = 0; n < kEntries; ++n) {
            benchmark::DoNotOptimize(rq::readRange(f.gamePath, 0x1000 + n * kLength, kLength, 0));
        }
    }
}
BENCHMARK(BM_Baseline_ReadEntryBytes)->Unit(benchmark::kMillisecond);

void BM_ReadTemplateAndDecode(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        const auto tmpl = rq::readGameTemplate(f.templatePath);
        benchmark::DoNotOptimize(rq::readEntryTexts(*tmpl, f.gamePath));
    }
}
BENCHMARK(BM_ReadTemplateAndDecode)->Unit(benchmark::kMillisecond);

void BM_EncodeAndCheck(benchmark::State& state) {
    const auto& f = fixture();
    const auto tmpl = rq::readGameTemplate(f.templatePath);
    const auto texts = rq::readEntryTexts(*tmpl, f.gamePath).texts;
    const auto edits = rq::changedEntries(*tmpl, {}, texts);
    for (auto _ : state) {
        const auto again = rq::readGameTemplate(f.templatePath);
        benchmark::DoNotOptimize(rq::planSave(*again, edits, texts.size()));
    }
}
BENCHMARK(BM_EncodeAndCheck)->Unit(benchmark::kMillisecond);

// Every entry written through the safe path: lock, undo file, writes and both flushes to disk.
void BM_SaveEveryEntry(benchmark::State& state) {
    const auto& f = fixture();
    const auto tmpl = rq::readGameTemplate(f.templatePath);
    const auto texts = rq::readEntryTexts(*tmpl, f.gamePath).texts;
    const auto edits = rq::changedEntries(*tmpl, {}, texts);
    for (auto _ : state) {
        const auto written = rq::writeEntryTexts(*tmpl, f.gamePath, texts.size(), edits);
        if (!written) {
            state.SkipWithError(written.error().c_str());
        }
    }
}
BENCHMARK(BM_SaveEveryEntry)->Unit(benchmark::kMillisecond);

class SilentDialogs final : public rq::Dialogs {
  public:
    Answer message(QWidget*, const QString&, const QString&, Icon, Buttons) override { return Answer::Ok; }
    std::optional<QString> openFile(QWidget*, const FileRequest&) override { return std::nullopt; }
};

void BM_OpenEditorWindow(benchmark::State& state) {
    const auto& f = fixture();
    SilentDialogs dialogs;
    const auto context = std::make_shared<rq::LauncherContext>(dialogs);
    context->state.loadedPath = f.gamePath;
    context->state.templatePath = f.templatePath;
    for (auto _ : state) {
        QWidget* editor = rq::createEditorWindow(context);
        editor->show();
        QApplication::processEvents();
        delete editor;
    }
}
BENCHMARK(BM_OpenEditorWindow)->Unit(benchmark::kMillisecond);

// Prints each benchmark's time as a multiple of the baseline's, after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.aggregate_name.empty() || run.aggregate_name == "mean") {
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto base = m_times.find("BM_Baseline_ReadEntryBytes");
        if (base == m_times.end() || base->second <= 0) {
            return;
        }
        GetOutputStream() << "\nTimes against the baseline (reading every entry's bytes once):\n";
        for (const auto& [name, time] : m_times) {
            GetOutputStream() << "  " << name << ": " << time / base->second << " x\n";
        }
    }

  private:
    std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
