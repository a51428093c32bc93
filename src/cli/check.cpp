#include <ostream>

#include "commands.h"
#include "files/codepage.h"
#include "templates/templatecheck.h"
#include "templateverbs.h"

namespace rq::cli {

int checkCommand(Arguments args, Streams io) {
    int status = kExitOk;
    const auto parsed = parseTemplateArguments("check", args, 0, 1, io, status);
    if (!parsed) {
        return status;
    }
    const auto gameFile = parsed->files.empty() ? std::nullopt : std::optional<std::string>(parsed->files[0]);
    const auto problems = checkTemplate(parsed->templatePath, gameFile);
    if (problems.empty()) {
        io.out << "no problems\n";
        return kExitOk;
    }
    // One line a problem: file, then where in it, then what is wrong.
    for (const auto& problem : problems) {
        io.out << escapeControls(problem.file + ": " + problemText(problem)) << '\n';
    }
    return kExitRefused;
}

}  // namespace rq::cli
