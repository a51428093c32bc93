#include <algorithm>
#include <optional>
#include <span>

#include "files/asciitext.h"
#include "headers/headerfields.h"
#include "support/testfiles.h"

namespace rq::headers {

using namespace rq::files;
namespace {

using namespace std::string_literals;

using test::distinctBytes;

// Names the first byte that differs instead of printing both files.
void expectFile(const std::string& path, const std::string& expected) {
    const std::string actual = test::readAll(path);
    const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first;
    EXPECT_TRUE(actual == expected) << path << " differs from offset 0x" << std::hex << (at - actual.begin());
}

struct Spot {
    std::string_view control;
    std::size_t offset, size;  // size 0: one byte shown as two hexadecimal digits
};
constexpr Spot kGbaSpots[] = {{"romtitle", 0xA0, 12}, {"shortname", 0xAD, 2},  {"region", 0xAF, 1},
                              {"maker", 0xB0, 2},     {"devicetype", 0xB4, 0}, {"version", 0xBC, 0}};
constexpr Spot kMegaDriveSpots[] = {{"consolename", 0x100, 15},  {"copyrightcompany", 0x113, 4},
                                    {"year", 0x118, 4},          {"month", 0x11D, 3},
                                    {"domesticname", 0x120, 48}, {"overseasname", 0x150, 48},
                                    {"typeofproduct", 0x180, 2}, {"productcode", 0x183, 8},
                                    {"dash", 0x18B, 1},          {"versionnumber", 0x18C, 2},
                                    {"iosupport", 0x190, 16},    {"modem", 0x1BC, 12},
                                    {"memo", 0x1C8, 40},         {"region", 0x1F0, 3}};

TEST(HeaderFields, EveryFieldShowsItsOwnBytesInTheWindowsOrder) {
    const test::TempDir dir;
    const std::string bytes = distinctBytes(0x200);
    for (const auto& [kind, file, spots] :
         {std::tuple(Kind::Gba, "x.gba", std::span<const Spot>(kGbaSpots)),
          std::tuple(Kind::MegaDrive, "x.bin", std::span<const Spot>(kMegaDriveSpots))}) {
        test::writeText(dir.file(file), bytes);
        const auto read = readHeader(dir.file(file), kind);
        EXPECT_FALSE(read.readFailed);
        ASSERT_EQ(fields(kind).size(), spots.size());
        ASSERT_EQ(read.texts.size(), spots.size());
        for (std::size_t i = 0; i < spots.size(); ++i) {
            const Spot& s = spots[i];
            EXPECT_EQ(fields(kind)[i].control, s.control);
            EXPECT_EQ(findField(kind, s.control), i);
            EXPECT_EQ(read.texts[i], s.size == 0 ? hexText(static_cast<std::uint8_t>(bytes[s.offset]), 2)
                                                 : bytes.substr(s.offset, s.size))
                << s.control;
        }
    }
    EXPECT_EQ(findField(Kind::Gba, "dash"), std::nullopt);
    EXPECT_EQ(std::vector({kindOf("a.gba"), kindOf("A.GBA"), kindOf("a.Bin"), kindOf("a.gb"), kindOf("gba")}),
              std::vector<std::optional<Kind>>({Kind::Gba, Kind::Gba, Kind::MegaDrive, {}, {}}));
}

// A file that ends inside the header shows nothing where it has no bytes, not even "00".
TEST(HeaderFields, TextsEndAtAZeroByteAndAShortOrMissingFileShowsEmptyFields) {
    const test::TempDir dir;
    test::writeImage(dir.file("short.gba"), {{0xA0, "AB\0CDEFGHIJ\xE9"s}, {0xAD, "\0Z"s}, {0xB0, "M"}}, 0xB2);
    const auto read = readHeader(dir.file("short.gba"), Kind::Gba);
    EXPECT_EQ(read.texts, (std::vector<std::string>{"AB", "", "", "M", "", ""}));
    const auto gone = readHeader(dir.file("missing.gba"), Kind::Gba);
    EXPECT_TRUE(gone.readFailed);
    EXPECT_EQ(gone.texts, std::vector<std::string>(6));
}

// Only the edited fields are written, each padded to its whole size with its header's filler.
TEST(HeaderFields, ASaveWritesEachEditPaddedAndRefusesWhatItCannotWrite) {
    const test::TempDir dir;
    const std::string gba = dir.file("x.gba"), bin = dir.file("x.bin"), cut = dir.file("cut.bin");
    test::writeText(gba, distinctBytes(0x200));
    test::writeText(bin, distinctBytes(0x200));
    test::writeImage(cut, {}, 0x1F2);
    std::string gbaExpected = distinctBytes(0x200), binExpected = gbaExpected;
    ASSERT_TRUE(
        saveHeader(gba, Kind::Gba, std::vector<FieldEdit>{{0, "Caf\xC3\xA9"}, {2, ""}, {3, "01"}}).ok());
    ASSERT_TRUE(saveHeader(bin, Kind::MegaDrive, std::vector<FieldEdit>{{4, "Hi"}, {13, "JUE"}}).ok());
    gbaExpected.replace(0xA0, 12, "Caf\xE9\0\0\0\0\0\0\0\0"s).replace(0xAF, 1, "\0"s).replace(0xB0, 2, "01");
    binExpected.replace(0x120, 48, "Hi" + std::string(46, ' ')).replace(0x1F0, 3, "JUE");
    expectFile(gba, gbaExpected);
    expectFile(bin, binExpected);

    const std::tuple<std::string, std::size_t, std::string, std::string> refusals[] = {
        {gba, 4, "00", "The device type is shown only and cannot be written."},
        {gba, 5, "", "The version is shown only and cannot be written."},
        {bin, 8, "-", "The separator is shown only and cannot be written."},
        {gba, 1, "ABC", "The short name has room for 2 characters, not the 3 of its new text."},
        {gba, 0, "\xE4\xB8\xAD", "The title: The character '\xE4\xB8\xAD' has no byte in code page 1252."},
        {bin, 4, "Hi\tthere",
         "The domestic name: The control character '\\t' cannot be written into a header."},
        {gba, 0, "\xC2\x9B", "The title: The control character '\\x9B' cannot be written into a header."},
        {cut, 13, "E",
         "The region lies past the end of the file (offset 0x1F0, 3 bytes; the file has 498 bytes)."},
    };
    for (const auto& [file, field, text, error] : refusals) {
        const std::string before = test::readAll(file);
        const auto saved = saveHeader(file, *kindOf(file), std::vector<FieldEdit>{{1, "ok"}, {field, text}});
        EXPECT_EQ(saved.ok() ? "" : saved.error(), error + " Nothing was written.");
        expectFile(file, before);
    }
}

// A Mega Drive box shows its text without the spaces its save pads with, and that text is no change; a GBA
// text ends at its zero bytes already, and its spaces are its own, as is the separator, which is never saved.
TEST(HeaderFields, OnlyTextsThatDifferOncePaddedAreChanges) {
    EXPECT_EQ(shownText(Kind::MegaDrive, 4, "SONIC  "), "SONIC");
    EXPECT_EQ(shownText(Kind::MegaDrive, 8, " "), " ");
    EXPECT_EQ(shownText(Kind::Gba, 0, "AB "), "AB ");
    std::vector<std::string> before(fields(Kind::MegaDrive).size(), "JUE");
    before[4] = "SONIC" + std::string(43, ' ');
    std::vector<std::optional<std::string>> after(before.size());
    after[4] = "SONIC";
    after[11] = "";
    after[12] = "JUE ";
    const auto changed = changedFields(Kind::MegaDrive, before, after);
    ASSERT_TRUE(changed) << changed.error();
    ASSERT_EQ(changed->size(), 1u);
    EXPECT_EQ((*changed)[0].field, 11u);
    const std::vector<std::string> gbaBefore = {"AB", "XY", "E", "01", "80", "01"};
    std::vector<std::optional<std::string>> gbaAfter(6);
    gbaAfter[0] = "AB";
    EXPECT_TRUE(changedFields(Kind::Gba, gbaBefore, gbaAfter)->empty());
}

// GBA: title "A" (0x41) and the fixed 0x96 at 0xB2 sum to 0xD7; -(0xD7 + 0x19) = -0xF0 = 0x10 (mod 256).
// Mega Drive (0x20201 bytes, two 64 KiB blocks and an odd byte): 0x1234 + 0x0100 (the first block's last
// word) + 0xFFFF (the second's first) + 0x0001 (the last whole word) = 0x11334, kept to 16 bits 0x1334;
// the trailing 0x77 counts for nothing.
TEST(HeaderChecksum, ComputedFromTheHeaderOrTheWholeFileAndFixedInItsOwnBytesOnly) {
    const test::TempDir dir;
    const std::string gba = dir.file("x.gba"), bin = dir.file("x.bin");
    test::writeImage(gba, {{0xA0, "A"}, {0xB2, "\x96"}, {0xBD, "\x5A\xEE\xEE"}});
    test::writeImage(bin, {{0x18E, "\xAB\xCD"},
                           {0x200, "\x12\x34"},
                           {0x101FE, "\x01\x00\xFF\xFF"s},
                           {0x201FE, "\x00\x01\x77"s}});
    const std::tuple<std::string, std::uint32_t, std::uint32_t, std::size_t, std::string> files[] = {
        {gba, 0x5A, 0x10, 0xBD, "\x10"}, {bin, 0xABCD, 0x1334, 0x18E, "\x13\x34"}};
    for (const auto& [file, stored, computed, offset, fixed] : files) {
        const auto before = readChecksum(file, *kindOf(file));
        ASSERT_TRUE(before.ok()) << before.error();
        EXPECT_EQ(std::tuple(before->stored, before->computed, before->right()),
                  std::tuple(stored, computed, false));
        std::string expected = test::readAll(file);
        expected.replace(offset, fixed.size(), fixed);
        ASSERT_TRUE(fixChecksum(file, *kindOf(file)).ok());
        expectFile(file, expected);
    }

    const std::string shortGba = dir.file("short.gba"), shortBin = dir.file("short.bin");
    test::writeImage(shortGba, {}, 0xBD);
    test::writeImage(shortBin, {}, 0x18F);
    const std::pair<std::string, std::string> refused[] = {
        {shortGba, "\"" + shortGba + "\" has 189 bytes, too few to hold the check byte at 0xBD."},
        {shortBin, "\"" + shortBin + "\" has 399 bytes, too few to hold the checksum at 0x18E."},
        {dir.file("no.bin"), "The file \"" + dir.file("no.bin") + "\" does not exist."},
    };
    for (const auto& [file, error] : refused) {
        const auto read = readChecksum(file, *kindOf(file));
        EXPECT_EQ(read.ok() ? "" : read.error(), error);
        const auto fixed = fixChecksum(file, *kindOf(file));
        EXPECT_EQ(fixed.ok() ? "" : fixed.error(), error + " Nothing was written.");
    }
    expectFile(shortGba, std::string(0xBD, '\0'));
}

// Ascending by code from box to box, except that 5X closes box 2 and 5W opens box 3.
TEST(MakerCodes, SixBoxesWithTheirTitlesLinesAndOrder) {
    const std::string rom = "Romquill - GBA ROM Header Editor", later = "Romquill - GBA Rom Header Editor";
    const std::tuple<std::string, std::size_t, std::string, std::string> boxes[] = {
        {rom, 30, "01 - Nintendo", "49 - IREM"},
        {rom, 31, "4D - Malibu Games", "5X - Microids"},
        {rom, 29, "5W - BKN Ent./Red Storm Ent.", "7G - Rage Software"},
        {later, 30, "7M - Asmik Ace Entertainment Inc./AIA", "AL - MediaFactory"},
        {later, 32, "B0 - Acclaim Japan", "D4 - Ask Kodansa/Lenar"},
        {"GBA Rom Header Editor", 20, "D7 - Copya System", "HY - Sachen"},
    };
    ASSERT_EQ(makerCodeBoxes().size(), 6u);
    std::string previous;
    for (std::size_t b = 0; b < 6; ++b) {
        const MakerCodeBox& box = makerCodeBoxes()[b];
        ASSERT_EQ(std::tuple(std::string(box.title), box.lines.size(), std::string(box.lines.front()),
                             std::string(box.lines.back())),
                  boxes[b]);
        for (const std::string_view line : box.lines) {
            const std::string code(line.substr(0, 2));
            EXPECT_EQ(line.substr(2, 3), " - ") << line;
            EXPECT_TRUE(code > previous || (previous == "5X" && code == "5W")) << line;
            previous = code;
        }
    }
}

}  // namespace
}  // namespace rq::headers
