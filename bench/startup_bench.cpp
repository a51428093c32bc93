// The command line as a user runs it: a dump of the largest template the editor takes (540 entries of 254
// bytes), each a whole run of the program, against the program's start-up alone (--version).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "benchfixture.h"

extern char** environ;

namespace {

using rq::bench::fixture;

// One run of the real program, its output thrown away; false when it did not end well.
bool runProgram(std::vector<std::string> args) {
    args.insert(args.begin(), ROMQUILL_CLI);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return error == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void runs(benchmark::State& state, const std::vector<std::string>& args) {
    for (auto _ : state) {
        if (!runProgram(args)) {
            state.SkipWithError("the program failed");
        }
    }
}

void BM_Baseline_StartUp(benchmark::State& state) {
    runs(state, {"--version"});
}
BENCHMARK(BM_Baseline_StartUp)->Unit(benchmark::kMillisecond);

void BM_Dump(benchmark::State& state) {
    const auto& f = fixture();
    runs(state, {"--program-folder", f.folder.string(), "dump", "--template", "bench.ini", f.gamePath});
}
BENCHMARK(BM_Dump)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_StartUp", "the program's start-up, --version",
                                 [] { static_cast<void>(fixture()); });
}
