// Reading and writing texts under a kanji-sized character table (7,000 entries: 1-byte letters, 2-byte
// kanji, DTE, a line break, a control code and an end token): 10,000 strings ended by the end token, each
// figure beside the plain baseline of finding the same strings' ends in their raw bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "benchfixture.h"
#include "files/asciitext.h"
#include "files/codepage.h"
#include "templates/table.h"

namespace {

constexpr int kStrings = 10000;
constexpr char kEnd = '\xFF';

struct Fixture {
    rq::templates::Table table;
    std::string bytes;                 // the strings one after another, each ended by FF
    std::vector<std::size_t> offsets;  // where each begins
    std::vector<std::string> texts;    // as decoded
};

std::string tableText() {
    std::string file = "/FF=[END]\n*FE\n$F8=<Color>,1\n20= \n";
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        file += rq::files::hexText(static_cast<unsigned char>(letter), 2) + "=" + letter + "\n";
        const char lower = static_cast<char>(letter + ('a' - 'A'));
        file += rq::files::hexText(static_cast<unsigned char>(lower), 2) + "=" + lower + "\n";
    }
    const char* dte[] = {"th", "he", "in", "er", "an", " the", "re", "on", "at", "en", "nd", "ti",
                         "es", "or", "te", "of", "ed", "is",   "it", "al", "ar", "st", "to", "nt"};
    for (std::size_t n = 0; n < std::size(dte); ++n) {
        file += rq::files::hexText(0x80 + n, 2) + "=" + dte[n] + "\n";
    }
    // 60 lead bytes of 115 codes each: 6,900 kanji from U+4E00 on.
    char32_t kanji = 0x4E00;
    for (unsigned lead = 0xA0; lead < 0xDC; ++lead) {
        for (unsigned trail = 0x40; trail < 0xB3; ++trail) {
            file += rq::files::hexText(lead * 256 + trail, 4) + "=" + rq::files::encodeUtf8(kanji++) + "\n";
        }
    }
    return file;
}

const Fixture& fixture() {
    static const Fixture f = [] {
        Fixture made{rq::templates::Table::parse(tableText()), {}, {}, {}};
        std::mt19937 random(7);
        for (int n = 0; n < kStrings; ++n) {
            made.offsets.push_back(made.bytes.size());
            const std::size_t length = 20 + random() % 41;
            for (std::size_t start = made.bytes.size(); made.bytes.size() - start < length;) {
                const auto pick = random() % 100;
                if (pick < 45) {
                    made.bytes.push_back(static_cast<char>(0xA0 + random() % 60));
                    made.bytes.push_back(static_cast<char>(0x40 + random() % 115));
                } else if (pick < 80) {
                    made.bytes.push_back(static_cast<char>('a' + random() % 26));
                } else if (pick < 95) {
                    made.bytes.push_back(static_cast<char>(0x80 + random() % 24));
                } else if (pick < 98) {
                    made.bytes.push_back('\xFE');
                } else {
                    made.bytes += "\xF8";
                    made.bytes.push_back(static_cast<char>(1 + random() % 15));
                }
            }
            made.bytes.push_back(kEnd);
        }
        for (const std::size_t offset : made.offsets) {
            made.texts.push_back(made.table.decode(std::string_view(made.bytes).substr(offset)).text);
        }
        return made;
    }();
    return f;
}

// What any reader of these strings must do at least: find each one's end and take its bytes.
void BM_Baseline_ReadRawStrings(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        for (const std::size_t offset : f.offsets) {
            const char* start = f.bytes.data() + offset;
            const auto* end = static_cast<const char*>(std::memchr(start, kEnd, f.bytes.size() - offset));
            benchmark::DoNotOptimize(std::string(start, end));
        }
    }
}
BENCHMARK(BM_Baseline_ReadRawStrings)->Unit(benchmark::kMillisecond);

void BM_DecodeStrings(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        for (const std::size_t offset : f.offsets) {
            benchmark::DoNotOptimize(f.table.decode(std::string_view(f.bytes).substr(offset)));
        }
    }
}
BENCHMARK(BM_DecodeStrings)->Unit(benchmark::kMillisecond);

// Each text back to its fewest bytes, read back and compared as every save does.
void BM_EncodeStrings(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        for (const std::string& text : f.texts) {
            const auto bytes = f.table.encode(text);
            if (!bytes) {
                state.SkipWithError(bytes.error().c_str());
                return;
            }
            benchmark::DoNotOptimize(bytes);
        }
    }
}
BENCHMARK(BM_EncodeStrings)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_ReadRawStrings",
                                 "finding the ends of the same raw strings", fixture);
}
