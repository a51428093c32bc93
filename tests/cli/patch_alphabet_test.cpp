// The verbs that make new files (patches, patched files and alphabets), and what files say when printed.

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli_fixture.h"
#include "progressline.h"
#include "support/patchdecoder.h"

namespace rq {

namespace {

using namespace std::string_literals;
using namespace test;

// A header's bytes, a patch's metadata and a file's name come from whoever made the file: printed, they
// can neither command the terminal nor forge a line of the output.
TEST(CliPrinting, TextFromFilesIsPrintedWithItsControlCharactersEscaped) {
    const TempDir dir;
    const std::string gba = dir.file("game.gba"), bps = dir.file("p.bps"),
                      named = dir.file("\x1B[31mred.gba");
    writeImage(gba, {{0xA0, "A\x1B[2J\nB\x81"}}, 0x100);
    writeText(bps, bpsPatch("", "", "", "\x1B]0;owned\x07\nformat: IPS"));
    // The arguments, and a line of the output.
    const std::tuple<std::vector<std::string>, std::string> cases[] = {
        {{"header", gba}, "  romtitle          \"A\\x1B[2J\\nB\\x81\"\n"},
        {{"patch", "info", bps}, "\nmetadata: \\x1B]0;owned\\x07\\nformat: IPS\n"},
        // Joined by hand: on Windows the escape's backslash would start a path of its own.
        {{"identify", named}, dir.file("") + "\\x1B[31mred.gba\t"},
    };
    for (const auto& [args, line] : cases) {
        const auto run = runCli(args);
        EXPECT_NE(run.out.find(line), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find('\x1B'), std::string::npos) << run.out;
    }
}

// On a terminal a long job rewrites one line, whatever the number of reports; elsewhere it writes a line a
// quarter, and a short job shows nothing (the patch rows' standard error holds no progress).
TEST(CliPatch, ALongApplyTellsItsProgressWithoutFlooding) {
    constexpr std::uint64_t kLong = cli::ProgressLine::kShownFrom;  // 64 MiB
    std::ostringstream err;
    cli::ProgressLine line(err, "L", true);
    for (const std::uint64_t done : {std::uint64_t{0}, kLong / 3, kLong / 3, kLong * 2 / 3, kLong}) {
        EXPECT_TRUE(line.tell(done, kLong));
    }
    line.finish();
    EXPECT_EQ(err.str(), "\rL: 0% of 64 MiB\rL: 33% of 64 MiB\rL: 66% of 64 MiB\rL: 100% of 64 MiB\n");

    // An IPS patch of 8 KiB of runs, each over the one before (which it warns of after the progress), that
    // writes 64 MiB.
    const TempDir dir;
    std::string runs = "PATCH";
    for (int i = 0; i < 1030; ++i) {
        runs += "\0\0\0\0\0\xFF\xFFr"s;
    }
    writeText(dir.file("runs.ips"), runs + "EOF");
    writeText(dir.file("a.bin"), "ABCDEFGH");
    const auto applied = runCli({"patch", "apply", dir.file("runs.ips"), dir.file("a.bin"), dir.file("out")});
    EXPECT_EQ(applied.out, "Made \"" + dir.file("out") + "\" (65535 bytes) with the IPS patch.\n");
    const std::string progress =
        "Applying the patch: 25% of 64 MiB\nApplying the patch: 50% of 64 MiB\n"
        "Applying the patch: 75% of 64 MiB\nApplying the patch: 100% of 64 MiB\nromquill-cli: warning: ";
    EXPECT_EQ(applied.err.substr(0, progress.size()), progress);
}

}  // namespace
}  // namespace rq
