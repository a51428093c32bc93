// A dumper's command file read block by block: each form a template carries, and each key it refuses with
// its line.

#include <gtest/gtest.h>

#include "exchange/cartographer.h"
#include "support/testfiles.h"

namespace rq {
namespace {

struct BlockRow {
    std::string name;
    std::string keys;  // the block's lines after "#BLOCK NAME: B" and "#TABLE: t.tbl"
    std::string read;  // the block as read, or the notes, "LINE: what"
};

std::string readOf(const std::string& keys) {
    const auto commands = exchange::parseCommandFile("#GAME NAME: G\r\n#BLOCK NAME: B\n#TABLE: t.tbl\n" +
                                                     keys + "// a comment\n#END BLOCK\n");
    std::string read;
    for (const auto& note : commands.notes) {
        read += std::to_string(note.line) + ": " + note.what + "\n";
    }
    for (const auto& b : commands.blocks) {
        read += b.method == exchange::DumpBlock::Method::Raw
                    ? "raw " + std::to_string(b.scriptStart) + "-" + std::to_string(b.scriptStop)
                    : "pointers " + std::to_string(b.tableStart) + "-" + std::to_string(b.tableStop) + " " +
                          std::to_string(b.pointerSize) + "+" + std::to_string(b.pointerSpace) +
                          (b.bigEndian ? " big" : " little") + " base " + std::to_string(b.base);
        read += (b.stringLength ? " length " + std::to_string(*b.stringLength) : "") + " " + b.name + " " +
                b.table + "\n";
    }
    return read;
}

class CommandBlocks : public testing::TestWithParam<BlockRow> {};

TEST_P(CommandBlocks, ReadAsTheTemplateTakesThem) {
    EXPECT_EQ(readOf(GetParam().keys), GetParam().read);
}

const std::string kPointers =
    "#METHOD: POINTER_RELATIVE\n#POINTER TABLE START: $10\n#POINTER TABLE STOP: 32\n";

INSTANTIATE_TEST_SUITE_P(
    Blocks, CommandBlocks,
    testing::Values(
        BlockRow{
            "Pointers",
            kPointers + "#POINTER SIZE: $02\n#POINTER SPACE: 1\n#POINTER ENDIAN: big\n#ATLAS PTRS: Yes\n",
            "pointers 16-32 2+1 big base 0 B t.tbl\n"},
        BlockRow{"ANegativeBase",
                 kPointers + "#POINTER SIZE: 4\n#POINTER ENDIAN: LITTLE\n#BASE POINTER: $-8000000\n",
                 "pointers 16-32 4+0 little base -134217728 B t.tbl\n"},
        BlockRow{"Raw", "#METHOD: RAW\n#SCRIPT START: $200\n#SCRIPT STOP: $200\n#OUTPUT FILE: x.txt\n",
                 "raw 512-512 B t.tbl\n"},
        BlockRow{"FixedStrings",
                 "#TYPE: FIXED_STRING\n#STRING LENGTH: 8\n#METHOD: RAW\n#SCRIPT START: 0\n#SCRIPT STOP: 15\n",
                 "raw 0-15 length 8 B t.tbl\n"},
        BlockRow{"APointerOfOneByte", kPointers + "#POINTER SIZE: 1\n#POINTER ENDIAN: BIG\n",
                 "7: #POINTER SIZE 1: a template reads pointers of 2, 3 or 4 bytes; the block \"B\" is left "
                 "out\n"},
        BlockRow{"PointersRelativeToTheirPlace", "#METHOD: POINTER_RELATIVE_PC\n",
                 "4: #METHOD POINTER_RELATIVE_PC: a template reads POINTER, POINTER_RELATIVE and RAW, not "
                 "pointers "
                 "relative to their own place; the block \"B\" is left out\n"},
        BlockRow{"FixedLines",
                 "#TYPE: FIXED_STRING && FIXED_LINE\n#METHOD: RAW\n#SCRIPT START: 0\n#SCRIPT STOP: 1\n",
                 "4: #TYPE FIXED_STRING && FIXED_LINE: a template reads NORMAL and FIXED_STRING strings, not "
                 "lines "
                 "broken every #LINE LENGTH bytes; the block \"B\" is left out\n"},
        BlockRow{"AnUnknownKey", "#METHOD: RAW\n#SCRIPT START: 0\n#SCRIPT STOP: 1\n#LABEL: x\n",
                 "7: #LABEL is not a key a template can carry; the block \"B\" is left out\n"},
        BlockRow{
            "NoNumber", "#METHOD: RAW\n#SCRIPT START: 0x10\n#SCRIPT STOP: 1\n",
            "5: #SCRIPT START \"0x10\" is not a number ($hex or decimal, not negative); the block \"B\" is "
            "left out\n"},
        BlockRow{"AStopBeforeItsStart", "#METHOD: RAW\n#SCRIPT START: 9\n#SCRIPT STOP: 8\n",
                 "6: #SCRIPT STOP 8 is not at or after #SCRIPT START 9; the block \"B\" is left out\n"},
        BlockRow{"ATableStopAtItsStart",
                 kPointers + "#POINTER TABLE STOP: $10\n#POINTER SIZE: 2\n#POINTER ENDIAN: BIG\n",
                 "7: #POINTER TABLE STOP $10 is not after #POINTER TABLE START $10; the block \"B\" is left "
                 "out\n"},
        BlockRow{
            "PastTheLargestOffset", "#METHOD: RAW\n#SCRIPT START: 0\n#SCRIPT STOP: $80000000\n",
            "6: #SCRIPT STOP $80000000 lies past offset 7FFFFFFF, the last a template can name; the block "
            "\"B\" is left out\n"},
        BlockRow{"NoMethod", "#TYPE: NORMAL\n", "2: the block has no #METHOD; the block \"B\" is left out\n"},
        BlockRow{"NoKeyLine", "#METHOD: RAW\n#SCRIPT START: 0\n#SCRIPT STOP: 1\nMETHOD: RAW\n",
                 "7: \"METHOD: RAW\" is not a \"#KEY: value\" line; the block \"B\" is left out\n"}),
    test::rowName);

TEST(CommandFiles, ABlockWithoutItsEndIsLeftOut) {
    const auto commands = exchange::parseCommandFile(
        "#BLOCK NAME: A\n#METHOD: RAW\n#SCRIPT START: 0\n#SCRIPT STOP: 1\n#TABLE: t.tbl\n");
    ASSERT_EQ(commands.notes.size(), 1U);
    EXPECT_EQ(commands.notes[0].what, "the block has no #END BLOCK; the block \"A\" is left out");
    EXPECT_TRUE(commands.blocks.empty());
}

}  // namespace
}  // namespace rq
