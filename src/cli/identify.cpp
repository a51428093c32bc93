#include <ostream>

#include "commands.h"
#include "files/readwritetext.h"
#include "identify/detectROM.h"

namespace rq::cli {

int identifyCommand(Arguments args, Streams io) {
    if (args.empty()) {
        io.err << "Usage: romquill-cli identify FILE...\n";
        return kExitUsage;
    }
    int status = kExitOk;
    for (const auto& path : args) {
        const auto result = detectGame(path);
        if (!result) {
            io.out << path << '\t' << result.error() << '\n';
            status = kExitRefused;
            continue;
        }
        if (result->recognised()) {
            io.out << path << '\t' << result->game << '\n';
            continue;
        }
        // The read's own message is the first the window would show; the refusal follows it.
        std::string why = result->message;
        if (result->readFailed) {
            why = std::string(kRomNotFound) + (why.empty() ? "" : " " + why);
        }
        io.out << path << '\t' << why << '\n';
        status = kExitRefused;
    }
    return status;
}

}  // namespace rq::cli
