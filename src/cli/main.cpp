#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = rq::cli::run(args, {std::cout, std::cerr});
    // run() sees only that the stream failed; the C library still holds what stdout could not write, so
    // flushing it again gives the system's reason.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::cerr << "romquill-cli: standard output: " << std::strerror(errno) << ".\n";
        return status == rq::cli::kExitOk ? rq::cli::kExitRefused : status;
    }
    return status;
}
