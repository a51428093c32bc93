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
    // One line a problem: file, then where in it, then what is wrong; INI text in UTF-8.
    for (const auto& problem : problems) {
        io.out << problem.file << ": ";
        if (!problem.section.empty()) {
            io.out << '[' << bytesToUtf8(problem.section) << "] ";
            if (!problem.key.empty()) {  // a problem of the section as a whole has no key
                io.out << bytesToUtf8(problem.key) << ' ';
            }
            if (problem.value) {
                io.out << "= \"" << bytesToUtf8(*problem.value) << "\" ";
            }
        }
        io.out << problem.what << '\n';
    }
    return kExitRefused;
}

}  // namespace rq::cli
