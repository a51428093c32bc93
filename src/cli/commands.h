#pragma once

#include <iostream>
#include <span>
#include <string>
#include <string_view>

namespace rq::cli {

struct Streams {
    std::ostream& out;
    std::ostream& err;
    std::istream& in = std::cin;  // read for the files given as "-"
    // run() reports output that could not be written; the program itself does, with the system's reason.
    bool reportLostOutput = true;
};

using Arguments = std::span<const std::string>;

// The whole command line after the program's name: a verb and its arguments, help, or --version. Output
// that could not be written fails the run, whatever the verb said.
int run(Arguments args, Streams io);

// A message on standard error, the one way the program writes one: "romquill-cli: " in front, and every
// control character of the text escaped, except the line breaks the message puts between its lines.
void say(std::ostream& err, std::string_view message);

// Exit statuses shared by every verb.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

}  // namespace rq::cli
