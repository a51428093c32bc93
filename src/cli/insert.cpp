#include <istream>
#include <map>
#include <ostream>

#include "commands.h"
#include "editor/entrytexts.h"
#include "exchange/jsontexts.h"
#include "files/codepage.h"
#include "jsoninput.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

constexpr std::string_view kNothingWritten = " Nothing was written.";

// The texts the JSON gives (the file, or standard input for "-"), by entry number; or why they cannot be
// taken.
Result<std::map<int, std::string>> readGivenTexts(const std::string& jsonPath,
                                                  const GameTemplate& gameTemplate, std::istream& in) {
    const auto json = readJsonInput(jsonPath, in);
    if (!json) {
        return json.failure();
    }
    return parseJsonTexts(json->bytes, json->name, static_cast<int>(gameTemplate.entries.size()));
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
    const auto given = readGivenTexts(arguments.files[1], gameTemplate, io.in);
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
