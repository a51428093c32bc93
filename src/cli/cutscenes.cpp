#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <vector>

#include "commands.h"
#include "cutscenes/cutscenerooms.h"
#include "exchange/csvtexts.h"
#include "exchange/jsontexts.h"
#include "exchange/potexts.h"
#include "files/outputname.h"
#include "files/readwritetext.h"
#include "jsoninput.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

using cutscenes::CutsceneTexts;
using Json = nlohmann::ordered_json;

// Every text as the editor shows it, or "ROM not found!" when any of them cannot be read.
std::optional<CutsceneTexts> readTexts(const std::string& path, Streams io) {
    auto read = cutscenes::readCutsceneTexts(path);
    if (read.readFailed) {
        say(io, kRomNotFound);
        return std::nullopt;
    }
    return read;
}

int dump(const std::string& path, std::optional<TextsFormat> format, Streams io) {
    const auto read = readTexts(path, io);
    if (!read) {
        return kExitRefused;
    }
    if (format == TextsFormat::Csv) {
        writeCsvTexts(io.out, exportedRooms(*read));
        return kExitOk;
    }
    if (format == TextsFormat::Po) {
        if (const auto written = writePoTexts(io.out, exportedRooms(*read), "cutscenes"); !written) {
            say(io, written.error());
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
    io.out << document.dump(2) << '\n';
    return kExitOk;
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
Result<TakenTexts<std::string>> givenTexts(const JsonInput& input, TextsFormat format,
                                           const CutsceneTexts& current) {
    if (format == TextsFormat::Json) {
        auto texts = parseJsonKeyedTexts(input.bytes, input.name);
        if (!texts) {
            return texts.failure();
        }
        return TakenTexts<std::string>{std::move(texts).value(), {}};
    }
    const TranslationReader read = [&](const TranslationSink& take) {
        return format == TextsFormat::Po
                   ? readPoTexts(input.bytes, input.name, poByteLimit(exportedRooms(current)), take)
                   : readCsvTexts(input.bytes, input.name, take);
    };
    return takeRoomTranslations(read, input.name, current);
}

int insert(const std::string& path, const std::string& jsonPath, std::optional<TextsFormat> format,
           bool force, Streams io) {
    if (inputAtOutput(path, {jsonPath})) {
        say(io, "The texts cannot be read from \"" + jsonPath +
                    "\": that is the file they are written into." + std::string(kNothingWritten));
        return kExitRefused;
    }
    const auto current = readTexts(path, io);
    if (!current) {
        return kExitRefused;
    }
    if (const auto fits = cutscenes::checkCutsceneFile(path); !fits && !force) {
        say(io, fits.error() + " To write it all the same, give --force.");
        return kExitRefused;
    }
    const auto json = readJsonInput(jsonPath, io.in);
    const auto given = json ? givenTexts(*json, format.value_or(formatOfPath(jsonPath)), *current)
                            : Result<TakenTexts<std::string>>(json.failure());
    if (!given) {
        say(io, given.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    for (const std::string& warning : given->warnings) {
        say(io, "warning: " + warning);
    }
    const auto after = givenRooms(given->texts, json->name);
    if (!after) {
        say(io, after.error());
        return kExitRefused;
    }
    // A room left out or given as it shows keeps its bytes.
    const auto edits = cutscenes::changedRooms(current->texts, *after);
    if (const auto saved = cutscenes::saveCutsceneTexts(path, current->edition, edits); !saved) {
        say(io, saved.error());
        return kExitRefused;
    }
    io.out << "Writing complete! " << edits.size() << (edits.size() == 1 ? " text" : " texts")
           << " written.\n";
    return kExitOk;
}

}  // namespace

int cutscenesCommand(Arguments allArgs, Streams io) {
    int status = kExitOk;
    const auto formatOption = takeFormatOption("cutscenes", allArgs, io, status);
    if (!formatOption) {
        return status;
    }
    std::vector<std::string> args = formatOption->rest;
    const auto forced = std::find(args.begin(), args.end(), "--force");
    const bool force = forced != args.end();
    if (force) {
        args.erase(forced);
    }
    const bool dumping = args.size() == 2 && args[0] == "dump" && !force;
    const bool inserting = args.size() == 3 && args[0] == "insert";
    // "-" is standard input; any other option is a mistake, not a file name.
    const bool option = std::any_of(args.begin(), args.end(),
                                    [](const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; });
    if ((!dumping && !inserting) || option) {
        printVerbUsage("cutscenes", io.err);
        return kExitUsage;
    }
    return dumping ? dump(args[1], formatOption->format, io)
                   : insert(args[1], args[2], formatOption->format, force, io);
}

}  // namespace rq::cli
