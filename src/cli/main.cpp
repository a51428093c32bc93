#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    int status = rq::cli::kExitRefused;
    // The verbs report failures as messages; this is the last guard against one that was missed.
    try {
        status = rq::cli::run(args, {std::cout, std::cerr, std::cin, false});
    } catch (const std::exception& e) {
        std::cerr << "romquill-cli: " << e.what() << '\n';
        return rq::cli::kExitRefused;
    }
    // Standard output writes through the C library, which keeps what it could not write: flushing it
    // again gives the system's reason.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::cerr << "romquill-cli: standard output: " << std::strerror(errno) << ".\n";
        return status == rq::cli::kExitOk ? rq::cli::kExitRefused : status;
    }
    return status;
}
