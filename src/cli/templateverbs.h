#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
#include "templates/gametemplate.h"

namespace rq::cli {

// What dump, insert and check share: --template T, --program-folder DIR and their file arguments.
struct TemplateArguments {
    std::string templatePath;  // found in the program folder's plugins/games/, or as given
    std::vector<std::string> files;
};

// Parses the verb's arguments, takes the program folder and finds the template. A usage mistake prints
// the verb's usage and sets status to kExitUsage; a template that is not there says so, with kExitRefused.
[[nodiscard]] std::optional<TemplateArguments> parseTemplateArguments(std::string_view verb, Arguments args,
                                                                      std::size_t minFiles,
                                                                      std::size_t maxFiles, Streams io,
                                                                      int& status);

// What dump and insert start from: the template as the editor reads it and, for the first file, the
// texts the editor would show.
struct TemplateAndTexts {
    TemplateArguments arguments;
    GameTemplate gameTemplate;
    std::vector<std::string> texts;
};

// Parses as above (with exactly fileCount files), then reads the template and the first file. A refused
// template gives its message, an unreadable file "ROM not found!", both on standard error with kExitRefused.
[[nodiscard]] std::optional<TemplateAndTexts> readTemplateAndTexts(std::string_view verb, Arguments args,
                                                                   std::size_t fileCount, Streams io,
                                                                   int& status);

// A core message (UTF-8) on standard error.
void say(Streams io, std::string_view message);

}  // namespace rq::cli
