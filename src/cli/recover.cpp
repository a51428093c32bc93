#include <ostream>

#include "files/safewrite.h"
#include "verbs.h"

namespace rq::cli {

int recoverCommand(const Given& given, Console& console) {
    const std::string& gameFile = given.operands[0];
    if (gameFile == "-") {
        return refuseStandardInputInPlace(console);
    }
    if (!files::hasInterruptedSave(gameFile)) {
        console.say("\"" + gameFile + "\" has no interrupted save: there is no \"" +
                    files::undoPath(gameFile) + "\".");
        return kExitRefused;
    }
    if (given.discard) {
        if (const auto removed = files::discardInterruptedSave(gameFile); !removed) {
            console.say(gameFile, removed.error());
            return kExitRefused;
        }
        console.out() << "The interrupted save was forgotten; \"" << gameFile << "\" stays as it is now.\n";
        return kExitOk;
    }
    const auto recovered = files::recoverInterruptedSave(gameFile);
    if (!recovered) {
        console.say(gameFile, recovered.error());
        return kExitRefused;
    }
    console.out() << *recovered << '\n';
    return kExitOk;
}

}  // namespace rq::cli
