// The translator's checks on a script of 10,000 pointer entries under a table with control codes, a third of
// them sharing their originals: the checks alone on texts already read, and the qa verb as a whole (reading
// the template, the file and a JSON translation of every entry), against dumping the same template.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "benchfixture.h"
#include "commands.h"
#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "files/asciitext.h"
#include "files/common.h"
#include "qa/checks.h"
#include "templates/gametemplate.h"

namespace {

constexpr int kStrings = 10000;
constexpr int kDistinct = 7000;  // string i reads as string i % kDistinct
constexpr std::uint64_t kStringsAt = 0x10000;
constexpr std::uint64_t kFreeAt = 0xA0000;
constexpr std::uint64_t kFileSize = 0xB0000;

// "HELLO <Name> THE<Color><$2A> KEY IS ABC." in bytes, a different word, parameter and name for each id.
std::string stringBytes(int id) {
    static const char* const kWords[] = {"HELLO", "THE", "KEY", "IS", "UNDER", "MAT", "GO", "NORTH"};
    std::string bytes = std::string(kWords[id % 8]) + " \xF0 " + kWords[(id / 8) % 8] + "\xF1" +
                        static_cast<char>(id % 256) + " " + kWords[(id / 64) % 8] + " ";
    for (int n = id, digit = 0; digit < 3; ++digit, n /= 26) {
        bytes += static_cast<char>('A' + n % 26);
    }
    return bytes + (id % 5 == 0 ? ".\xFE" : ".");
}

// A third kept, a third longer (they move to free space), a third without a control code and with a
// double space.
std::string translated(const std::string& text, int i) {
    if (i % 3 == 0) {
        return text;
    }
    if (i % 3 == 1) {
        return text + " OK";
    }
    std::string changed = text;
    if (const auto name = changed.find("<Name>"); name != std::string::npos) {
        changed.replace(name, 6, " ");
    }
    return changed;
}

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '\n'               ? std::string("\\n")
                  : c == '"' || c == '\\' ? std::string("\\") + c
                                          : std::string(1, c);
    }
    return quoted + "\"";
}

struct QaFixture {
    std::filesystem::path folder;
    std::string templatePath;
    std::string gamePath;
    std::string textsPath;

    QaFixture() {
        folder = std::filesystem::temp_directory_path() / ("romquill-qa-bench-" + std::to_string(::getpid()));
        std::string table = "20= \n2E=.\n/00\n$F0=<Name>,0\n$F1=<Color>,1\n*FE\n";
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            table += rq::files::hexText(static_cast<unsigned char>(letter), 2) + "=" + letter + "\n";
        }
        rq::bench::writeFile(folder / "plugins/alphabets/q.tbl", table);
        rq::bench::writeFile(folder / "plugins/games/q.ini",
                             "[TextFormattingSystem]\nNumberOfEntries=0\n0=q.tbl\n[Pointers]\nFormat=le32\n"
                             "[PointerTable1]\nOffset=0\nCount=" +
                                 std::to_string(kStrings) +
                                 "\nTextFormat=0\nComment=Line\n[FreeSpace]\nRanges=" +
                                 rq::files::hexText(kFreeAt) + "-" + rq::files::hexText(kFileSize) + "\n");
        std::string game(kFileSize, '\xFF');
        std::uint64_t at = kStringsAt;
        for (int i = 0; i < kStrings; ++i) {
            const std::string bytes = stringBytes(i % kDistinct) + '\0';
            for (int b = 0; b < 4; ++b) {
                game[static_cast<std::size_t>(i) * 4 + b] = static_cast<char>((at >> (8 * b)) & 0xFF);
            }
            game.replace(at, bytes.size(), bytes);
            at += bytes.size();
        }
        gamePath = (folder / "game.bin").string();
        rq::bench::writeFile(gamePath, game);
        rq::files::setApplicationFolder(folder.string());
        templatePath = rq::files::gameTemplatePath("q.ini");

        const auto gameTemplate = rq::templates::readGameTemplate(templatePath);
        const auto read = rq::editor::readEntryTexts(*gameTemplate, gamePath);
        std::string json = "{\"entries\": [";
        for (int i = 0; i < kStrings; ++i) {
            json += (i == 0 ? "\n" : ",\n") + std::string("{\"entry\": ") + std::to_string(i + 1) +
                    ", \"text\": " + jsonString(translated(read.texts[static_cast<std::size_t>(i)], i)) + "}";
        }
        textsPath = (folder / "texts.json").string();
        rq::bench::writeFile(textsPath, json + "\n]}\n");
    }
    ~QaFixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

QaFixture& fixture() {
    static QaFixture f;
    return f;
}

void runVerb(benchmark::State& state, const std::vector<std::string>& args, int expected) {
    for (auto _ : state) {
        std::ostringstream out, err;
        if (rq::cli::run(args, {out, err}) != expected) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        benchmark::DoNotOptimize(out.str());
    }
}

void BM_Baseline_Dump(benchmark::State& state) {
    runVerb(state, {"dump", "--template", fixture().templatePath, fixture().gamePath}, rq::cli::kExitOk);
}
BENCHMARK(BM_Baseline_Dump)->Unit(benchmark::kMillisecond);

void BM_CheckScript(benchmark::State& state) {
    const auto& f = fixture();
    const auto gameTemplate = rq::templates::readGameTemplate(f.templatePath);
    const auto read = rq::editor::readEntryTexts(*gameTemplate, f.gamePath);
    const auto moving = rq::editor::movingRooms(*gameTemplate, read.rooms, f.gamePath);
    std::vector<std::string> translations;
    for (std::size_t i = 0; i < read.texts.size(); ++i) {
        translations.push_back(translated(read.texts[i], static_cast<int>(i)));
    }
    std::size_t problems = 0;
    for (auto _ : state) {
        problems = rq::qa::checkScript({&*gameTemplate, read.texts, translations, read.rooms, moving}).size();
        benchmark::DoNotOptimize(problems);
    }
    state.counters["problems"] = static_cast<double>(problems);
}
BENCHMARK(BM_CheckScript)->Unit(benchmark::kMillisecond);

void BM_QaVerb(benchmark::State& state) {
    const auto& f = fixture();
    runVerb(state, {"qa", "--template", f.templatePath, f.gamePath, f.textsPath, "--json"},
            rq::cli::kExitRefused);
}
BENCHMARK(BM_QaVerb)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_Dump", "dumping the same template", fixture);
}
