#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

namespace rq::cli {
namespace {

constexpr std::array kCommands = {
    Command{"identify", "identify FILE...",
            "Identifies each file as the launcher does and prints its path, a tab and the game name\n"
            "(or, for a refused file, why it was refused). Exits 1 when any file is refused.",
            identifyCommand},
    Command{"ini", "ini FILE SECTION KEY [DEFAULT]",
            "Prints one value of an INI file exactly as the program reads it (UTF-8).\n"
            "DEFAULT is printed when the file, the section or the key is missing (empty when not given).",
            iniCommand},
};

void printUsage(std::ostream& out) {
    out << "Usage: romquill-cli COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const auto& command : kCommands) {
        out << "  romquill-cli " << command.synopsis << "\n";
    }
    out << "\nrun 'romquill-cli COMMAND --help' for what a command does.\n";
}

}  // namespace

std::span<const Command> commands() {
    return kCommands;
}

}  // namespace rq::cli

int main(int argc, char** argv) {
    using namespace rq::cli;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printUsage(std::cerr);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage(std::cout);
        return kExitOk;
    }
    for (const auto& command : commands()) {
        if (command.name != args[0]) {
            continue;
        }
        const Arguments rest(args.data() + 1, args.size() - 1);
        for (const auto& arg : rest) {
            if (arg == "--help" || arg == "-h") {
                std::cout << "Usage: romquill-cli " << command.synopsis << "\n\n" << command.help << "\n";
                return kExitOk;
            }
        }
        Streams io{std::cout, std::cerr};
        return command.run(rest, io);
    }
    std::cerr << "romquill-cli: unknown command '" << args[0] << "'\n\n";
    printUsage(std::cerr);
    return kExitUsage;
}
