#include <ostream>

#include "commands.h"
#include "files/codepage.h"
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
        std::string shown;
        if (!result) {
            shown = result.error();
            status = kExitRefused;
        } else if (result->recognised()) {
            shown = result->game;
        } else {
            // The read's own message is the first the window would show; the refusal follows it.
            shown = result->message;
            if (result->readFailed) {
                shown = std::string(kRomNotFound) + (shown.empty() ? "" : " " + shown);
            }
            status = kExitRefused;
        }
        // File names come from wherever the files came from: printed escaped, like everything a file says.
        io.out << escapeControls(path) << '\t' << escapeControls(shown) << '\n';
    }
    return status;
}

}  // namespace rq::cli
