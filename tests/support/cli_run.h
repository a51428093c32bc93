#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "files/common.h"
#include "support/tool_run.h"

namespace rq::test {

// Runs a romquill-cli command line in-process, as the program's main does; a --program-folder it takes lasts
// only for the run.
inline ToolRun runCli(const std::vector<std::string>& args) {
    const std::string folder = applicationFolder();
    std::ostringstream out;
    std::ostringstream err;
    ToolRun run;
    run.exitCode = rq::cli::run(args, {out, err});
    setApplicationFolder(folder);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace rq::test
