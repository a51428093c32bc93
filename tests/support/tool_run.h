#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "files/common.h"
#include "support/testfiles.h"

namespace rq::test {

// What a run of one of the project's programs gave.
struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string quotedForShell(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs a built program as a user would, in the given folder (the current one when empty). Both streams
// go to files, so a program that writes much to one cannot stall on the other.
inline ToolRun runTool(const std::string& program, const std::vector<std::string>& args,
                       const std::string& folder = {}) {
    const TempDir scratch;
    std::string command = folder.empty() ? std::string() : "cd " + quotedForShell(folder) + " && ";
    command += quotedForShell(program);
    for (const auto& arg : args) {
        command += " " + quotedForShell(arg);
    }
    command += " >" + quotedForShell(scratch.file("out")) + " 2>" + quotedForShell(scratch.file("err")) +
               " </dev/null";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    run.out = readAll(scratch.file("out"));
    run.err = readAll(scratch.file("err"));
    return run;
}

// Runs a romquill-cli command line in-process, as the program's main does, its output into out when given;
// a --program-folder it takes lasts only for the run.
inline ToolRun runCli(const std::vector<std::string>& args, std::ostream* out = nullptr) {
    const std::string folder = applicationFolder();
    std::ostringstream text;
    std::ostringstream err;
    const int exitCode = rq::cli::run(args, {out != nullptr ? *out : text, err});
    setApplicationFolder(folder);
    return {exitCode, text.str(), err.str()};
}

}  // namespace rq::test
