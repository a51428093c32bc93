#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "headers/headerfields.h"
#include "support/testfiles.h"

namespace rq::headers {
namespace {

using namespace std::string_literals;

// Printable and different from each neighbour, so a field read one byte off or one byte short shows.
std::string distinctBytes(std::size_t size) {
    std::string bytes(size, ' ');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(0x21 + i % 94);
    }
    return bytes;
}

std::string hexByte(char byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned char>(byte));
    return text;
}

// Whole-file comparison that names the first byte that differs instead of printing both files.
void expectFile(const std::string& path, const std::string& expected) {
    const std::string actual = test::readAll(path);
    const auto differs = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    EXPECT_TRUE(differs.first == actual.end() && differs.second == expected.end())
        << path << " differs at offset 0x" << std::hex << (differs.first - actual.begin()) << " (sizes 0x"
        << actual.size() << ", 0x" << expected.size() << ")";
}

TEST(HeaderFields, EveryFieldShowsItsOwnBytesInTheWindowsOrder) {
    const struct {
        Kind kind;
        std::string file;
        std::vector<std::tuple<std::string, std::size_t, std::size_t>> fields;  // control, offset, size
    } kinds[] = {
        {Kind::Gba,
         "x.gba",
         {{"romtitle", 0xA0, 12},
          {"shortname", 0xAD, 2},
          {"region", 0xAF, 1},
          {"maker", 0xB0, 2},
          {"devicetype", 0xB4, 0},  // size 0: one byte shown as two hexadecimal digits
          {"version", 0xBC, 0}}},
        {Kind::MegaDrive,
         "x.bin",
         {{"consolename", 0x100, 15},
          {"copyrightcompany", 0x113, 4},
          {"year", 0x118, 4},
          {"month", 0x11D, 3},
          {"domesticname", 0x120, 48},
          {"overseasname", 0x150, 48},
          {"typeofproduct", 0x180, 2},
          {"productcode", 0x183, 8},
          {"dash", 0x18B, 1},
          {"versionnumber", 0x18C, 2},
          {"iosupport", 0x190, 16},
          {"modem", 0x1BC, 12},
          {"memo", 0x1C8, 40},
          {"region", 0x1F0, 3}}},
    };
    const test::TempDir dir;
    const std::string bytes = distinctBytes(0x200);
    for (const auto& k : kinds) {
        test::writeText(dir.file(k.file), bytes);
        const auto read = readHeader(dir.file(k.file), k.kind);
        EXPECT_FALSE(read.readFailed);
        ASSERT_EQ(fields(k.kind).size(), k.fields.size());
        ASSERT_EQ(read.texts.size(), k.fields.size());
        for (std::size_t i = 0; i < k.fields.size(); ++i) {
            const auto& [control, offset, size] = k.fields[i];
            SCOPED_TRACE(control);
            EXPECT_EQ(fields(k.kind)[i].control, control);
            EXPECT_EQ(findField(k.kind, control), i);
            EXPECT_EQ(read.texts[i], size == 0 ? hexByte(bytes[offset]) : bytes.substr(offset, size));
        }
    }
    EXPECT_EQ(findField(Kind::Gba, "dash"), std::nullopt);

    const std::vector<std::pair<std::string, std::optional<Kind>>> names = {
        {"a.gba", Kind::Gba}, {"A.GBA", Kind::Gba}, {"a.Bin", Kind::MegaDrive},
        {"a.gb", {}},         {"gba", {}},          {"dir.gba/rom", {}}};
    for (const auto& [name, kind] : names) {
        EXPECT_EQ(kindOf(name), kind) << name;
    }
}

// Zero bytes end a text, and a file that ends inside the header shows nothing where it has no bytes, not
// even "00".
TEST(HeaderFields, TextsEndAtAZeroByteAndAShortOrMissingFileShowsEmptyFields) {
    const test::TempDir dir;
    const std::string gba = dir.file("short.gba");
    test::writeImage(gba, {{0xA0, "AB\0CDEFGHIJ\xE9"s}, {0xAD, "\0Z"s}, {0xB0, "M"}}, 0xB2);
    const auto read = readHeader(gba, Kind::Gba);
    EXPECT_EQ(read.texts, (std::vector<std::string>{"AB", "", "", "M", "", ""}));
    EXPECT_FALSE(read.readFailed);
    const auto gone = readHeader(dir.file("missing.gba"), Kind::Gba);
    EXPECT_TRUE(gone.readFailed);
    EXPECT_EQ(gone.texts, std::vector<std::string>(6));
}

// Only the edited fields are written, each padded to its whole size with its header's filler; every byte
// around and between them stays.
TEST(HeaderFields, ASaveWritesEachEditPaddedAndRefusesWhatItCannotWrite) {
    const test::TempDir dir;
    const std::string gba = dir.file("x.gba"), bin = dir.file("x.bin");
    test::writeText(gba, distinctBytes(0x200));
    test::writeText(bin, distinctBytes(0x200));
    std::string gbaExpected = distinctBytes(0x200), binExpected = gbaExpected;
    const std::vector<FieldEdit> gbaEdits = {{0, "Caf\xC3\xA9"}, {2, ""}, {3, "01"}};
    const std::vector<FieldEdit> binEdits = {{4, "Hi"}, {13, "JUE"}};
    ASSERT_TRUE(saveHeader(gba, Kind::Gba, gbaEdits).ok());
    ASSERT_TRUE(saveHeader(bin, Kind::MegaDrive, binEdits).ok());
    gbaExpected.replace(0xA0, 12, "Caf\xE9\0\0\0\0\0\0\0\0"s);
    gbaExpected.replace(0xAF, 1, "\0"s);
    gbaExpected.replace(0xB0, 2, "01");
    binExpected.replace(0x120, 48, "Hi" + std::string(46, ' '));
    binExpected.replace(0x1F0, 3, "JUE");
    expectFile(gba, gbaExpected);
    expectFile(bin, binExpected);

    const std::string cut = dir.file("cut.bin");
    test::writeImage(cut, {{0x100, "SEGA"}}, 0x1F2);
    const struct {
        Kind kind;
        std::string file;
        FieldEdit edit;
        std::string error;
    } refusals[] = {
        {Kind::Gba, gba, {4, "00"}, "devicetype is shown only and cannot be written."},
        {Kind::Gba, gba, {5, ""}, "version is shown only and cannot be written."},
        {Kind::MegaDrive, bin, {8, "-"}, "dash is shown only and cannot be written."},
        {Kind::Gba, gba, {1, "ABC"}, "shortname has room for 2 characters, not the 3 of its new text."},
        {Kind::MegaDrive,
         bin,
         {0, "\xE4\xB8\xAD"},
         "consolename: The character '\xE4\xB8\xAD' has no byte in code page 1252."},
        {Kind::MegaDrive,
         cut,
         {13, "E"},
         "region lies past the end of the file (offset 0x1F0, 3 bytes; the file has 498 bytes)."},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.error);
        const std::string before = test::readAll(r.file);
        const std::vector<FieldEdit> edits = {{0, "fine"}, r.edit};
        const auto saved = saveHeader(r.file, r.kind, edits);
        EXPECT_EQ(saved.ok() ? "" : saved.error(), r.error + " Nothing was written.");
        expectFile(r.file, before);
    }
}

// GBA: title "A" (0x41) and the fixed 0x96 at 0xB2 sum to 0xD7; -(0xD7 + 0x19) = -0xF0 = 0x10 (mod 256).
// Mega Drive (0x20201 bytes, two 64 KiB blocks and an odd byte): 0x1234 + 0x0100 (the first block's last
// word) + 0xFFFF (the second's first) + 0x0001 (the last whole word) = 0x11334, kept to 16 bits 0x1334;
// the trailing 0x77 counts for nothing.
TEST(HeaderChecksum, ComputedFromTheHeaderOrTheWholeFileAndFixedInItsOwnBytesOnly) {
    const test::TempDir dir;
    const std::string gba = dir.file("x.gba"), bin = dir.file("x.bin");
    test::writeImage(gba, {{0xA0, "A"}, {0xB2, "\x96"}, {0xBD, "\x5A"}, {0xBE, "\xEE\xEE"}});
    test::writeImage(bin, {{0x18E, "\xAB\xCD"},
                           {0x200, "\x12\x34"},
                           {0x101FE, "\x01\x00"s},
                           {0x10200, "\xFF\xFF"},
                           {0x201FE, "\x00\x01\x77"s}});
    const struct {
        std::string file;
        Kind kind;
        std::uint32_t stored, computed;
        std::size_t offset;
        std::string fixed;
    } files[] = {{gba, Kind::Gba, 0x5A, 0x10, 0xBD, "\x10"},
                 {bin, Kind::MegaDrive, 0xABCD, 0x1334, 0x18E, "\x13\x34"}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        const auto before = readChecksum(f.file, f.kind);
        ASSERT_TRUE(before.ok()) << before.error();
        EXPECT_EQ(before->stored, f.stored);
        EXPECT_EQ(before->computed, f.computed);
        EXPECT_FALSE(before->right());
        std::string expected = test::readAll(f.file);
        expected.replace(f.offset, f.fixed.size(), f.fixed);
        ASSERT_TRUE(fixChecksum(f.file, f.kind).ok());
        expectFile(f.file, expected);
        EXPECT_TRUE(readChecksum(f.file, f.kind)->right());
    }

    const std::string shortGba = dir.file("short.gba"), shortBin = dir.file("short.bin");
    test::writeImage(shortGba, {}, 0xBD);
    test::writeImage(shortBin, {}, 0x18F);
    const std::vector<std::tuple<std::string, Kind, std::string>> refused = {
        {shortGba, Kind::Gba, "\"" + shortGba + "\" has 189 bytes, too few to hold the check byte at 0xBD."},
        {shortBin, Kind::MegaDrive,
         "\"" + shortBin + "\" has 399 bytes, too few to hold the checksum at 0x18E."},
        {dir.file("missing.bin"), Kind::MegaDrive,
         "The file \"" + dir.file("missing.bin") + "\" does not exist."},
    };
    for (const auto& [file, kind, error] : refused) {
        const auto read = readChecksum(file, kind);
        EXPECT_EQ(read.ok() ? "" : read.error(), error);
        const auto fixed = fixChecksum(file, kind);
        EXPECT_EQ(fixed.ok() ? "" : fixed.error(), error + " Nothing was written.");
    }
    EXPECT_EQ(test::readAll(shortGba), std::string(0xBD, '\0'));
}

// Ascending by code from box to box, except that 5X closes box 2 and 5W opens box 3.
TEST(MakerCodes, SixBoxesWithTheirTitlesLinesAndOrder) {
    const struct {
        std::string title;
        std::size_t lines;
        std::string first, last;
    } boxes[] = {
        {"Romquill - GBA ROM Header Editor", 30, "01 - Nintendo", "49 - IREM"},
        {"Romquill - GBA ROM Header Editor", 31, "4D - Malibu Games", "5X - Microids"},
        {"Romquill - GBA ROM Header Editor", 29, "5W - BKN Ent./Red Storm Ent.", "7G - Rage Software"},
        {"Romquill - GBA Rom Header Editor", 30, "7M - Asmik Ace Entertainment Inc./AIA",
         "AL - MediaFactory"},
        {"Romquill - GBA Rom Header Editor", 32, "B0 - Acclaim Japan", "D4 - Ask Kodansa/Lenar"},
        {"GBA Rom Header Editor", 20, "D7 - Copya System", "HY - Sachen"},
    };
    ASSERT_EQ(makerCodeBoxes().size(), 6u);
    std::string previous;
    for (std::size_t b = 0; b < 6; ++b) {
        const MakerCodeBox& box = makerCodeBoxes()[b];
        SCOPED_TRACE(b);
        EXPECT_EQ(box.title, boxes[b].title);
        ASSERT_EQ(box.lines.size(), boxes[b].lines);
        EXPECT_EQ(box.lines.front(), boxes[b].first);
        EXPECT_EQ(box.lines.back(), boxes[b].last);
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
