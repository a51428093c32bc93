#pragma once

// What the benchmarks share: the largest template the editor takes, 540 entries of 254 bytes with a
// 256-code alphabet, in a program folder of its own; and a reporter of times as ratios to a baseline.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "files/common.h"

namespace rq::bench {

constexpr int kEntries = 540;
constexpr int kLength = 254;

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
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
        rq::files::setApplicationFolder(folder.string());
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

inline Fixture& fixture() {
    static Fixture f;
    return f;
}

// Prints each benchmark's time as a multiple of the baseline's, after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter(std::string baseline, std::string what)
        : m_baseline(std::move(baseline)), m_what(std::move(what)) {}

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
        const auto base = m_times.find(m_baseline);
        if (base == m_times.end() || base->second <= 0) {
            return;
        }
        GetOutputStream() << "\nTimes against the baseline (" << m_what << "):\n";
        for (const auto& [name, time] : m_times) {
            GetOutputStream() << "  " << name << ": " << time / base->second << " x\n";
        }
    }

  private:
    std::string m_baseline;
    std::string m_what;
    std::map<std::string, double> m_times;
};

// A benchmark program's main: its options, then prepare (what must exist before any clock runs), then every
// benchmark, with the times also as multiples of the baseline's.
inline int runAgainst(int argc, char** argv, std::string baseline, std::string what,
                      const std::function<void()>& prepare = {}) {
    benchmark::Initialize(&argc, argv);
    if (prepare) {
        prepare();
    }
    RatioReporter reporter(std::move(baseline), std::move(what));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace rq::bench
