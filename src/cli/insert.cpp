#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>

#include "commands.h"
#include "editor/entrytexts.h"
#include "files/codepage.h"
#include "files/common.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

constexpr std::string_view kNothingWritten = " Nothing was written.";

// The texts the JSON gives (UTF-8, as its parser checked), by entry number; or why they cannot be taken.
Result<std::map<int, std::string>> readGivenTexts(const std::string& jsonPath,
                                                  const GameTemplate& gameTemplate) {
    std::ifstream in(fsPath(jsonPath), std::ios::binary);
    if (!in) {
        return Error{jsonPath + " cannot be read."};
    }
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(in);
    } catch (const nlohmann::json::parse_error& e) {
        // The library's text starts with its own error id in brackets; the rest says where and why.
        const std::string_view why = e.what();
        const auto start = why.find("] ");
        return Error{jsonPath + " is not valid JSON: " +
                     std::string(start == std::string_view::npos ? why : why.substr(start + 2)) + "."};
    }
    if (!document.is_object() || !document.contains("entries") || !document["entries"].is_array()) {
        return Error{jsonPath + " has no \"entries\" array, as dump writes it."};
    }
    const int count = static_cast<int>(gameTemplate.entries.size());
    std::map<int, std::string> given;
    for (const auto& item : document["entries"]) {
        if (!item.is_object() || !item.contains("entry") || !item["entry"].is_number_integer() ||
            !item.contains("text") || !item["text"].is_string()) {
            return Error{jsonPath +
                         ": every item of \"entries\" needs a whole number \"entry\" and a string \"text\"."};
        }
        const auto number = item["entry"].get<std::int64_t>();
        if (number < 1 || number > count) {
            return Error{jsonPath + ": the template has no entry " + std::to_string(number) + " (it has " +
                         std::to_string(count) + ")."};
        }
        if (!given.emplace(static_cast<int>(number), item["text"].get<std::string>()).second) {
            return Error{jsonPath + ": entry " + std::to_string(number) + " is given twice."};
        }
    }
    return given;
}

}  // namespace

int insertCommand(Arguments args, Streams io) {
    int status = kExitOk;
    // Entries the JSON leaves out keep what the editor would show for them.
    auto opened = readTemplateAndTexts("insert", args, 2, io, status);
    if (!opened) {
        return status;
    }
    const auto& [arguments, gameTemplate, texts] = *opened;
    const auto given = readGivenTexts(arguments.files[1], gameTemplate);
    if (!given) {
        io.err << given.error() << kNothingWritten << '\n';
        return kExitRefused;
    }
    // Only the entries whose given text differs from what the file holds now are written.
    std::vector<std::string> edited = texts;
    for (const auto& [number, text] : *given) {
        const TemplateEntry& entry = gameTemplate.entries[static_cast<std::size_t>(number - 1)];
        std::string& current = edited[static_cast<std::size_t>(number - 1)];
        // The save keeps only the first limit characters; a longer text would be cut without a word. The
        // text read from the file may be longer (a code shown as several characters) and goes back as read.
        const std::size_t length = characterCount(text);
        if (text != current && length > static_cast<std::size_t>(entry.limit())) {
            say(io, entryName(entry) + " has room for " + std::to_string(entry.limit()) +
                        " characters, not the " + std::to_string(length) + " of its new text." +
                        std::string(kNothingWritten));
            return kExitRefused;
        }
        current = text;
    }
    const auto saved = saveEntryTexts(arguments.templatePath, arguments.files[0], texts, edited);
    if (!saved) {
        say(io, saved.error());
        return kExitRefused;
    }
    io.out << "Writing complete! " << saved->size() << (saved->size() == 1 ? " entry" : " entries")
           << " written.\n";
    return kExitOk;
}

}  // namespace rq::cli
