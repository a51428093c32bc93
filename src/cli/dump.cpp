#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "exchange/atlaswriter.h"
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

void writeDumpJson(std::ostream& out, const TemplateAndTexts& opened, const std::string& fileName,
                   std::span<const std::string> texts) {
    const templates::GameTemplate& gameTemplate = opened.gameTemplate;
    // Written entry by entry, laid out as the library lays out the whole document, so that no second copy of
    // every text is ever held. Keys stay in the order a reader expects; comments are code-page bytes turned
    // to UTF-8, texts UTF-8 already.
    out << "{\n  \"template\": " << jsonText(opened.templatePath, -1)
        << ",\n  \"file\": " << jsonText(fileName, -1) << ",\n  \"entries\": [";
    for (std::size_t i = 0; i < gameTemplate.entries.size() && out; ++i) {
        const templates::TemplateEntry& entry = gameTemplate.entries[i];
        Json item{{"entry", entry.number},
                  {"comment", files::bytesToUtf8(entry.comment)},
                  {"offset", files::hexText(opened.rooms[i].offset)},
                  {"length", opened.rooms[i].size},
                  {"text", texts[i]}};
        if (!entry.cells.empty()) {
            // A pointer entry's string lies where its cells point: they are listed after its offset.
            Json cells = Json::array();
            for (const std::uint32_t cell : entry.cells) {
                cells.push_back(files::hexText(cell));
            }
            item.erase("text");
            item["cells"] = std::move(cells);
            item["text"] = texts[i];
        }
        const std::string itemText = jsonText(item, 2);
        out << (i == 0 ? "\n    " : ",\n    ");
        // Strings are escaped, so every line break is the layout's own: each line sits two levels deeper.
        std::string indented;
        indented.reserve(itemText.size() + itemText.size() / 8);
        for (const char c : itemText) {
            indented += c;
            if (c == '\n') {
                indented += "    ";
            }
        }
        out << indented;
    }
    out << (gameTemplate.entries.empty() ? "]" : "\n  ]") << "\n}\n";
}

int dumpCommand(const Given& given, Console& console) {
    const auto opened = readTemplateAndTexts(given, console);
    if (!opened) {
        return kExitRefused;
    }
    std::ostream& out = console.out();
    const templates::GameTemplate& gameTemplate = opened->gameTemplate;
    const TextsFormat format = textsFormat(given.format).value_or(TextsFormat::Json);
    if (format == TextsFormat::Csv || format == TextsFormat::Po || format == TextsFormat::Xliff) {
        const std::string project = files::pathText(files::fsPath(opened->templatePath).stem());
        if (const auto written = writeTranslatorsFile(
                out, format,
                exchange::exportedEntries(gameTemplate, opened->texts, opened->rooms, opened->moving),
                project);
            !written) {
            console.say(written.error());
            return kExitRefused;
        }
        return kExitOk;
    }
    if (format == TextsFormat::Atlas) {
        const auto written = exchange::writeAtlasScript(out, gameTemplate, opened->texts, opened->rooms);
        if (!written) {
            console.say(written.error());
            return kExitRefused;
        }
        for (const std::string& notice : *written) {
            console.warn(notice);
        }
        return kExitOk;
    }

    writeDumpJson(out, *opened, given.operands.front(), opened->texts);
    return kExitOk;
}

}  // namespace rq::cli
