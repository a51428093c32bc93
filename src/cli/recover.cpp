#include <ostream>

#include "commands.h"
#include "files/safewrite.h"

namespace rq::cli {

int recoverCommand(Arguments args, Streams io) {
    const bool discard = !args.empty() && args[0] == "--discard";
    if (args.size() != (discard ? 2u : 1u)) {
        io.err << "Usage: romquill-cli recover [--discard] FILE\n";
        return kExitUsage;
    }
    const std::string& gameFile = args.back();
    if (!hasInterruptedSave(gameFile)) {
        io.err << "\"" << gameFile << "\" has no interrupted save: there is no \"" << undoPath(gameFile)
               << "\".\n";
        return kExitRefused;
    }
    if (discard) {
        if (const auto removed = discardInterruptedSave(gameFile); !removed) {
            io.err << removed.error() << '\n';
            return kExitRefused;
        }
        io.out << "The interrupted save was forgotten; \"" << gameFile << "\" stays as it is now.\n";
        return kExitOk;
    }
    const auto recovered = recoverInterruptedSave(gameFile);
    if (!recovered) {
        io.err << recovered.error() << '\n';
        return kExitRefused;
    }
    io.out << *recovered << '\n';
    return kExitOk;
}

}  // namespace rq::cli
