#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <vector>

#include "cutscenes/cutscenerooms.h"
#include "exchange/jsontexts.h"
#include "files/outputname.h"
#include "files/readwritetext.h"
#include "jsoninput.h"
#include "verbs.h"

namespace rq::cli {
namespace {

using cutscenes::CutsceneTexts;
using Json = nlohmann::ordered_json;

// Every text as the editor shows it, or "ROM not found!" when any of them cannot be read.
std::optional<CutsceneTexts> readTexts(const std::string& path, Console& console) {
    auto read = cutscenes::readCutsceneTexts(path);
    if (read.readFailed) {
        console.say(path, files::kRomNotFound);
        return std::nullopt;
    }
    return read;
}

// The rooms the input gives texts for, by the table's order; a key that names no room is refused.
Result<std::vector<std::optional<std::string>>> givenRooms(const std::map<std::string, std::string>& given,
                                                           const std::string& name) {
    std::vector<std::optional<std::string>> after(cutscenes::rooms().size());
    for (const auto& [key, text] : given) {
        const auto room = cutscenes::findRoom(key);
        if (!room) {
            return Error{
                name + ": the key \"" + key + "\" names no cutscene text." + std::string(kNothingWritten),
                ErrorKind::Refusal};
        }
        after[*room] = text;
    }
    return after;
}

// The texts the input gives, by key, and the warnings about them; a translator's file (PO, CSV) gives only
// those that changed.
Result<exchange::TakenTexts<std::string>> givenTexts(const JsonInput& input, TextsFormat format,
                                                     const CutsceneTexts& current) {
    if (format == TextsFormat::Json) {
        auto texts = exchange::parseJsonKeyedTexts(input.bytes, input.name);
        if (!texts) {
            return texts.failure();
        }
        return exchange::TakenTexts<std::string>{std::move(texts).value(), {}};
    }
    const exchange::TranslationReader read = [&](const exchange::TranslationSink& take) {
        return readTranslatorsFile(
            format, input, [&] { return exchange::exportedRooms(current); }, take);
    };
    return exchange::takeRoomTranslations(read, input.name, current);
}

}  // namespace

int cutscenesDumpCommand(const Given& given, Console& console) {
    const auto path = console.input(given.operands[0]);
    if (!path) {
        console.say(path.error());
        return kExitRefused;
    }
    const auto read = readTexts(*path, console);
    if (!read) {
        return kExitRefused;
    }
    const auto format = textsFormat(given.format);
    if (format && format != TextsFormat::Json) {
        if (const auto written =
                writeTranslatorsFile(console.out(), *format, exchange::exportedRooms(*read), "cutscenes");
            !written) {
            console.say(written.error());
            return kExitRefused;
        }
        return kExitOk;
    }
    Json texts = Json::object();
    for (std::size_t i = 0; i < read->texts.size(); ++i) {
        if (read->texts[i]) {
            texts[cutscenes::roomKey(cutscenes::rooms()[i])] = *read->texts[i];
        }
    }
    const std::string_view edition = cutscenes::editionName(read->edition);
    const Json document = {{"edition", edition.empty() ? Json(nullptr) : Json(edition)},
                           {"texts", std::move(texts)}};
    console.out() << document.dump(2) << '\n';
    return kExitOk;
}

int cutscenesInsertCommand(const Given& given, Console& console) {
    const std::string& path = given.operands[0];
    const std::string& jsonPath = given.operands[1];
    if (path == "-") {
        return refuseStandardInputInPlace(console);
    }
    if (files::inputAtOutput(path, {jsonPath})) {
        console.say("The texts cannot be read from \"" + jsonPath +
                    "\": that is the file they are written into." + std::string(kNothingWritten));
        return kExitRefused;
    }
    const auto current = readTexts(path, console);
    if (!current) {
        return kExitRefused;
    }
    if (const auto fits = cutscenes::checkCutsceneFile(path); !fits && !given.force) {
        console.say(path, fits.error() + " To write it all the same, give --force.");
        return kExitRefused;
    }
    const auto json = readJsonInput(jsonPath, console.in());
    const auto taken =
        json ? givenTexts(*json, textsFormat(given.format).value_or(formatOfPath(jsonPath)), *current)
             : Result<exchange::TakenTexts<std::string>>(json.failure());
    if (!taken) {
        console.say(taken.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    for (const std::string& warning : taken->warnings) {
        console.warn(warning);
    }
    const auto after = givenRooms(taken->texts, json->name);
    if (!after) {
        console.say(after.error());
        return kExitRefused;
    }
    // A room left out or given as it shows keeps its bytes.
    const auto edits = cutscenes::changedRooms(current->texts, *after);
    if (const auto saved = cutscenes::saveCutsceneTexts(path, current->edition, edits); !saved) {
        console.say(path, saved.error());
        return kExitRefused;
    }
    console.out() << "Writing complete! " << edits.size() << (edits.size() == 1 ? " text" : " texts")
                  << " written.\n";
    return kExitOk;
}

}  // namespace rq::cli
