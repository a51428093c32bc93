// migrate: a translation carried to the template of another revision of its game.

#include <sstream>

#include "exchange/csvtexts.h"
#include "exchange/jsontexts.h"
#include "exchange/potexts.h"
#include "files/asciitext.h"
#include "files/common.h"
#include "revisions/migrate.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

// The old texts as rows, every one of them: fuzzy and obsolete ones too.
Result<std::vector<exchange::Translation>> readOldTexts(const std::string& path, TextsFormat format,
                                                        std::size_t poLimit, std::istream& in) {
    const auto input = readJsonInput(path, in);
    if (!input) {
        return input.failure();
    }
    if (format == TextsFormat::Json) {
        return exchange::parseJsonRows(input->bytes, input->name);
    }
    return exchange::collectTranslations([&](const exchange::TranslationSink& take) {
        return format == TextsFormat::Po ? exchange::readPoTexts(input->bytes, input->name, poLimit, take)
                                         : exchange::readCsvTexts(input->bytes, input->name, take);
    });
}

// The new texts are written as their name's extension says, or else as the old ones are.
TextsFormat outputFormat(const std::string& path, TextsFormat old) {
    const std::string lower = files::lowerAscii(path);
    const bool named = lower.ends_with(".po") || lower.ends_with(".csv") || lower.ends_with(".json") ||
                       lower.ends_with(".xlf") || lower.ends_with(".xliff");
    return named ? formatOfPath(path) : old;
}

std::string countsLine(const revisions::Migration& migration) {
    const revisions::MigrationCounts& counts = migration.counts;
    const std::size_t total = migration.entries.size();
    return std::to_string(total) + (total == 1 ? " entry: " : " entries: ") + std::to_string(counts.kept) +
           " kept, " + std::to_string(counts.fuzzy) + " fuzzy, " + std::to_string(counts.fresh) + " new; " +
           std::to_string(counts.obsolete) + " obsolete\n";
}

}  // namespace

int migrateCommand(const Given& given, Console& console) {
    const auto opened = readTemplateAndTexts(given, console);
    if (!opened) {
        return kExitRefused;
    }
    const std::string& oldPath = given.operands[1];
    const TextsFormat oldFormat = textsFormat(given.format).value_or(formatOfPath(oldPath));
    // An XLIFF file has no place for obsolete translations: carried through it, they would be lost.
    if (oldFormat == TextsFormat::Xliff || outputFormat(given.outFile, oldFormat) == TextsFormat::Xliff) {
        console.say(
            "migrate carries JSON, PO or CSV texts, not XLIFF: export the translation from the "
            "platform as PO or CSV and migrate that." +
            std::string(kNothingWritten));
        return kExitRefused;
    }
    auto entries =
        exchange::exportedEntries(opened->gameTemplate, opened->texts, opened->rooms, opened->moving);
    // The old file may hold the obsolete messages of earlier migrations besides its texts.
    const auto old = readOldTexts(oldPath, oldFormat, 2 * exchange::poByteLimit(entries), console.in());
    if (!old) {
        console.say(old.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    const auto migration = revisions::migrateTranslations(std::move(entries), *old, oldPath);
    if (!migration) {
        console.say(migration.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    std::ostringstream out;
    const TextsFormat format = outputFormat(given.outFile, oldFormat);
    if (format == TextsFormat::Json) {
        writeDumpJson(out, *opened, given.operands.front(), opened->texts, migration->entries,
                      migration->obsolete);
    } else if (format == TextsFormat::Csv) {
        exchange::writeCsvTexts(out, migration->entries, migration->obsolete);
    } else if (const auto written = exchange::writePoTexts(
                   out, migration->entries, files::pathText(files::fsPath(opened->templatePath).stem()),
                   migration->obsolete);
               !written) {
        console.say(written.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    if (!console.writeWhole(given.outFile, out.str())) {
        return kExitRefused;
    }
    // The counts go where the texts do not.
    (given.outFile == "-" ? console.err() : console.out()) << countsLine(*migration);
    return kExitOk;
}

}  // namespace rq::cli
