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

// An item's lines, each two levels deeper, after the item before it. Strings are escaped, so every line break
// is the layout's own.
void writeItem(std::ostream& out, const Json& item, bool first) {
    const std::string itemText = jsonText(item, 2);
    out << (first ? "\n    " : ",\n    ");
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

// What a migration says of a translation beside its text.
void addCarried(Json& item, const exchange::ExportedEntry& carried) {
    item["original"] = carried.original;
    if (!carried.previous.empty()) {
        item["previous"] = carried.previous;
    }
    if (carried.fuzzy) {
        item["fuzzy"] = true;
    }
}

void writeObsolete(std::ostream& out, std::span<const exchange::ExportedEntry> obsolete) {
    out << ",\n  \"obsolete\": [";
    for (std::size_t i = 0; i < obsolete.size() && out; ++i) {
        Json item = Json::object();
        const std::string& key = obsolete[i].key;
        if (!key.empty() && key.find_first_not_of("0123456789") == std::string::npos && key.size() < 10) {
            item["entry"] = std::stoi(key);
        }
        addCarried(item, obsolete[i]);
        item["text"] = obsolete[i].translation;
        writeItem(out, item, i == 0);
    }
    out << (obsolete.empty() ? "]" : "\n  ]");
}

}  // namespace

void writeDumpJson(std::ostream& out, const TemplateAndTexts& opened, const std::string& fileName,
                   std::span<const std::string> texts, std::span<const exchange::ExportedEntry> carried,
                   std::span<const exchange::ExportedEntry> obsolete) {
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
                  {"length", opened.rooms[i].size}};
        if (!entry.cells.empty()) {
            // A pointer entry's string lies where its cells point: they are listed after its offset.
            Json cells = Json::array();
            for (const std::uint32_t cell : entry.cells) {
                cells.push_back(files::hexText(cell));
            }
            item["cells"] = std::move(cells);
        }
        if (entry.locked) {
            item["locked"] = true;  // insert refuses a change to it
        }
        if (i < carried.size()) {
            addCarried(item, carried[i]);
            item["text"] = carried[i].translation.empty() ? texts[i] : carried[i].translation;
        } else {
            item["text"] = texts[i];
        }
        writeItem(out, item, i == 0);
    }
    out << (gameTemplate.entries.empty() ? "]" : "\n  ]");
    if (!carried.empty()) {
        writeObsolete(out, obsolete);
    }
    out << "\n}\n";
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
