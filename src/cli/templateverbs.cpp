#include "templateverbs.h"

#include <filesystem>

#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "exchange/csvtexts.h"
#include "exchange/jsontexts.h"
#include "exchange/potexts.h"
#include "files/common.h"
#include "files/readwritetext.h"

namespace rq::cli {

// A bare name is looked for first among the program folder's templates, as the chooser lists them;
// otherwise, and for anything with a folder in it, T is a path.
std::optional<std::string> templatePathOf(const std::string& name) {
    if (name.find_first_of("/\\") == std::string::npos) {
        const std::string inFolder = files::gameTemplatePath(name);
        if (files::isFile(inFolder)) {
            return inFolder;
        }
    }
    if (files::isFile(name)) {
        return name;
    }
    return std::nullopt;
}

std::optional<std::string> findTemplate(const std::string& name, Console& console) {
    auto path = templatePathOf(name);
    if (!path) {
        console.say("no template '" + name + "' in " + files::gamesFolder() + " nor as a file");
    }
    return path;
}

std::string tablePathOf(const std::string& name) {
    const std::string inFolder = files::appRelativePath("plugins\\alphabets\\" + name);
    std::error_code missing;
    return name.find_first_of("/\\") == std::string::npos &&
                   std::filesystem::is_regular_file(files::fsPath(inFolder), missing)
               ? inFolder
               : name;
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
                                                     : editor::EntryTexts{{}, true, {}, false, {}};
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

std::optional<exchange::AtlasPlan> planScriptLayout(const std::string& gameFile, const std::string& textsFile,
                                                    Console& console, std::string_view after) {
    const auto refused = [&](const std::string& why) {
        console.say(why + std::string(after));
        return std::nullopt;
    };
    const auto input = readJsonInput(textsFile, console.in());
    if (!input) {
        return refused(input.error());
    }
    const auto script = exchange::parseAtlasScript(input->bytes, input->name, true);
    if (!script) {
        return refused(script.error());
    }
    const auto layout = exchange::walkAtlasScript(*script, input->name, scriptFolder(textsFile), true);
    if (!layout) {
        return refused(layout.error());
    }
    const auto size = files::regularFileSize(gameFile);
    if (!size) {
        console.say(gameFile, std::string(files::kRomNotFound) + std::string(after));
        return std::nullopt;
    }
    auto plan = exchange::planAtlasLayout(*layout, *size, input->name);
    if (!plan) {
        return refused(plan.error());
    }
    return std::move(plan).value();
}

std::string scriptFolder(const std::string& path) {
    // A script read from standard input finds its tables in the working folder.
    const std::string folder = path == "-" ? "." : files::pathText(files::fsPath(path).parent_path());
    return folder.empty() ? "." : folder;
}

Result<exchange::ScriptTexts> readScriptTexts(const std::string& path, const TemplateAndTexts& opened,
                                              std::istream& in, exchange::LockedTexts locked) {
    const auto input = readJsonInput(path, in);
    if (!input) {
        return input.failure();
    }
    return exchange::takeScriptTexts(input->bytes, input->name, scriptFolder(path), opened.gameTemplate,
                                     opened.texts, opened.rooms, locked);
}

Result<exchange::ScriptTexts> readTextsAndRooms(const std::string& path, TextsFormat format,
                                                const TemplateAndTexts& opened, std::istream& in,
                                                exchange::LockedTexts locked) {
    if (format == TextsFormat::Atlas) {
        return readScriptTexts(path, opened, in, locked);
    }
    auto taken = readGivenTexts(path, format, opened, in, locked);
    if (!taken) {
        return taken.failure();
    }
    return exchange::ScriptTexts{std::move(taken).value(), {}};
}

Result<exchange::TakenTexts<int>> readGivenTexts(const std::string& path, TextsFormat format,
                                                 const TemplateAndTexts& opened, std::istream& in,
                                                 exchange::LockedTexts locked) {
    if (format == TextsFormat::Atlas) {
        auto script = readScriptTexts(path, opened, in, locked);
        if (!script) {
            return script.failure();
        }
        return std::move(script).value().taken;
    }
    const auto input = readJsonInput(path, in);
    if (!input) {
        return input.failure();
    }
    const templates::GameTemplate& gameTemplate = opened.gameTemplate;
    if (format == TextsFormat::Json) {
        auto texts = exchange::parseJsonTexts(input->bytes, input->name,
                                              static_cast<int>(gameTemplate.entries.size()));
        if (!texts) {
            return texts.failure();
        }
        if (locked == exchange::LockedTexts::Refused) {
            if (const auto refused = exchange::refuseLockedTexts(*texts, input->name, gameTemplate,
                                                                 opened.texts, opened.rooms);
                !refused) {
                return refused.failure();
            }
        }
        return exchange::TakenTexts<int>{std::move(texts).value(), {}};
    }
    // Each row is checked as it is read, and every problem is listed.
    const exchange::TranslationReader read = [&](const exchange::TranslationSink& take) {
        return readTranslatorsFile(
            format, *input,
            [&] {
                return exchange::exportedEntries(gameTemplate, opened.texts, opened.rooms, opened.moving);
            },
            take);
    };
    return exchange::takeTranslations(read, input->name, gameTemplate, opened.texts, opened.rooms, locked);
}

std::vector<std::string> withGivenTexts(std::vector<std::string> texts,
                                        const std::map<int, std::string>& given) {
    for (const auto& [number, text] : given) {
        texts[static_cast<std::size_t>(number - 1)] = text;
    }
    return texts;
}

}  // namespace rq::cli
