#include "templateverbs.h"

#include <filesystem>
#include <ostream>

#include "editor/entrytexts.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/readwritetext.h"

namespace rq::cli {
namespace {

// A bare name is looked for first among the program folder's templates, as the chooser lists them;
// otherwise, and for anything with a folder in it, T is a path.
std::optional<std::string> findTemplate(const std::string& name) {
    if (name.find_first_of("/\\") == std::string::npos) {
        const std::string inFolder = gameTemplatePath(name);
        if (isFile(inFolder)) {
            return inFolder;
        }
    }
    if (isFile(name)) {
        return name;
    }
    return std::nullopt;
}

}  // namespace

std::optional<TemplateArguments> parseTemplateArguments(std::string_view verb, Arguments args,
                                                        std::size_t minFiles, std::size_t maxFiles,
                                                        Streams io, int& status) {
    status = kExitUsage;
    std::optional<std::string> templateName;
    TemplateArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--template" || arg == "--program-folder";
        if (takesValue && i + 1 == args.size()) {
            io.err << "romquill-cli: " << arg << " needs a value\n";
            printVerbUsage(verb, io.err);
            return std::nullopt;
        }
        if (arg == "--template") {
            templateName = args[++i];
        } else if (arg == "--program-folder") {
            setApplicationFolder(args[++i]);
        } else if (arg.size() > 1 && arg.front() == '-') {
            io.err << "romquill-cli: unknown option '" << arg << "'\n";
            printVerbUsage(verb, io.err);
            return std::nullopt;
        } else {
            parsed.files.push_back(arg);
        }
    }
    if (!templateName || parsed.files.size() < minFiles || parsed.files.size() > maxFiles) {
        printVerbUsage(verb, io.err);
        return std::nullopt;
    }
    const auto found = findTemplate(*templateName);
    if (!found) {
        status = kExitRefused;
        io.err << "romquill-cli: no template '" << *templateName << "' in " << gamesFolder()
               << " nor as a file\n";
        return std::nullopt;
    }
    parsed.templatePath = *found;
    status = kExitOk;
    return parsed;
}

void say(Streams io, std::string_view message) {
    io.err << message << '\n';
}

std::optional<TemplateAndTexts> readTemplateAndTexts(std::string_view verb, Arguments args,
                                                     std::size_t fileCount, Streams io, int& status) {
    auto arguments = parseTemplateArguments(verb, args, fileCount, fileCount, io, status);
    if (!arguments) {
        return std::nullopt;
    }
    status = kExitRefused;
    auto gameTemplate = readGameTemplate(arguments->templatePath);
    if (!gameTemplate) {
        say(io, gameTemplate.error());
        return std::nullopt;
    }
    const std::string& gameFile = arguments->files.front();
    // Checked once up front as well: a template whose entries are all empty reads nothing from the file.
    if (!readRange(gameFile, 0, 1, 0)) {
        say(io, kRomNotFound);
        return std::nullopt;
    }
    auto read = readEntryTexts(*gameTemplate, gameFile);
    if (read.readFailed) {
        say(io, kRomNotFound);
        return std::nullopt;
    }
    status = kExitOk;
    return TemplateAndTexts{std::move(arguments).value(), std::move(gameTemplate).value(),
                            std::move(read.texts)};
}

}  // namespace rq::cli
