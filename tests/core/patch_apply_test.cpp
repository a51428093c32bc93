#include <algorithm>

#include "files/asciitext.h"
#include "patch/baseforms.h"
#include "patch/patchfiles.h"
#include "support/patchdecoder.h"
#include "support/testfiles.h"

namespace rq {

using namespace rq::files;
using namespace rq::patch;
namespace {

using namespace std::string_literals;
using test::bpsNumber;
using test::bpsPatch;
using test::crc32Of;

std::string hex(std::uint32_t crc) {
    return "0x" + hexText(crc, 8);
}

std::string action(int kind, std::uint64_t length) {
    return bpsNumber((length - 1) << 2 | kind);
}

const std::string kSource = "ABCDEFGH", kTarget = "ABCDxyGH";
std::string good() {
    return bpsPatch(kSource, kTarget, action(0, 4) + action(1, 2) + "xy" + action(0, 2));
}
std::string bps(const std::string& actions, const std::string& target = kTarget) {
    return bpsPatch(kSource, target, actions);
}
// kSource to kTarget as UPS around the records; by default skip 4, the XOR of two pairs, the zero byte
// ending the run.
std::string ups(const std::string& records = bpsNumber(4) + "\x3D\x3F"s + '\0') {
    const std::string patch = "UPS1" + bpsNumber(8) + bpsNumber(8) + records +
                              test::littleEndian(crc32Of(kSource)) + test::littleEndian(crc32Of(kTarget));
    return patch + test::littleEndian(crc32Of(patch));
}

// A few bytes declaring 1 PiB, more than any disk the tests run on has free.
std::string petabyte() {
    const std::string patch = "BPS1" + bpsNumber(8) + bpsNumber(1ull << 50) + bpsNumber(0) + action(0, 8) +
                              test::littleEndian(crc32Of(kSource)) + test::littleEndian(0);
    return patch + test::littleEndian(crc32Of(patch));
}

// 16 KiB of distinct bytes and a patch that keeps them, and the same in the SMD layout: a 512-byte header,
// then the odd bytes of the block, then the even ones.
const std::string kBlock = test::distinctBytes(16384);
std::string keepsBlock() {
    return bpsPatch(kBlock, kBlock, action(0, kBlock.size()));
}
std::string interleaved() {
    std::string odd, even;
    for (std::size_t i = 0; i < kBlock.size(); i += 2) {
        even += kBlock[i];
        odd += kBlock[i + 1];
    }
    return std::string(512, '\0') + odd + even;
}
const std::string kRepair =
    ", it is the file this patch was made for. Use --repair (or \"Repair and apply\" in the "
    "window) to apply it to the file ";

// A patch, the file it is applied to, and the start of the refusal; DIR/ stands for the test's folder.
using Refusal = std::tuple<const char*, std::string, std::string, std::string>;

const Refusal kRefusals[] = {
    {"not a patch", "hello", kSource, "\"DIR/patch\" is not an IPS, BPS or UPS patch."},
    {"wrong source", good(), "ABCDEFGX",
     "\"DIR/file\" is not the file this patch was made for: its CRC32 is " + hex(crc32Of("ABCDEFGX")) +
         ", the patch expects " + hex(crc32Of(kSource)) + "."},
    {"wrong size", good(), "ABC",
     "\"DIR/file\" is not the file this patch was made for: it has 3 bytes, the patch expects 8 bytes with "
     "CRC32 0x"},
    {"already patched", good(), kTarget, "\"DIR/file\" is already patched: its CRC32 0x"},
    {"copier header", good(), std::string(512, '\xFF') + kSource,
     "\"DIR/file\" has a 512-byte copier header; without it" + kRepair + "without the header."},
    {"byte-swapped", good(), "BADCFEHG",
     "\"DIR/file\" is byte-swapped (every 16-bit word the other way round); in the normal byte order" +
         kRepair + "in the normal byte order."},
    {"cut short", good(), "ABCDEFG",
     "\"DIR/file\" is not the file this patch was made for: it has 7 bytes, the patch expects 8 bytes with "
     "CRC32 " +
         hex(crc32Of(kSource)) +
         ". It is 1 byte shorter than the file the patch expects: perhaps it was cut short."},
    {"interleaved", keepsBlock(), interleaved(),
     "\"DIR/file\" is in the interleaved SMD layout of Mega Drive copiers; in the normal layout" + kRepair +
         "in the normal layout."},
    {"damaged", good().replace(10, 1, "Y"), kSource, "\"DIR/patch\" is damaged: its CRC32 is 0x"},
    {"writes past the target", bps(action(0, 9)), kSource,
     "\"DIR/patch\" is not a valid BPS patch: an action writes past the target's size of 8 bytes."},
    {"source read past its end", bps(action(0, 10), kSource + "12"), kSource,
     "\"DIR/patch\" is not a valid BPS patch: an action reads past the end of the source."},
    {"copies target bytes not yet written", bps(action(3, 2) + bpsNumber(0)), kSource,
     "\"DIR/patch\" is not a valid BPS patch: an action reads target bytes not yet written."},
    {"copies before the source", bps(action(2, 2) + bpsNumber(3)), kSource,
     "\"DIR/patch\" is not a valid BPS patch: an action reads before the start of the source."},
    {"ends early", bps(action(0, 4)), kSource,
     "\"DIR/patch\" is not a valid BPS patch: its actions end after 4 of the target's 8 bytes."},
    {"wrong target CRC", bps(action(0, 8)), kSource,
     "\"DIR/patch\" is not a valid BPS patch: the bytes it makes have CRC32 " + hex(crc32Of(kSource)) +
         ", not the " + hex(crc32Of(kTarget)) + " it records."},
    {"declares more than the disk has free", petabyte(), kSource,
     "\"DIR/patch\" makes a file of 1125899906842624 bytes, but the folder of \"DIR/out\" has only "},
    {"UPS wrong source", ups(), "ABCDEFGX",
     "\"DIR/file\" is not the file this patch was made for: its CRC32 is " + hex(crc32Of("ABCDEFGX")) +
         ", the patch expects " + hex(crc32Of(kSource)) + "."},
    {"UPS applied to its target", ups(), kTarget,
     "\"DIR/file\" is already patched: its CRC32 " + hex(crc32Of(kTarget)) +
         " is the one the patch makes. Applied with --reverse, the patch gives the original back."},
    {"UPS damaged", ups().replace(7, 1, "\x01"), kSource, "\"DIR/patch\" is damaged: its CRC32 is 0x"},
    {"UPS record past the end", ups(bpsNumber(9) + "\x01"s + '\0'), kSource,
     "\"DIR/patch\" is not a valid UPS patch: a record reaches past the 8 bytes of the larger file."},
    {"IPS cut inside a record", "PATCH\x00\x00\x01\x00\x05"s + "ab", kSource,
     "\"DIR/patch\" is not a valid IPS patch: it ends inside a record (the file is cut short)."},
    {"IPS without EOF", "PATCH\x00\x00\x01\x00\x01"s + "a", kSource,
     "\"DIR/patch\" is not a valid IPS patch: it ends without its \"EOF\" marker (the file is cut short)."},
    {"IPS with stray bytes", "PATCHEOF\x00\x00"s, kSource,
     "\"DIR/patch\" is not a valid IPS patch: it has 2 stray bytes after its \"EOF\" marker."},
};

class RefusedPatch : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedPatch, LeavesNoOutputAndSaysWhy) {
    const auto& [name, patch, file, refusal] = GetParam();
    const test::TempDir dir;
    // The paths as the test hands them over, with the platform's separator.
    const std::string error = test::replaced(
        refusal,
        {{"DIR/patch", dir.file("patch")}, {"DIR/file", dir.file("file")}, {"DIR/out", dir.file("out")}});
    test::writeText(dir.file("patch"), patch);
    test::writeText(dir.file("file"), file);
    const auto applied = applyPatch(dir.file("patch"), dir.file("file"), dir.file("out"));
    ASSERT_FALSE(applied);
    EXPECT_EQ(applied.error().substr(0, error.size()), error);
    EXPECT_EQ(test::filesIn(dir), (std::vector<std::string>{"file", "patch"}));
}

INSTANTIATE_TEST_SUITE_P(Patches, RefusedPatch, testing::ValuesIn(kRefusals), test::rowName);

// Repaired, each form gives the patch's target byte for byte, BPS and UPS alike, and nothing is left beside
// the output; the mended form has no name, so a user's file under any name is left alone.
TEST(RefusedPatch, RepairedAppliesToTheMendedFile) {
    const std::tuple<std::string, std::string, std::string, BaseForm> rows[] = {
        {kSource, std::string(512, '\xFF') + kSource, kTarget, BaseForm::CopierHeader},
        {kSource, "BADCFEHG", kTarget, BaseForm::ByteSwapped},
        {kBlock, interleaved(), std::string(kBlock).replace(100, 3, "new"), BaseForm::Interleaved},
    };
    for (const auto& [source, file, target, form] : rows) {
        for (const PatchFormat format : {PatchFormat::Bps, PatchFormat::Ups}) {
            const test::TempDir dir;
            test::writeText(dir.file("source"), source);
            test::writeText(dir.file("target"), target);
            ASSERT_TRUE(createPatch(dir.file("source"), dir.file("target"), dir.file("patch"), format));
            test::writeText(dir.file("file"), file);
            test::writeText(dir.file("out.romquill-mended"), "mine");
            const auto repaired = repairAndApply(dir.file("patch"), dir.file("file"), dir.file("out"));
            ASSERT_TRUE(repaired) << repaired.error();
            EXPECT_EQ(repaired->mended, form);
            EXPECT_EQ(test::readAll(dir.file("out")), target);
            EXPECT_EQ(test::readAll(dir.file("file")), file);
            EXPECT_EQ(test::readAll(dir.file("out.romquill-mended")), "mine");
            EXPECT_EQ(test::filesIn(dir), (std::vector<std::string>{"file", "out", "out.romquill-mended",
                                                                    "patch", "source", "target"}));
        }
    }
}

// A file in no known form of the source, but a game the catalogue knows: its header names it.
TEST(RefusedPatch, NamesTheGameAnotherFileIs) {
    const test::TempDir dir;
    test::writeImage(dir.file("other.bin"), {{0x100, "SEGA MEGA DRIVE"}, {0x183, "00001051-01"}}, 0x400);
    EXPECT_EQ(otherFileNote(dir.file("other.bin"), 0x400, 0x200),
              " Its header names it as Sonic The Hedgehog 2. It is 512 bytes longer than the file the patch "
              "expects: perhaps it is overdumped or padded.");
}

std::string bigEndian(std::uint64_t value, int bytes) {
    const std::string little = test::littleEndian(value, bytes);
    return {little.rbegin(), little.rend()};
}

std::string ipsRecord(std::uint64_t offset, const std::string& data) {
    return bigEndian(offset, 3) + bigEndian(data.size(), 2) + data;
}

std::string ipsRun(std::uint64_t offset, std::uint64_t length, char byte) {
    return bigEndian(offset, 3) + bigEndian(0, 2) + bigEndian(length, 2) + byte;
}

// A patch's information, and the changed ranges it lists as "offset+length;" each.
Result<PatchInfo> infoOf(const std::string& patch, std::string& ranges) {
    return readPatchInfo(patch, [&](const ChangedRange& r) {
        ranges += std::to_string(r.offset) + "+" + std::to_string(r.length) + ";";
    });
}

// Applied to "ABCDEFGH": the output, the warning given, and the ranges the patch's information lists.
using IpsRow = std::tuple<const char*, std::string, std::string, std::string, std::string>;

// What the common patchers apply although they flag it, in the patch's order, and what they do with a
// record past the end (the gap becomes zero bytes) and the truncate field.
const IpsRow kIps[] = {
    {"past the end", "PATCH" + ipsRecord(10, "xy") + "EOF", "ABCDEFGH\0\0xy"s, "", "10+2;"},
    {"out of order", "PATCH" + ipsRecord(4, "zz") + ipsRecord(0, "a") + "EOF", "aBCDzzGH",
     "Record 2 (offset 0x0) comes before the record ahead of it (out of order).", "4+2;0+1;"},
    {"overlapping", "PATCH" + ipsRecord(0, "abc") + ipsRecord(2, "Z") + "EOF", "abZDEFGH",
     "Record 2 (offset 0x2) overlaps the record ahead of it.", "0+3;2+1;"},
    {"a run of zero bytes past the end which writes nothing", "PATCH" + ipsRun(20, 0, 'z') + "EOF",
     "ABCDEFGH", "Record 1 (offset 0x14) is a run of zero bytes.", ""},
    {"a run touching records and the truncate field",
     "PATCH" + ipsRun(1, 3, 'r') + ipsRecord(4, "s") + "EOF" + bigEndian(6, 3), "ArrrsF", "", "1+4;"},
};

class IpsRecords : public testing::TestWithParam<IpsRow> {};

TEST_P(IpsRecords, ApplyAsThePatchersDo) {
    const auto& [name, patch, output, warning, listed] = GetParam();
    const test::TempDir dir;
    test::writeText(dir.file("file"), "ABCDEFGH");
    test::writeText(dir.file("p.ips"), patch);
    const auto applied = applyPatch(dir.file("p.ips"), dir.file("file"), dir.file("out"));
    ASSERT_TRUE(applied) << applied.error();
    EXPECT_EQ(test::readAll(dir.file("out")), output);
    const auto warnings = warning.empty() ? std::vector<std::string>{} : std::vector{warning};
    EXPECT_EQ(applied->warnings, warnings);
    std::string ranges;
    const auto info = infoOf(dir.file("p.ips"), ranges);
    ASSERT_TRUE(info);
    EXPECT_EQ(ranges, listed);
    EXPECT_EQ(info->changedRanges, static_cast<std::uint64_t>(std::ranges::count(listed, ';')));
    EXPECT_EQ(info->warnings, warnings);
}

INSTANTIATE_TEST_SUITE_P(Records, IpsRecords, testing::ValuesIn(kIps), test::rowName);

// Backwards a UPS patch gives the source from the target, and refuses the source itself; nothing else goes
// backwards.
TEST(PatchBackward, UndoesAUpsPatchOnly) {
    const test::TempDir dir;
    test::writeText(dir.file("p.ups"), ups());
    test::writeText(dir.file("p.bps"), good());
    test::writeText(dir.file("source"), kSource);
    test::writeText(dir.file("target"), kTarget);
    const auto backward = [&](const char* patch, const char* file) -> std::string {
        const auto applied =
            applyPatch(dir.file(patch), dir.file(file), dir.file("out"), {}, PatchDirection::Backward);
        return applied ? test::readAll(dir.file("out")) : applied.error();
    };
    EXPECT_EQ(backward("p.ups", "target"), kSource);
    EXPECT_EQ(backward("p.ups", "source"),
              "\"" + dir.file("source") + "\" is the original already: its CRC32 " + hex(crc32Of(kSource)) +
                  " is the one the patch gives back. Apply the patch without --reverse.");
    EXPECT_EQ(backward("p.bps", "target"), "BPS patches cannot be applied backwards.");

    std::string ranges;
    const auto info = infoOf(dir.file("p.ups"), ranges);
    ASSERT_TRUE(info) << info.error();
    EXPECT_EQ(std::vector({info->sourceCrc, info->targetCrc}),
              std::vector({crc32Of(kSource), crc32Of(kTarget)}));
    EXPECT_EQ(std::vector({info->sourceSize, info->targetSize}), std::vector<std::uint64_t>({8, 8}));
    EXPECT_TRUE(info->patchCrcRight);
    EXPECT_EQ(ranges, "4+2;");
}

TEST(PatchInfo, GivesWhatABpsPatchCarries) {
    const std::string target = "ABCDxyCD";
    std::string patch =
        bpsPatch(kSource, target, action(0, 4) + action(1, 2) + "xy" + action(2, 2) + bpsNumber(4),
                 "<patch>x</patch>");
    const std::uint32_t recorded = crc32Of(patch.substr(0, patch.size() - 4));
    const test::TempDir dir;
    for (const bool damaged : {false, true}) {
        patch[patch.size() - 8] ^= damaged ? 1 : 0;  // the target's CRC
        test::writeText(dir.file("p.bps"), patch);
        std::string ranges;
        const auto info = infoOf(dir.file("p.bps"), ranges);
        ASSERT_TRUE(info) << info.error();
        EXPECT_EQ(info->format, PatchFormat::Bps);
        EXPECT_EQ(std::vector({info->patchSize, info->sourceSize, info->targetSize, info->changedRanges}),
                  std::vector<std::uint64_t>({patch.size(), 8, 8, 1}));
        EXPECT_EQ(std::vector({info->sourceCrc, info->targetCrc, info->patchCrc}),
                  std::vector({crc32Of(kSource), crc32Of(target) ^ (damaged ? 1u : 0u), recorded}));
        EXPECT_EQ(info->metadata, "<patch>x</patch>");
        EXPECT_EQ(info->patchCrcRight, !damaged);
        EXPECT_EQ(info->warnings.size(), damaged ? 1u : 0u);
        EXPECT_EQ(ranges, "4+4;");
    }
}

}  // namespace
}  // namespace rq
