#include <istream>
#include <map>
#include <ostream>

#include "editor/entrytexts.h"
#include "exchange/csvtexts.h"
#include "exchange/jsontexts.h"
#include "exchange/potexts.h"
#include "files/outputname.h"
#include "jsoninput.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

// The texts the input gives (the file, or standard input for "-"), by entry number; or why they cannot be
// taken, and the warnings about them. A translator's file (PO, CSV) gives only the texts that changed.
Result<exchange::TakenTexts<int>> readGivenTexts(const std::string& path, TextsFormat format,
                                                 const TemplateAndTexts& opened, std::istream& in) {
    const auto input = readJsonInput(path, in);
    if (!input) {
        return input.failure();
    }
    const templates::GameTemplate& gameTemplate = opened.gameTemplate;
    if (format == TextsFormat::Json) {
        auto texts = exchange::parseJsonTexts(input->bytes, input->name,
                                              static_cast<int>(gameTemplate.entries.size()));
        if (!texts) {
            return texts.failure();
        }
        return exchange::TakenTexts<int>{std::move(texts).value(), {}};
    }
    // Each row is checked as it is read, and every problem is listed.
    const exchange::TranslationReader read = [&](const exchange::TranslationSink& take) {
        return format == TextsFormat::Po
                   ? readPoTexts(input->bytes, input->name,
                                 exchange::poByteLimit(exchange::exportedEntries(
                                     gameTemplate, opened.texts, opened.rooms, opened.moving)),
                                 take)
                   : readCsvTexts(input->bytes, input->name, take);
    };
    return exchange::takeTranslations(read, input->name, gameTemplate, opened.texts, opened.rooms);
}

}  // namespace

int insertCommand(const Given& given, Console& console) {
    if (given.operands[0] == "-") {
        return refuseStandardInputInPlace(console);
    }
    // Entries the input leaves out keep what the editor would show for them.
    const auto opened = readTemplateAndTexts(given, console);
    if (!opened) {
        return kExitRefused;
    }
    const auto& [templatePath, gameFile, gameTemplate, texts, rooms, moving] = *opened;
    const std::string& textsFile = given.operands[1];
    if (files::inputAtOutput(gameFile, {textsFile})) {
        console.say("The texts cannot be read from \"" + textsFile +
                    "\": that is the file they are written into." + std::string(kNothingWritten));
        return kExitRefused;
    }
    if (files::inputAtOutput(gameFile, {templatePath})) {
        console.say("The template cannot be \"" + templatePath +
                    "\": that is the file the texts are written into." + std::string(kNothingWritten));
        return kExitRefused;
    }
    const auto taken = readGivenTexts(textsFile, textsFormat(given.format).value_or(formatOfPath(textsFile)),
                                      *opened, console.in());
    if (!taken) {
        console.say(taken.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    for (const std::string& warning : taken->warnings) {
        console.warn(warning);
    }
    // Only the entries whose given text differs from what the file holds now are written.
    std::vector<std::string> edited = texts;
    for (const auto& [number, text] : taken->texts) {
        edited[static_cast<std::size_t>(number - 1)] = text;
    }
    const auto saved = editor::saveEntryTexts(templatePath, gameFile, texts, edited, rooms);
    if (!saved) {
        console.say(gameFile, saved.error());
        return kExitRefused;
    }
    console.out() << "Writing complete! " << saved->size() << (saved->size() == 1 ? " entry" : " entries")
                  << " written.\n";
    return kExitOk;
}

}  // namespace rq::cli
