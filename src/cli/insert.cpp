#include <istream>
#include <map>
#include <ostream>

#include "commands.h"
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
Result<TakenTexts<int>> readGivenTexts(const std::string& path, TextsFormat format,
                                       const TemplateAndTexts& opened, std::istream& in) {
    const auto input = readJsonInput(path, in);
    if (!input) {
        return input.failure();
    }
    const GameTemplate& gameTemplate = opened.gameTemplate;
    if (format == TextsFormat::Json) {
        auto texts = parseJsonTexts(input->bytes, input->name, static_cast<int>(gameTemplate.entries.size()));
        if (!texts) {
            return texts.failure();
        }
        return TakenTexts<int>{std::move(texts).value(), {}};
    }
    // Each row is checked as it is read, and every problem is listed.
    const TranslationReader read = [&](const TranslationSink& take) {
        return format == TextsFormat::Po
                   ? readPoTexts(input->bytes, input->name,
                                 poByteLimit(exportedEntries(gameTemplate, opened.texts)), take)
                   : readCsvTexts(input->bytes, input->name, take);
    };
    return takeTranslations(read, input->name, gameTemplate, opened.texts);
}

}  // namespace

int insertCommand(Arguments args, Streams io) {
    int status = kExitOk;
    const auto option = takeFormatOption("insert", args, io, status);
    if (!option) {
        return status;
    }
    // Entries the input leaves out keep what the editor would show for them.
    auto opened = readTemplateAndTexts("insert", option->rest, 2, io, status);
    if (!opened) {
        return status;
    }
    const auto& [arguments, gameTemplate, texts] = *opened;
    const std::string& gameFile = arguments.files[0];
    if (inputAtOutput(gameFile, {arguments.files[1]})) {
        say(io, "The texts cannot be read from \"" + arguments.files[1] +
                    "\": that is the file they are written into." + std::string(kNothingWritten));
        return kExitRefused;
    }
    if (inputAtOutput(gameFile, {arguments.templatePath})) {
        say(io, "The template cannot be \"" + arguments.templatePath +
                    "\": that is the file the texts are written into." + std::string(kNothingWritten));
        return kExitRefused;
    }
    const auto given = readGivenTexts(
        arguments.files[1], option->format.value_or(formatOfPath(arguments.files[1])), *opened, io.in);
    if (!given) {
        io.err << given.error() << kNothingWritten << '\n';
        return kExitRefused;
    }
    for (const std::string& warning : given->warnings) {
        io.err << "warning: " << warning << '\n';
    }
    // Only the entries whose given text differs from what the file holds now are written.
    std::vector<std::string> edited = texts;
    for (const auto& [number, text] : given->texts) {
        edited[static_cast<std::size_t>(number - 1)] = text;
    }
    const auto saved = saveEntryTexts(arguments.templatePath, gameFile, texts, edited);
    if (!saved) {
        say(io, saved.error());
        return kExitRefused;
    }
    io.out << "Writing complete! " << saved->size() << (saved->size() == 1 ? " entry" : " entries")
           << " written.\n";
    return kExitOk;
}

}  // namespace rq::cli
