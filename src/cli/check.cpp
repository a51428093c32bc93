#include <ostream>

#include "editor/freespace.h"
#include "editor/tablerooms.h"
#include "files/codepage.h"
#include "font/fontcheck.h"
#include "templates/templatecheck.h"
#include "templateverbs.h"

namespace rq::cli {

int checkCommand(const Given& given, Console& console) {
    const auto templatePath = findTemplate(given.templateName, console);
    if (!templatePath) {
        return kExitRefused;
    }
    std::optional<std::string> gameFile;
    if (!given.operands.empty()) {
        auto input = console.input(given.operands.front());
        if (!input) {
            console.say(input.error());
            return kExitRefused;
        }
        gameFile = std::move(input).value();
    }
    auto problems = templates::checkTemplate(*templatePath, gameFile);
    for (auto& problem : font::checkFont(*templatePath, gameFile)) {
        problems.push_back(std::move(problem));
    }
    if (gameFile) {
        if (auto unexplained = editor::checkFreeSpace(*templatePath, *gameFile)) {
            problems.push_back(std::move(*unexplained));
        }
        for (auto& unended : editor::checkRoomEnds(*templatePath, *gameFile)) {
            problems.push_back(std::move(unended));
        }
    }
    if (problems.empty()) {
        console.out() << "no problems\n";
        return kExitOk;
    }
    // One line a problem: file, then where in it, then what is wrong.
    for (const auto& problem : problems) {
        console.out() << files::escapeControls(
                             console.named(problem.file + ": " + templates::problemText(problem)))
                      << '\n';
    }
    return templates::anyError(problems) ? kExitRefused : kExitOk;
}

}  // namespace rq::cli
