#pragma once

#include <iostream>
#include <span>
#include <string>
#include <string_view>

namespace rq::cli {

struct Streams {
    std::ostream& out;
    std::ostream& err;
    std::istream& in = std::cin;  // read only by insert, for the texts "-"
    // run() reports output that could not be written; the program itself does, with the system's reason.
    bool reportLostOutput = true;
};

using Arguments = std::span<const std::string>;

// Each verb takes its own arguments (the verb itself left out) and returns the process's exit status.
int identifyCommand(Arguments args, Streams io);
int iniCommand(Arguments args, Streams io);
int dumpCommand(Arguments args, Streams io);
int insertCommand(Arguments args, Streams io);
int checkCommand(Arguments args, Streams io);
int recoverCommand(Arguments args, Streams io);
int cutscenesCommand(Arguments args, Streams io);
int headerCommand(Arguments args, Streams io);
int alphabetCommand(Arguments args, Streams io);
int patchCommand(Arguments args, Streams io);

struct Command {
    std::string_view name;
    std::string_view synopsis;
    std::string_view help;
    int (*run)(Arguments, Streams);
};

[[nodiscard]] std::span<const Command> commands();

// "Usage: romquill-cli " and the verb's synopsis, for a verb given the wrong arguments.
void printVerbUsage(std::string_view verb, std::ostream& err);

// The whole command line after the program's name: a verb and its arguments, --help or --version. Output
// that could not be written fails the run, whatever the verb said.
int run(Arguments args, Streams io);

// Exit statuses shared by every verb.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

}  // namespace rq::cli
