#include "revisions/rebase.h"
#include "files/asciitext.h"
#include "revisions/needles.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"

namespace rq::revisions {
namespace {

using namespace std::string_literals;

constexpr std::string_view kTable = "20= \n41=A\n42=B\n43=C\n44=D\n45=E\n48=H\n4C=L\n4F=O\n52=R\n57=W\n/00\n";

// A file of 0x100 bytes of 0xEE with the given bytes laid on it.
std::string image(const std::vector<test::Patch>& patches) {
    std::string bytes(0x100, '\xEE');
    for (const auto& patch : patches) {
        bytes.replace(patch.offset, patch.bytes.size(), patch.bytes);
    }
    return bytes;
}

// A template of entries (each "[entryN]" section's keys after TextFormat=0), then more sections.
std::string templateOf(const std::vector<std::string>& entries, const std::string& more = "") {
    std::string text =
        "[TextFormattingSystem]\nNumberOfEntries=" + std::to_string(entries.size()) + "\n0=t.tbl\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        text += "[entry" + std::to_string(i + 1) + "]\nTextFormat=0\n" + entries[i];
    }
    return text + more;
}

// Each entry's outcome as a word, with where a moved one went ("moved 40", "moved 30 @90"), and each
// table's distance ("table +20").
std::string described(const Rebase& rebase) {
    std::string text;
    for (const auto& entry : rebase.entries) {
        text += text.empty() ? "" : ", ";
        switch (entry.outcome) {
            case Outcome::InPlace:
                text += "in place";
                break;
            case Outcome::Moved:
                text += "moved " + files::hexText(entry.newOffset);
                for (const std::uint32_t cell : entry.cells) {
                    text += " @" + files::hexText(cell);
                }
                break;
            case Outcome::NotFound:
                text += "not found";
                break;
            case Outcome::Ambiguous:
                text += "ambiguous";
                break;
        }
    }
    for (const auto& table : rebase.tables) {
        text += ", table +" + files::hexText(static_cast<std::uint64_t>(table.distance));
    }
    return text;
}

const std::string kTwoFixed = templateOf({"Length=5\nHexLocation=10\n", "Length=5\nHexLocation=20\n"});
const std::string kOld = image({{0x10, "HELLO"}, {0x20, "WORLD"}});
const std::string kTwins = templateOf({"Length=5\nHexLocation=10\n", "Length=5\nHexLocation=20\n"});
const std::string kOldTwins = image({{0x10, "HELLO"}, {0x20, "HELLO"}});
// A pointer entry (its cell at 80) whose string ends with its end token.
const std::string kPointer = templateOf({"Pointer=80\nFormat=le16\n"});
const std::string kOldPointer = image({{0x10, "HELLO\0"s}, {0x80, "\x10\x00"s}});
// A table of three cells at 80 whose strings lie at 10, 20 and 30.
const std::string kTable3 =
    templateOf({}, "[PointerTable1]\nOffset=80\nCount=3\nFormat=le16\nTextFormat=0\n");
const std::string kOldTable =
    image({{0x10, "HELLO\0"s}, {0x20, "WORLD\0"s}, {0x30, "CAR\0"s}, {0x80, "\x10\0\x20\0\x30\0"s}});

struct RevisionRow {
    const char* name;
    std::string ini;
    std::string oldFile;
    std::string newFile;
    std::string outcomes;
};

class Revisions : public testing::TestWithParam<RevisionRow> {};

TEST_P(Revisions, FindEachEntryOfTheOldFileInTheNew) {
    const auto& row = GetParam();
    test::ProgramFolder folder;
    folder.writeAlphabet("t.tbl", kTable);
    folder.writeTemplate("t.ini", row.ini);
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\t.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto rebase =
        rebaseEntries(*gameTemplate, files::IniFile::parse(row.ini), row.oldFile, row.newFile);
    EXPECT_EQ(described(rebase), row.outcomes);
}

const RevisionRow kRevisions[] = {
    {"Unchanged", kTwoFixed, kOld, kOld, "in place, in place"},
    {"Moved", kTwoFixed, kOld, image({{0x10, "HELLO"}, {0x40, "WORLD"}}), "in place, moved 40"},
    {"Changed", kTwoFixed, kOld, image({{0x10, "HELLO"}, {0x20, "WORLE"}}), "in place, not found"},
    {"Removed", kTwoFixed, kOld, image({{0x10, "HELLO"}}), "in place, not found"},
    {"Added", kTwoFixed, kOld, image({{0x10, "HELLO"}, {0x20, "WORLD"}, {0x30, "ADDED"}}),
     "in place, in place"},
    {"DuplicatesInPlace", kTwins, kOldTwins, image({{0x10, "HELLO"}, {0x20, "HELLO"}, {0x50, "HELLO"}}),
     "in place, in place"},
    {"DuplicatesMoved", kTwins, kOldTwins, image({{0x50, "HELLO"}, {0x60, "HELLO"}}), "ambiguous, ambiguous"},
    // The end token is part of the string: HELLO without it at 60 is no second place.
    {"EndedStringMoved", templateOf({"HexLocation=10\n"}), image({{0x10, "HELLO\0"s}}),
     image({{0x40, "HELLO\0"s}, {0x60, "HELLOW"}}), "moved 40"},
    {"PointerCellUpdated", kPointer, kOldPointer, image({{0x30, "HELLO\0"s}, {0x80, "\x30\x00"s}}),
     "in place"},
    {"PointerCellMoved", kPointer, kOldPointer, image({{0x30, "HELLO\0"s}, {0x90, "\x30\x00"s}}),
     "moved 30 @90"},
    // A string still at its old place is that one, whatever copies of it the new file holds.
    {"PointerStringStayedCellMoved", kPointer, kOldPointer,
     image({{0x10, "HELLO\0"s}, {0x50, "HELLO\0"s}, {0x90, "\x10\x00"s}}), "moved 10 @90"},
    {"PointerWithoutCell", kPointer, kOldPointer, image({{0x30, "HELLO\0"s}}), "not found"},
    {"TableMovedWhole", kTable3, kOldTable,
     image({{0x10, "HELLO\0"s}, {0x20, "WORLD\0"s}, {0x40, "CAR\0"s}, {0xA0, "\x10\0\x20\0\x40\0"s}}),
     "moved 10 @A0, moved 20 @A2, moved 40 @A4, table +20"},
    {"TableCellsMovedApart", kTable3, kOldTable,
     image({{0x10, "HELLO\0"s},
            {0x20, "WORLD\0"s},
            {0x30, "CAR\0"s},
            {0x80, "\x10\0\x20\0"s},
            {0xC0, "\x30\0"s}}),
     "in place, in place, not found, table +0"},
    {"TableStringChanged", kTable3, kOldTable,
     image({{0x10, "HELLO\0"s}, {0x20, "WORLD\0"s}, {0x30, "CAB\0"s}, {0x90, "\x10\0\x20\0\x30\0"s}}),
     "moved 10 @90, moved 20 @92, not found, table +10"},
};
INSTANTIATE_TEST_SUITE_P(Rows, Revisions, testing::ValuesIn(kRevisions), test::rowName);

// A template in UTF-16 would come back as 8-bit text: it is refused rather than changed.
TEST(RebasedTemplate, AUtf16TemplateIsRefused) {
    templates::GameTemplate none;
    const auto text = rebasedTemplate("\xFF\xFE[\0e\0]\0"s, none, Rebase{});
    ASSERT_FALSE(text);
    EXPECT_EQ(text.failure().kind, ErrorKind::Refusal);
}

// Many needles, one pass: each place found, equal needles alike, a needle past its most places counted on.
TEST(Needles, EveryPlaceOfEachNeedleInOnePass) {
    const std::string file = "abcabcXYabcd" + std::string(20, 'z');
    const std::vector<std::string_view> needles = {"abc", "abcd", "XY", "abc",       "nowhere",
                                                   "zz",  "",     "d",  "abcabcXYa", "abcabcXYq"};
    const auto found = findNeedles(file, needles, 3);
    const auto places = [&](std::size_t i) { return found[i].places; };
    EXPECT_EQ(places(0), (std::vector<std::uint64_t>{0, 3, 8}));
    EXPECT_EQ(places(1), (std::vector<std::uint64_t>{8}));
    EXPECT_EQ(places(2), (std::vector<std::uint64_t>{6}));
    EXPECT_EQ(places(3), places(0));
    EXPECT_EQ(found[4].count, 0u);
    EXPECT_EQ(found[5].places.size(), 3u);
    EXPECT_GT(found[5].count, 3u);
    EXPECT_EQ(found[6].count, 0u);
    EXPECT_EQ(places(7), (std::vector<std::uint64_t>{11}));
    EXPECT_EQ(places(8), (std::vector<std::uint64_t>{0}));
    EXPECT_EQ(found[9].count, 0u);
}

}  // namespace
}  // namespace rq::revisions
