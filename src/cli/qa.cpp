#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "editor/freespace.h"
#include "exchange/glossary.h"
#include "files/codepage.h"
#include "qa/checks.h"
#include "templateverbs.h"

namespace rq::cli {

int qaCommand(const Given& given, Console& console) {
    const auto opened = readTemplateAndTexts(given, console);
    if (!opened) {
        return kExitRefused;
    }
    // A glossary that cannot be read stops the checks before they cost anything.
    std::optional<qa::TermMatcher> glossary;
    if (!given.glossary.empty()) {
        auto read = exchange::readGlossaryFile(given.glossary);
        if (!read) {
            console.say(read.error());
            return kExitRefused;
        }
        glossary.emplace(std::move(read).value());
    }
    const std::string& textsFile = given.operands[1];
    const TextsFormat format = textsFormat(given.format).value_or(formatOfPath(textsFile));
    // The inserter's own layout is refused as its insert refuses it; its texts are then checked as usual.
    if (!given.layout.empty()) {
        if (format != TextsFormat::Atlas || textsFile == "-") {
            console.say(format != TextsFormat::Atlas
                            ? std::string(kLayoutOfAScript)
                            : "qa --layout atlas reads TEXTS twice: give it as a file.");
            return kExitRefused;
        }
        if (!planScriptLayout(opened->gameFile, textsFile, console, {})) {
            return kExitRefused;
        }
    }
    // The same translations insert would write, taken the same way; a change to a locked entry is the
    // checks' to report.
    const auto taken =
        readTextsAndRooms(textsFile, format, *opened, console.in(), exchange::LockedTexts::Taken);
    if (!taken) {
        console.say(taken.error());
        return kExitRefused;
    }
    for (const std::string& warning : taken->taken.warnings) {
        console.warn(warning);
    }
    const std::vector<std::string> translations = withGivenTexts(opened->texts, taken->taken.texts);
    // With the game's font, every boxed text is measured in pixels too.
    const auto font = font::TemplateFont::read(opened->gameTemplate, opened->gameFile);
    if (!font) {
        console.say(font.error());
        return kExitRefused;
    }
    // A script's #JMP rooms are free space for its texts, as its insert counts them.
    auto moving = opened->moving;
    if (!taken->rooms.empty()) {
        templates::GameTemplate withRooms = opened->gameTemplate;
        withRooms.freeSpace.ranges.insert(withRooms.freeSpace.ranges.end(), taken->rooms.begin(),
                                          taken->rooms.end());
        moving = editor::movingRooms(withRooms, opened->rooms, opened->gameFile);
    }
    const auto problems = qa::checkScript({&opened->gameTemplate, opened->texts, translations, opened->rooms,
                                           moving, font->get(), glossary ? &*glossary : nullptr});
    const auto number = [&](const qa::Problem& problem) {
        return opened->gameTemplate.entries[problem.index].number;
    };
    if (given.json) {
        using Json = nlohmann::ordered_json;
        Json list = Json::array();
        for (const auto& problem : problems) {
            list.push_back({{"entry", number(problem)},
                            {"check", problem.check},
                            {"severity", qa::severityName(problem.severity)},
                            {"message", problem.message}});
        }
        console.out() << list.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    } else if (problems.empty()) {
        console.out() << "no problems\n";
    } else {
        // One line a problem, the same four parts in the same order, for grep and cut.
        for (const auto& problem : problems) {
            console.out() << "entry " << number(problem) << ": " << qa::severityName(problem.severity) << ": "
                          << problem.check << ": " << files::escapeControls(problem.message) << '\n';
        }
    }
    const bool errors = std::ranges::any_of(
        problems, [](const qa::Problem& problem) { return problem.severity == qa::Severity::Error; });
    return errors ? kExitRefused : kExitOk;
}

}  // namespace rq::cli
