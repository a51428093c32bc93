// The translators' formats on the largest template: export (dump --format) and import (parse and check
// against the file's texts) of PO, CSV and XLIFF, each against the JSON dump of the same template in the same
// run.
#include <sstream>
#include <string>
#include <vector>

#include "benchfixture.h"
#include "commands.h"
#include "editor/entrytexts.h"
#include "exchange/csvtexts.h"
#include "exchange/jsontexts.h"
#include "exchange/potexts.h"
#include "exchange/xlifftexts.h"

namespace {

using rq::bench::fixture;

std::string dump(const std::string& format) {
    const auto& f = fixture();
    std::ostringstream out, err;
    const std::vector<std::string> args = {"dump",       "--format",     format,
                                           "--template", f.templatePath, f.gamePath};
    if (rq::cli::run(args, {out, err}) != rq::cli::kExitOk) {
        return {};
    }
    return out.str();
}

void exportAs(benchmark::State& state, const std::string& format) {
    for (auto _ : state) {
        const std::string text = dump(format);
        if (text.empty()) {
            state.SkipWithError("dump failed");
        }
        benchmark::DoNotOptimize(text);
    }
}

void BM_Baseline_JsonDump(benchmark::State& state) {
    exportAs(state, "json");
}
BENCHMARK(BM_Baseline_JsonDump)->Unit(benchmark::kMillisecond);

void BM_PoExport(benchmark::State& state) {
    exportAs(state, "po");
}
BENCHMARK(BM_PoExport)->Unit(benchmark::kMillisecond);

void BM_CsvExport(benchmark::State& state) {
    exportAs(state, "csv");
}
BENCHMARK(BM_CsvExport)->Unit(benchmark::kMillisecond);

void BM_XliffExport(benchmark::State& state) {
    exportAs(state, "xliff");
}
BENCHMARK(BM_XliffExport)->Unit(benchmark::kMillisecond);

// The import as insert does it: the template and the file's texts read, the input parsed and checked.
template <class Parse>
void importAs(benchmark::State& state, const std::string& format, Parse parse) {
    const auto& f = fixture();
    const std::string input = dump(format);
    for (auto _ : state) {
        const auto tmpl = rq::templates::readGameTemplate(f.templatePath);
        const auto texts = rq::editor::readEntryTexts(*tmpl, f.gamePath).texts;
        const auto given = parse(input, *tmpl, texts);
        if (!given) {
            state.SkipWithError(given.error().c_str());
        }
        benchmark::DoNotOptimize(given);
    }
}

void BM_JsonImport(benchmark::State& state) {
    importAs(state, "json",
             [](const std::string& json, const rq::templates::GameTemplate& tmpl, const auto&) {
                 return rq::exchange::parseJsonTexts(json, "bench", static_cast<int>(tmpl.entries.size()));
             });
}
BENCHMARK(BM_JsonImport)->Unit(benchmark::kMillisecond);

// The translations read and checked row by row, as insert reads them.
template <class Read>
auto translations(Read read) {
    return [read](const std::string& input, const rq::templates::GameTemplate& tmpl,
                  const std::vector<std::string>& texts) -> rq::Result<rq::exchange::TakenTexts<int>> {
        const rq::exchange::TranslationReader reader = [&](const rq::exchange::TranslationSink& take) {
            return read(input, tmpl, texts, take);
        };
        return rq::exchange::takeTranslations(reader, "bench", tmpl, texts);
    };
}

void BM_PoImport(benchmark::State& state) {
    importAs(
        state, "po",
        translations([](const std::string& po, const rq::templates::GameTemplate& tmpl,
                        const std::vector<std::string>& texts, const rq::exchange::TranslationSink& take) {
            return rq::exchange::readPoTexts(
                po, "bench", rq::exchange::poByteLimit(rq::exchange::exportedEntries(tmpl, texts)), take);
        }));
}
BENCHMARK(BM_PoImport)->Unit(benchmark::kMillisecond);

const auto kCsvReader = [](const std::string& csv, const rq::templates::GameTemplate&,
                           const std::vector<std::string>&, const rq::exchange::TranslationSink& take) {
    return rq::exchange::readCsvTexts(csv, "bench", take);
};

void BM_CsvImport(benchmark::State& state) {
    importAs(state, "csv", translations(kCsvReader));
}
BENCHMARK(BM_CsvImport)->Unit(benchmark::kMillisecond);

void BM_XliffImport(benchmark::State& state) {
    importAs(
        state, "xliff",
        translations([](const std::string& xml, const rq::templates::GameTemplate& tmpl,
                        const std::vector<std::string>& texts, const rq::exchange::TranslationSink& take) {
            return rq::exchange::readXliffTexts(
                xml, "bench", rq::exchange::xliffByteLimit(rq::exchange::exportedEntries(tmpl, texts)), take);
        }));
}
BENCHMARK(BM_XliffImport)->Unit(benchmark::kMillisecond);

// The same file with 16 MiB of empty rows after it, as a spreadsheet may leave them: read as they come, in
// the memory of one row.
void BM_CsvImportWithEmptyRows(benchmark::State& state) {
    const auto& f = fixture();
    const std::string row = ",,,,,,\r\n";
    std::string input = dump("csv");
    for (std::size_t k = 0; k < (std::size_t{16} << 20) / row.size(); ++k) {
        input += row;
    }
    const auto tmpl = rq::templates::readGameTemplate(f.templatePath);
    const auto texts = rq::editor::readEntryTexts(*tmpl, f.gamePath).texts;
    for (auto _ : state) {
        const auto given = translations(kCsvReader)(input, *tmpl, texts);
        if (!given) {
            state.SkipWithError(given.error().c_str());
        }
        benchmark::DoNotOptimize(given);
    }
}
BENCHMARK(BM_CsvImportWithEmptyRows)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_JsonDump", "the JSON dump of the same template");
}
