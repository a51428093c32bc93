#include <istream>
#include <map>
#include <ostream>

#include "editor/entrytexts.h"
#include "exchange/atlaslayout.h"
#include "files/outputname.h"
#include "jsoninput.h"
#include "templateverbs.h"

namespace rq::cli {

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
    const TextsFormat format = textsFormat(given.format).value_or(formatOfPath(textsFile));
    if (!given.layout.empty()) {
        if (format != TextsFormat::Atlas) {
            console.say(
                "--layout atlas places an inserter script: TEXTS is read as one with --format atlas." +
                std::string(kNothingWritten));
            return kExitRefused;
        }
        const auto plan = planScriptLayout(gameFile, textsFile, console, kNothingWritten);
        if (!plan) {
            return kExitRefused;
        }
        if (const auto locked = exchange::refuseLockedWrites(*plan, gameTemplate, rooms, gameFile,
                                                             textsFile == "-" ? "standard input" : textsFile);
            !locked) {
            console.say(locked.error() + std::string(kNothingWritten));
            return kExitRefused;
        }
        if (const auto written = exchange::writeAtlasLayout(gameFile, *plan); !written) {
            console.say(gameFile, written.error());
            return kExitRefused;
        }
        console.out() << "Writing complete! " << plan->strings
                      << (plan->strings == 1 ? " string" : " strings") << " and " << plan->pointers
                      << (plan->pointers == 1 ? " pointer" : " pointers") << " written.\n";
        return kExitOk;
    }
    // A script's #JMP rooms are free space for its own texts.
    const auto taken = readTextsAndRooms(textsFile, format, *opened, console.in());
    if (!taken) {
        console.say(taken.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    for (const std::string& warning : taken->taken.warnings) {
        console.warn(warning);
    }
    // Only the entries whose given text differs from what the file holds now are written.
    const std::vector<std::string> edited = withGivenTexts(texts, taken->taken.texts);
    const auto saved = editor::saveEntryTexts(templatePath, gameFile, texts, edited, rooms, taken->rooms);
    if (!saved) {
        console.say(gameFile, saved.error());
        return kExitRefused;
    }
    console.out() << "Writing complete! " << saved->size() << (saved->size() == 1 ? " entry" : " entries")
                  << " written.\n";
    return kExitOk;
}

}  // namespace rq::cli
