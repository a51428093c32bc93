#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "commands.h"
#include "exchange/csvtexts.h"
#include "exchange/potexts.h"
#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/common.h"
#include "jsoninput.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

using Json = nlohmann::ordered_json;

// A path need not be UTF-8; a stray byte must not cost the whole dump.
std::string jsonText(const Json& value, int indent) {
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

int dumpCommand(Arguments args, Streams io) {
    int status = kExitOk;
    const auto option = takeFormatOption("dump", args, io, status);
    if (!option) {
        return status;
    }
    const auto opened = readTemplateAndTexts("dump", option->rest, 1, io, status);
    if (!opened) {
        return status;
    }
    const GameTemplate& gameTemplate = opened->gameTemplate;
    if (option->format == TextsFormat::Csv) {
        writeCsvTexts(io.out, exportedEntries(gameTemplate, opened->texts));
        return kExitOk;
    }
    if (option->format == TextsFormat::Po) {
        const std::string project = pathText(fsPath(opened->arguments.templatePath).stem());
        if (const auto written = writePoTexts(io.out, exportedEntries(gameTemplate, opened->texts), project);
            !written) {
            say(io, written.error());
            return kExitRefused;
        }
        return kExitOk;
    }

    // Written entry by entry, laid out as the library lays out the whole document, so that no second copy of
    // every text is ever held. Keys stay in the order a reader expects; comments are code-page bytes turned
    // to UTF-8, texts UTF-8 already.
    io.out << "{\n  \"template\": " << jsonText(opened->arguments.templatePath, -1)
           << ",\n  \"file\": " << jsonText(opened->arguments.files.front(), -1) << ",\n  \"entries\": [";
    for (std::size_t i = 0; i < gameTemplate.entries.size() && io.out; ++i) {
        const TemplateEntry& entry = gameTemplate.entries[i];
        const std::string item = jsonText(Json{{"entry", entry.number},
                                               {"comment", bytesToUtf8(entry.comment)},
                                               {"offset", hexText(static_cast<std::uint64_t>(entry.offset))},
                                               {"length", entry.length},
                                               {"text", opened->texts[i]}},
                                          2);
        io.out << (i == 0 ? "\n    " : ",\n    ");
        // Strings are escaped, so every line break is the layout's own: each line sits two levels deeper.
        for (const char c : item) {
            io.out << c;
            if (c == '\n') {
                io.out << "    ";
            }
        }
    }
    io.out << (gameTemplate.entries.empty() ? "]" : "\n  ]") << "\n}\n";
    return kExitOk;
}

}  // namespace rq::cli
