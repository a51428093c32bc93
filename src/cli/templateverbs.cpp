#include "templateverbs.h"

#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "files/common.h"
#include "files/readwritetext.h"

namespace rq::cli {

// A bare name is looked for first among the program folder's templates, as the chooser lists them;
// otherwise, and for anything with a folder in it, T is a path.
std::optional<std::string> findTemplate(const std::string& name, Console& console) {
    if (name.find_first_of("/\\") == std::string::npos) {
        const std::string inFolder = files::gameTemplatePath(name);
        if (files::isFile(inFolder)) {
            return inFolder;
        }
    }
    if (files::isFile(name)) {
        return name;
    }
    console.say("no template '" + name + "' in " + files::gamesFolder() + " nor as a file");
    return std::nullopt;
}

std::optional<TemplateAndTexts> readTemplateAndTexts(const Given& given, Console& console) {
    auto templatePath = findTemplate(given.templateName, console);
    if (!templatePath) {
        return std::nullopt;
    }
    auto gameTemplate = templates::readGameTemplate(*templatePath);
    if (!gameTemplate) {
        console.say(gameTemplate.error());
        return std::nullopt;
    }
    auto gameFile = console.input(given.operands.front());
    if (!gameFile) {
        console.say(gameFile.error());
        return std::nullopt;
    }
    // Checked once up front as well: a template whose entries are all empty reads nothing from the file.
    auto read = files::readRange(*gameFile, 0, 1, 0) ? editor::readEntryTexts(*gameTemplate, *gameFile)
                                                     : editor::EntryTexts{{}, true, {}, false};
    if (read.readFailed) {
        console.say(*gameFile, files::kRomNotFound);
        return std::nullopt;
    }
    if (read.tooMuchText) {
        console.say(*gameFile, "The texts the template " + *templatePath + " reads come to more than " +
                                   std::to_string(templates::kDecodedTextLimit >> 20) +
                                   " MiB; nothing was read past that.");
        return std::nullopt;
    }
    auto moving = editor::movingRooms(*gameTemplate, read.rooms, *gameFile);
    return TemplateAndTexts{std::move(templatePath).value(), std::move(gameFile).value(),
                            std::move(gameTemplate).value(), std::move(read.texts),
                            std::move(read.rooms),           std::move(moving)};
}

}  // namespace rq::cli
