#include <nlohmann/json.hpp>
#include <ostream>

#include "commands.h"
#include "files/asciitext.h"
#include "files/codepage.h"
#include "templateverbs.h"

namespace rq::cli {

int dumpCommand(Arguments args, Streams io) {
    int status = kExitOk;
    const auto opened = readTemplateAndTexts("dump", args, 1, io, status);
    if (!opened) {
        return status;
    }
    const GameTemplate& gameTemplate = opened->gameTemplate;

    // Keys stay in the order a reader expects; comments are code-page bytes turned to UTF-8, texts UTF-8
    // already.
    auto entries = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < gameTemplate.entries.size(); ++i) {
        const TemplateEntry& entry = gameTemplate.entries[i];
        entries.push_back(
            nlohmann::ordered_json{{"entry", entry.number},
                                   {"comment", bytesToUtf8(entry.comment)},
                                   {"offset", hexText(static_cast<std::uint64_t>(entry.offset))},
                                   {"length", entry.length},
                                   {"text", opened->texts[i]}});
    }
    const nlohmann::ordered_json document{{"template", opened->arguments.templatePath},
                                          {"file", opened->arguments.files.front()},
                                          {"entries", std::move(entries)}};
    // A path need not be UTF-8; a stray byte must not cost the whole dump.
    io.out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    return kExitOk;
}

}  // namespace rq::cli
