#include <ostream>

#include "files/codepage.h"
#include "files/readwritetext.h"
#include "identify/detectROM.h"
#include "verbs.h"

namespace rq::cli {

int identifyCommand(const Given& given, Console& console) {
    int status = kExitOk;
    for (const auto& path : given.operands) {
        const auto input = console.input(path);
        const auto result =
            input ? identify::detectGame(*input) : Result<identify::Identification>(input.failure());
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
                shown = std::string(files::kRomNotFound) + (shown.empty() ? "" : " " + shown);
            }
            status = kExitRefused;
        }
        // File names come from wherever the files came from: printed escaped, like everything a file says.
        console.out() << files::escapeControls(path) << '\t' << files::escapeControls(console.named(shown))
                      << '\n';
    }
    return status;
}

}  // namespace rq::cli
