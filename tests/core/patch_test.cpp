// Patches made here must apply with any patcher and theirs here: every patch we make goes through a
// decoder written from the formats' description alone (support/patchdecoder), and the common patcher's own
// patches (tests/data/patch-vectors) go through ours.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "patch/patchfiles.h"
#include "support/patchdecoder.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using namespace std::string_literals;

using test::bpsNumber;
using test::bpsPatch;
using test::crc32Of;
using test::decodePatch;

// Bytes that differ from their neighbours, so that nothing passes as a run by chance.
std::string noise(std::size_t size, unsigned seed = 1) {
    std::string bytes(size, '\0');
    for (auto& byte : bytes) {
        seed = seed * 1103515245 + 12345;
        byte = static_cast<char>(seed >> 16);
    }
    return bytes;
}

std::string with(std::string bytes, std::size_t offset, const std::string& part) {
    if (bytes.size() < offset + part.size()) {
        bytes.resize(offset + part.size(), '\0');
    }
    return bytes.replace(offset, part.size(), part);
}

// The files of a folder, so that a test sees any temporary file left behind.
std::vector<std::string> filesIn(const test::TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

constexpr std::uint64_t kEofOffset = 0x454F46;

TEST(Patch, MadePatchesGiveTheTargetThroughAnIndependentDecoderAndThroughOurOwn) {
    const std::string base = noise(4096);
    const std::string nearEof = noise(kEofOffset + 40);
    const std::string twoBlocks = noise((1u << 20) + 100);
    const struct {
        std::string name, source, target;
        std::uint64_t ranges;  // the changed ranges both formats report
    } cases[] = {
        {"both empty", "", "", 0},
        {"identical", base, base, 0},
        {"empty source", "", "seventeen bytes!!", 1},
        {"empty target", base, "", 0},
        {"changes including the last byte", base, with(with(base, 10, "EDIT"), 4095, "\xEE"), 2},
        {"first byte", base, with(base, 0, "\x01"), 1},
        {"longer, with a zero gap", base, base + std::string(300, '\0') + "END", 1},
        {"shorter", base, base.substr(0, 3000), 0},
        {"runs", base, with(with(base, 100, std::string(1000, '\0')), 3000, std::string(400, '\xEE')), 2},
        {"a change of 70,000 bytes", noise(100000), with(noise(100000), 5, noise(70000, 7)), 1},
        {"a run of 200,000 bytes", noise(300000), with(noise(300000), 9, std::string(200000, 'z')), 1},
        {"a change across two blocks read", twoBlocks, with(twoBlocks, (1u << 20) - 9, "eighteen bytes !!!"),
         1},
        {"a change at the EOF offset", nearEof, with(nearEof, kEofOffset, "\x01"), 1},
        {"a change ending at the EOF offset", nearEof, with(nearEof, kEofOffset - 3, "abcd"), 1},
        {"a run at the EOF offset", nearEof, with(nearEof, kEofOffset, std::string(20, 'r')), 1},
        {"a long record split at the EOF offset", nearEof,
         with(nearEof, kEofOffset - 0xFFFF, noise(0xFFFF + 10, 3)), 1},
    };
    const test::TempDir dir;
    for (const auto& c : cases) {
        test::writeText(dir.file("source"), c.source);
        test::writeText(dir.file("target"), c.target);
        for (const auto* name : {"p.ips", "p.bps"}) {
            SCOPED_TRACE(c.name + " " + name);
            const std::string patchPath = dir.file(name);
            const auto made = createPatch(dir.file("source"), dir.file("target"), patchPath,
                                          *patchFormatForPath(patchPath));
            ASSERT_TRUE(made) << made.error();
            const std::string patch = test::readAll(patchPath);
            EXPECT_EQ(made->patchSize, patch.size());
            EXPECT_EQ(made->changedRanges, c.ranges);
            const auto decoded = decodePatch(patch, c.source);
            ASSERT_TRUE(decoded);
            EXPECT_TRUE(decoded->bytes == c.target);
            EXPECT_FALSE(decoded->suspicious);
            const auto applied = applyPatch(patchPath, dir.file("source"), dir.file("out"));
            ASSERT_TRUE(applied) << applied.error();
            EXPECT_EQ(applied->outputSize, c.target.size());
            EXPECT_TRUE(applied->warnings.empty());
            EXPECT_TRUE(test::readAll(dir.file("out")) == c.target);
        }
    }
}

// The common patcher's patches apply here, and ours are no longer than its for the same pair.
TEST(Patch, TheCommonPatchersPatchesApplyAndOursMatchThemInSize) {
    const std::filesystem::path vectors = ROMQUILL_PATCH_VECTORS;
    const test::TempDir dir;
    for (const auto* folder : {"edits", "longer", "shorter", "runs", "empty-source"}) {
        const auto file = [&](const char* name) { return (vectors / folder / name).string(); };
        const std::string source = test::readAll(file("source.bin")),
                          target = test::readAll(file("target.bin"));
        for (const auto* patch : {"flips.ips", "flips-linear.bps", "flips-delta.bps"}) {
            SCOPED_TRACE(std::string(folder) + "/" + patch);
            const auto applied = applyPatch(file(patch), file("source.bin"), dir.file("out"));
            ASSERT_TRUE(applied) << applied.error();
            EXPECT_TRUE(test::readAll(dir.file("out")) == target);
            EXPECT_TRUE(readPatchInfo(file(patch)));
        }
        for (const auto* name : {"ours.ips", "ours.bps"}) {
            SCOPED_TRACE(std::string(folder) + "/" + name);
            const auto made = createPatch(file("source.bin"), file("target.bin"), dir.file(name),
                                          *patchFormatForPath(name));
            ASSERT_TRUE(made) << made.error();
            const auto decoded = decodePatch(test::readAll(dir.file(name)), source);
            ASSERT_TRUE(decoded);
            EXPECT_TRUE(decoded->bytes == target);
            const char* theirs = name == "ours.ips"s ? "flips.ips" : "flips-linear.bps";
            EXPECT_LE(made->patchSize, std::filesystem::file_size(file(theirs)));
        }
    }
}

std::string hex(std::uint32_t crc) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", crc);
    return text;
}

std::string action(int kind, std::uint64_t length) {
    return bpsNumber((length - 1) << 2 | kind);
}

// Every refusal names what is wrong and leaves no output, not even a temporary file.
TEST(Patch, RefusedPatchesLeaveNoOutputAndSayWhy) {
    const std::string source = "ABCDEFGH", target = "ABCDxyGH";
    const std::string good = bpsPatch(source, target, action(0, 4) + action(1, 2) + "xy" + action(0, 2));
    std::string badCrc = good;
    badCrc[10] ^= 1;
    // A few bytes declaring 1 PiB, more than any disk the tests run on has free.
    std::string huge = "BPS1" + bpsNumber(8) + bpsNumber(1ull << 50) + bpsNumber(0) + action(0, 8) +
                       test::littleEndian32(crc32Of(source)) + test::littleEndian32(0);
    huge += test::littleEndian32(crc32Of(huge));
    const struct {
        std::string name, patch, file, error;
    } cases[] = {
        {"not a patch", "hello", source, "\"DIR/patch\" is not an IPS or BPS patch."},
        {"wrong source", good, "ABCDEFGX",
         "\"DIR/file\" is not the file this patch was made for: its CRC32 is " + hex(crc32Of("ABCDEFGX")) +
             ", the patch expects " + hex(crc32Of(source)) + "."},
        {"wrong size", good, "ABC",
         "\"DIR/file\" is not the file this patch was made for: it has 3 bytes, the "
         "patch expects 8 bytes with CRC32 0x"},
        {"already patched", good, target, "\"DIR/file\" is already patched: its CRC32 0x"},
        {"damaged", badCrc, source, "\"DIR/patch\" is damaged: its CRC32 is 0x"},
        {"writes past the target", bpsPatch(source, target, action(0, 9)), source,
         "\"DIR/patch\" is not a valid BPS patch: an action writes past the target's size of 8 bytes."},
        {"source read past its end", bpsPatch(source, source + "12", action(0, 10)), source,
         "\"DIR/patch\" is not a valid BPS patch: an action reads past the end of the source."},
        {"copies target bytes not yet written", bpsPatch(source, target, action(3, 2) + bpsNumber(0)), source,
         "\"DIR/patch\" is not a valid BPS patch: an action reads target bytes not yet written."},
        {"copies before the source", bpsPatch(source, target, action(2, 2) + bpsNumber(3)), source,
         "\"DIR/patch\" is not a valid BPS patch: an action reads before the start of the source."},
        {"ends early", bpsPatch(source, target, action(0, 4)), source,
         "\"DIR/patch\" is not a valid BPS patch: its actions end after 4 of the target's 8 bytes."},
        {"wrong target CRC", bpsPatch(source, target, action(0, 8)), source,
         "\"DIR/patch\" is not a valid BPS patch: the bytes it makes have CRC32 " + hex(crc32Of(source)) +
             ", not the " + hex(crc32Of(target)) + " it records."},
        {"declares more than the disk has free", huge, source,
         "\"DIR/patch\" makes a file of 1125899906842624 bytes, but the folder of \"DIR/out\" has only "},
        {"IPS cut inside a record", "PATCH\x00\x00\x01\x00\x05"s + "ab", source,
         "\"DIR/patch\" is not a valid IPS patch: it ends inside a record (the file is cut short)."},
        {"IPS without EOF", "PATCH\x00\x00\x01\x00\x01"s + "a", source,
         "\"DIR/patch\" is not a valid IPS patch: it ends without its \"EOF\" marker (the file is cut "
         "short)."},
        {"IPS with stray bytes", "PATCHEOF\x00\x00"s, source,
         "\"DIR/patch\" is not a valid IPS patch: it has 2 stray bytes after its \"EOF\" marker."},
    };
    const test::TempDir dir;
    const auto named = [&](std::string text) {
        // The paths as the test hands them over, with the platform's separator.
        for (const char* name : {"patch", "file", "out"}) {
            const std::string placeholder = std::string("DIR/") + name;
            if (const auto at = text.find(placeholder); at != std::string::npos) {
                text.replace(at, placeholder.size(), dir.file(name));
            }
        }
        return text;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeText(dir.file("patch"), c.patch);
        test::writeText(dir.file("file"), c.file);
        const auto applied = applyPatch(dir.file("patch"), dir.file("file"), dir.file("out"));
        ASSERT_FALSE(applied);
        EXPECT_EQ(applied.error().substr(0, named(c.error).size()), named(c.error));
        EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"file", "patch"}));
    }
}

std::string bigEndian(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>(value >> (8 * i));
    }
    return out;
}

std::string ipsRecord(std::uint64_t offset, const std::string& data) {
    return bigEndian(offset, 3) + bigEndian(data.size(), 2) + data;
}

std::string ipsRun(std::uint64_t offset, std::uint64_t length, char byte) {
    return bigEndian(offset, 3) + bigEndian(0, 2) + bigEndian(length, 2) + byte;
}

// What the common patchers apply although they flag it, in the patch's order, and what they do with a
// record past the end (the gap becomes zero bytes) and the truncate field.
TEST(Patch, IpsRecordsOutOfOrderOverlappingOrPastTheEndApplyAsThePatchersDo) {
    const struct {
        std::string name, patch, output, warning;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    } cases[] = {
        {"past the end", "PATCH" + ipsRecord(10, "xy") + "EOF", "ABCDEFGH\0\0xy"s, "", {{10, 2}}},
        {"out of order",
         "PATCH" + ipsRecord(4, "zz") + ipsRecord(0, "a") + "EOF",
         "aBCDzzGH",
         "Record 2 (offset 0x0) comes before the record ahead of it (out of order).",
         {{4, 2}, {0, 1}}},
        {"overlapping",
         "PATCH" + ipsRecord(0, "abc") + ipsRecord(2, "Z") + "EOF",
         "abZDEFGH",
         "Record 2 (offset 0x2) overlaps the record ahead of it.",
         {{0, 3}, {2, 1}}},
        {"a run of zero bytes past the end, which writes nothing",
         "PATCH" + ipsRun(20, 0, 'z') + "EOF",
         "ABCDEFGH",
         "Record 1 (offset 0x14) is a run of zero bytes.",
         {}},
        {"a run, touching records and the truncate field",
         "PATCH" + ipsRun(1, 3, 'r') + ipsRecord(4, "s") + "EOF" + bigEndian(6, 3),
         "ArrrsF",
         "",
         {{1, 4}}},
    };
    const test::TempDir dir;
    test::writeText(dir.file("file"), "ABCDEFGH");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeText(dir.file("p.ips"), c.patch);
        const auto applied = applyPatch(dir.file("p.ips"), dir.file("file"), dir.file("out"));
        ASSERT_TRUE(applied) << applied.error();
        EXPECT_EQ(test::readAll(dir.file("out")), c.output);
        EXPECT_EQ(applied->outputSize, c.output.size());
        const auto warnings = c.warning.empty() ? std::vector<std::string>{} : std::vector{c.warning};
        EXPECT_EQ(applied->warnings, warnings);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
        const auto info = readPatchInfo(
            dir.file("p.ips"), [&](const ChangedRange& r) { ranges.emplace_back(r.offset, r.length); });
        ASSERT_TRUE(info);
        EXPECT_EQ(ranges, c.ranges);
        EXPECT_EQ(info->changedRanges, c.ranges.size());
        EXPECT_EQ(info->warnings, warnings);
    }
}

TEST(Patch, InfoGivesWhatABpsPatchCarries) {
    const std::string source = "ABCDEFGH", target = "ABCDxyCD";
    std::string patch = bpsPatch(
        source, target, action(0, 4) + action(1, 2) + "xy" + action(2, 2) + bpsNumber(4), "<patch>x</patch>");
    const std::uint32_t recorded = crc32Of(patch.substr(0, patch.size() - 4));
    const test::TempDir dir;
    for (const bool damaged : {false, true}) {
        patch[patch.size() - 8] ^= damaged ? 1 : 0;  // the target's CRC
        test::writeText(dir.file("p.bps"), patch);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
        const auto info = readPatchInfo(
            dir.file("p.bps"), [&](const ChangedRange& r) { ranges.emplace_back(r.offset, r.length); });
        ASSERT_TRUE(info) << info.error();
        EXPECT_EQ(info->format, PatchFormat::Bps);
        EXPECT_EQ(std::vector({info->patchSize, info->sourceSize, info->targetSize, info->changedRanges}),
                  std::vector<std::uint64_t>({patch.size(), 8, 8, 1}));
        EXPECT_EQ(std::vector({info->sourceCrc, info->targetCrc, info->patchCrc}),
                  std::vector({crc32Of(source), crc32Of(target) ^ (damaged ? 1u : 0u), recorded}));
        EXPECT_EQ(info->metadata, "<patch>x</patch>");
        EXPECT_EQ(info->patchCrcRight, !damaged);
        EXPECT_EQ(info->warnings.size(), damaged ? 1u : 0u);
        EXPECT_EQ(ranges, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{4, 4}}));
    }
}

// Never in place, never an IPS past 16 MiB, and a cancel at any point leaves only what was there before.
TEST(Patch, RefusalsBeforeWritingAndCancelsLeaveNothingBehind) {
    const test::TempDir dir;
    const std::string source = dir.file("source"), target = dir.file("target"), link = dir.file("link");
    test::writeImage(source, {{0, "A"}}, 3 << 20);
    test::writeImage(target, {{5 << 20, "B"}}, 6 << 20);
    std::filesystem::create_hard_link(source, link);
    ASSERT_TRUE(createPatch(source, target, dir.file("p.bps"), PatchFormat::Bps));
    const auto stop = [](std::uint64_t done, std::uint64_t total) { return done > total; };
    const struct {
        std::string name;
        Status result;
        std::string error;
    } cases[] = {
        {"apply onto the file", Status(applyPatch(dir.file("p.bps"), source, source).failure()),
         "The patched file cannot be saved as \"" + source + "\": a patch is never applied in place."},
        {"apply onto another name of it", Status(applyPatch(dir.file("p.bps"), source, link).failure()),
         "The patched file cannot be saved as \"" + link + "\": a patch is never applied in place."},
        {"create over the original", Status(createPatch(source, target, link, PatchFormat::Ips).failure()),
         "The patch cannot be saved as \"" + link + "\": that is one of the files it compares."},
        {"cancel create BPS",
         Status(createPatch(source, target, dir.file("q.bps"), PatchFormat::Bps, stop).failure()),
         std::string(kPatchCancelled)},
        {"cancel create IPS",
         Status(createPatch(source, target, dir.file("q.ips"), PatchFormat::Ips, stop).failure()),
         std::string(kPatchCancelled)},
        {"cancel apply", Status(applyPatch(dir.file("p.bps"), source, dir.file("out"), stop).failure()),
         std::string(kPatchCancelled)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.result) << c.name;
        EXPECT_EQ(c.result ? "" : c.result.error().substr(0, c.error.size()), c.error) << c.name;
    }
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"link", "p.bps", "source", "target"}));

    test::writeImage(target, {{0xFFFFFE, "B"}});
    EXPECT_TRUE(createPatch(source, target, dir.file("p.ips"), PatchFormat::Ips));
    test::writeImage(target, {{0xFFFFFF, "B"}});
    const auto refused = createPatch(source, target, dir.file("p.ips"), PatchFormat::Ips);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(),
              "\"" + target +
                  "\" has 16777216 bytes: an IPS patch cannot reach past 16 MiB. Save the patch as "
                  "BPS instead.");
}

}  // namespace
}  // namespace rq
