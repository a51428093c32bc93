// Patches made here must apply with any patcher and theirs here: every patch we make goes through a
// decoder written from the formats' description alone (support/patchdecoder), and the common patcher's own
// patches (tests/data/patch-vectors) go through ours.

#include <algorithm>

#include "patch/filehashes.h"
#include "patch/patchfiles.h"
#include "support/patchdecoder.h"
#include "support/testfiles.h"

namespace rq::patch {

namespace {

// Bytes that differ from their neighbours, so that nothing passes as a run by chance.
std::string noise(std::size_t size, unsigned seed = 1) {
    std::string bytes(size, '\0');
    for (auto& byte : bytes) {
        seed = seed * 1103515245 + 12345;
        byte = static_cast<char>(seed >> 16);
    }
    return bytes;
}

constexpr std::size_t kEof = 0x454F46;  // an IPS offset that reads as its "EOF" marker
constexpr std::size_t kWhole = std::string::npos;

// The source is noise of its size; the target is the source with the edits made (past its end after zero
// bytes), then cut to its size.
struct MadeRow {
    const char* name;
    std::size_t source;
    std::vector<test::Patch> edits;
    std::uint64_t ranges;  // the changed ranges both formats report
    std::size_t target = kWhole;
};

const MadeRow kMade[] = {
    {"both empty", 0, {}, 0},
    {"identical", 4096, {}, 0},
    {"empty source", 0, {{0, "seventeen bytes!!"}}, 1},
    {"empty target", 4096, {}, 0, 0},
    {"changes including the last byte", 4096, {{10, "EDIT"}, {4095, "\xEE"}}, 2},
    {"first byte", 4096, {{0, "\x01"}}, 1},
    {"longer with a zero gap", 4096, {{4396, "END"}}, 1},
    {"shorter", 4096, {}, 0, 3000},
    {"runs", 4096, {{100, std::string(1000, '\0')}, {3000, std::string(400, '\xEE')}}, 2},
    {"a change of 70000 bytes", 100000, {{5, noise(70000, 7)}}, 1},
    {"a run of 200000 bytes", 300000, {{9, std::string(200000, 'z')}}, 1},
    {"a change across two blocks read", (1u << 20) + 100, {{(1u << 20) - 9, "eighteen bytes !!!"}}, 1},
    {"a change at the EOF offset", kEof + 40, {{kEof, "\x01"}}, 1},
    {"a change ending at the EOF offset", kEof + 40, {{kEof - 3, "abcd"}}, 1},
    {"a run at the EOF offset", kEof + 40, {{kEof, std::string(20, 'r')}}, 1},
    {"a long record split at the EOF offset", kEof + 40, {{kEof - 0xFFFF, noise(0xFFFF + 10, 3)}}, 1},
};

class MadePatch : public testing::TestWithParam<MadeRow> {};

TEST_P(MadePatch, GivesTheTargetThroughAnIndependentDecoderAndThroughOurOwn) {
    const MadeRow& row = GetParam();
    const std::string source = noise(row.source);
    std::string target = source;
    for (const auto& edit : row.edits) {
        target.resize(std::max<std::size_t>(target.size(), edit.offset + edit.bytes.size()), '\0');
        target.replace(edit.offset, edit.bytes.size(), edit.bytes);
    }
    target = target.substr(0, row.target);
    const test::TempDir dir;
    test::writeText(dir.file("source"), source);
    test::writeText(dir.file("target"), target);
    // UPS cannot store an equal byte amid a change: its ranges are the runs of bytes that differ.
    std::uint64_t differingRuns = 0;
    for (std::size_t i = 0; i < target.size(); ++i) {
        const auto differs = [&](std::size_t at) {
            return at < source.size() ? source[at] != target[at] : target[at] != 0;
        };
        differingRuns += differs(i) && (i == 0 || !differs(i - 1)) ? 1 : 0;
    }
    for (const auto* name : {"p.ips", "p.bps", "p.ups"}) {
        SCOPED_TRACE(name);
        const std::uint64_t ranges = std::string_view(name) == "p.ups" ? differingRuns : row.ranges;
        const std::string patchPath = dir.file(name);
        const auto made =
            createPatch(dir.file("source"), dir.file("target"), patchPath, *patchFormatForPath(patchPath));
        ASSERT_TRUE(made) << made.error();
        const std::string patch = test::readAll(patchPath);
        EXPECT_EQ(made->patchSize, patch.size());
        EXPECT_EQ(made->changedRanges, ranges);
        EXPECT_EQ(readPatchInfo(patchPath)->changedRanges, ranges);
        const auto decoded = test::decodePatch(patch, source);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(decoded->bytes == target);
        EXPECT_FALSE(decoded->suspicious);
        const auto applied = applyPatch(patchPath, dir.file("source"), dir.file("out"));
        ASSERT_TRUE(applied) << applied.error();
        EXPECT_EQ(applied->outputSize, target.size());
        EXPECT_TRUE(applied->warnings.empty());
        EXPECT_TRUE(test::readAll(dir.file("out")) == target);
    }
    // UPS undoes itself: applied backwards to the target it gives the source, however their sizes differ.
    const auto undone =
        applyPatch(dir.file("p.ups"), dir.file("target"), dir.file("back"), {}, PatchDirection::Backward);
    ASSERT_TRUE(undone) << undone.error();
    EXPECT_TRUE(test::readAll(dir.file("back")) == source);
}

INSTANTIATE_TEST_SUITE_P(Pairs, MadePatch, testing::ValuesIn(kMade), test::rowName);

// Rows are folders of tests/data/patch-vectors.
class CommonPatcher : public testing::TestWithParam<const char*> {};

TEST_P(CommonPatcher, ItsPatchesApplyAndOursMatchThemInSize) {
    const std::filesystem::path folder = std::filesystem::path(ROMQUILL_PATCH_VECTORS) / GetParam();
    const auto file = [&](const std::string& name) { return (folder / name).string(); };
    const std::string source = test::readAll(file("source.bin")), target = test::readAll(file("target.bin"));
    const test::TempDir dir;
    for (const auto* patch : {"flips.ips", "flips-linear.bps", "flips-delta.bps"}) {
        SCOPED_TRACE(patch);
        const auto applied = applyPatch(file(patch), file("source.bin"), dir.file("out"));
        ASSERT_TRUE(applied) << applied.error();
        EXPECT_TRUE(test::readAll(dir.file("out")) == target);
        EXPECT_TRUE(readPatchInfo(file(patch)));
    }
    for (const auto& [ours, theirs] :
         {std::pair{"ours.ips", "flips.ips"}, std::pair{"ours.bps", "flips-linear.bps"}}) {
        SCOPED_TRACE(ours);
        const auto made =
            createPatch(file("source.bin"), file("target.bin"), dir.file(ours), *patchFormatForPath(ours));
        ASSERT_TRUE(made) << made.error();
        const auto decoded = test::decodePatch(test::readAll(dir.file(ours)), source);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(decoded->bytes == target);
        EXPECT_LE(made->patchSize, std::filesystem::file_size(file(theirs)));
    }
    ASSERT_TRUE(createPatch(file("source.bin"), file("target.bin"), dir.file("ours.ups"), PatchFormat::Ups));
    const auto decoded = test::decodePatch(test::readAll(dir.file("ours.ups")), source);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->bytes == target);
    ASSERT_TRUE(applyPatch(dir.file("ours.ups"), file("source.bin"), dir.file("out.ups")));
    EXPECT_TRUE(test::readAll(dir.file("out.ups")) == target);
}

const char* const kVectors[] = {"edits", "longer", "shorter", "runs", "empty-source"};
INSTANTIATE_TEST_SUITE_P(Vectors, CommonPatcher, testing::ValuesIn(kVectors), test::rowName);

// A patch is never saved over one of the files it compares, a patched file never over its source or patch,
// by any of their names, and a cancel leaves only what was there before. An IPS cannot reach past 16 MiB.
// The name a patched file is offered under lies beside the file.
TEST(MakingAndApplyingAPatch, NeverOverAnInputAndACancelLeavesNothingBehind) {
    const test::TempDir dir;
    const std::string source = dir.file("source"), target = dir.file("target"), link = dir.file("link");
    const std::string patch = dir.file("p.bps");
    test::writeImage(source, {{0, "A"}}, 3 << 20);
    test::writeImage(target, {{5 << 20, "B"}}, 6 << 20);
    std::filesystem::create_hard_link(source, link);
    const auto stop = [](std::uint64_t done, std::uint64_t total) { return done > total; };
    const auto error = [](const auto& result) -> std::string { return result ? "" : result.error(); };
    EXPECT_EQ(error(createPatch(source, target, link, PatchFormat::Ips)),
              "The patch cannot be saved as \"" + link + "\": that is one of the files it compares.");
    EXPECT_EQ(error(createPatch(source, target, dir.file("q.bps"), PatchFormat::Bps, stop)), kPatchCancelled);
    EXPECT_EQ(error(createPatch(source, target, dir.file("q.ips"), PatchFormat::Ips, stop)), kPatchCancelled);
    EXPECT_EQ(error(createPatch(source, target, dir.file("q.ups"), PatchFormat::Ups, stop)), kPatchCancelled);
    ASSERT_TRUE(createPatch(source, target, patch, PatchFormat::Bps));
    for (const auto& out : {source, link, patch}) {
        EXPECT_EQ(error(applyPatch(patch, source, out)),
                  "The patched file cannot be saved as \"" + out +
                      "\": a patch is never applied in place. Choose another name.");
    }
    EXPECT_EQ(error(applyPatch(patch, source, dir.file("out"), stop)), kPatchCancelled);
    EXPECT_EQ(test::filesIn(dir), (std::vector<std::string>{"link", "p.bps", "source", "target"}));
    EXPECT_EQ(patchedFileName(dir.file("a.bin")), dir.file("a (patched).bin"));

    test::writeImage(target, {{0xFFFFFE, "B"}});
    EXPECT_EQ(error(createPatch(source, target, dir.file("p.ips"), PatchFormat::Ips)), "");
    test::writeImage(target, {{0xFFFFFF, "B"}});  // 16 MiB: its last byte is the last IPS reaches
    ASSERT_EQ(error(createPatch(source, target, dir.file("p.ips"), PatchFormat::Ips)), "");
    ASSERT_EQ(error(applyPatch(dir.file("p.ips"), source, dir.file("patched"))), "");
    EXPECT_EQ(test::readAll(dir.file("patched")), test::readAll(target));
    test::writeImage(target, {{0x1000000, "B"}});
    EXPECT_EQ(
        error(createPatch(source, target, dir.file("p.ips"), PatchFormat::Ips)),
        "\"" + target +
            "\" has 16777217 bytes: an IPS patch cannot reach past 16 MiB. Save the patch as BPS instead.");
}

// The hashes of fixed inputs, as the standards' test vectors and zlib's documentation give them.
TEST(FileHashes, AreThoseOfTheStandardsTestVectors) {
    test::TempDir dir;
    const std::pair<std::string, std::string> rows[] = {
        {"",
         "Size: 0 bytes\nCRC32: 00000000\nMD5: d41d8cd98f00b204e9800998ecf8427e\n"
         "SHA-1: da39a3ee5e6b4b0d3255bfef95601890afd80709\n"},
        {"abc",
         "Size: 3 bytes\nCRC32: 352441C2\nMD5: 900150983cd24fb0d6963f7d28e17f72\n"
         "SHA-1: a9993e364706816aba3e25717850c26c9cd0d89d\n"},
    };
    for (const auto& [bytes, lines] : rows) {
        test::writeText(dir.file("f.bin"), bytes);
        const auto hashes = hashFile(dir.file("f.bin"));
        ASSERT_TRUE(hashes) << hashes.error();
        EXPECT_EQ(hashLines("f.bin", *hashes), "f.bin\n" + lines);
    }
}

}  // namespace
}  // namespace rq::patch
