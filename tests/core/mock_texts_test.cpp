#include "editor/mocktexts.h"
#include "files/asciitext.h"
#include "files/codepage.h"
#include "support/testfiles.h"

namespace rq::editor {
namespace {

using namespace std::string_literals;

// One byte a character: A-Z, 0-9, the space (its key the code page's not sign), "," and "!".
std::string alphabetFile() {
    std::string load = "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n20=\xAC\n";
    std::string save = "[save]\n\xAC=20\n";
    for (const char ch : ",!0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"s) {
        const std::string code = files::hexText(static_cast<unsigned char>(ch), 2);
        load += code + "=" + ch + "\n";
        save += std::string(1, ch) + "=" + code + "\n";
    }
    return load + save;
}

const std::string kTable =
    "20= \n2C=,\n21=!\n30=0\n31=1\n32=2\n33=3\n34=4\n35=5\n36=6\n37=7\n38=8\n39=9\n45=E\n"
    "48=H\n49=I\n4C=L\n4F=O\n/00=<end>\n";
const std::string kTableWithoutE =
    "30=0\n31=1\n32=2\n33=3\n34=4\n35=5\n36=6\n37=7\n38=8\n39=9\n48=H\n49=I\n/00=<end>\n";

struct MockRow {
    std::string name;
    int number = 12;
    std::string table;     // the entry's table; empty: the alphabet
    std::string bytes;     // its room as the file holds it; an alphabet's room holds "HELLO, WORLD!"
    bool ended = false;    // a table entry without Length, read up to its end token
    int sharers = 0;       // pointer entries reaching the string (numbered on from number); 0: none
    std::size_t free = 0;  // a free block of this many bytes
    bool locked = false;
    std::string expected;  // each entry's text given to the save
    std::string left;      // the line said of the (first) entry left as it was
};

class MockTextsRows : public testing::TestWithParam<MockRow> {};

TEST_P(MockTextsRows, MarkEachEntryWithinWhatItsRoomHolds) {
    const MockRow& row = GetParam();
    templates::GameTemplate gameTemplate;
    templates::TemplateEntry entry;
    entry.number = row.number;
    entry.comment = "Line";
    entry.offset = 0x100;
    entry.locked = row.locked;
    std::string original = "HELLO, WORLD!";
    EntryRoom room;
    if (row.table.empty()) {
        entry.alphabet = std::make_shared<templates::Alphabet>(templates::Alphabet::parse(alphabetFile()));
        entry.length = static_cast<std::int16_t>(row.bytes.size());
        room = lengthRoom(entry);
        original = std::string(files::unpadded(original.substr(0, row.bytes.size())));
    } else {
        entry.table = std::make_shared<templates::Table>(templates::Table::parse(row.table));
        entry.lengthGiven = !row.ended;
        entry.length = static_cast<std::int16_t>(row.bytes.size());
        auto read = readTableText(entry, row.bytes);
        original = read.text;
        room = read.room;
        room.offset = 0x100;
    }
    std::vector<std::string> texts;
    std::vector<EntryRoom> rooms;
    for (int k = 0; k < std::max(row.sharers, 1); ++k) {
        if (row.sharers > 0) {
            entry.cells = {static_cast<std::uint32_t>(0x10 + 4 * k)};
        }
        gameTemplate.entries.push_back(entry);
        ++entry.number;
        texts.push_back(original);
        rooms.push_back(room);
    }
    const std::vector<templates::ByteRange> ranges = {{0x200, 0x200 + row.free}};
    const std::vector<std::string> rangeBytes = {std::string(row.free, '\xFF')};
    const std::vector<templates::ByteRange> occupied = {{room.offset, room.offset + room.size}};
    const auto marked =
        mockTexts(gameTemplate, texts, rooms, FreeSpaceMap(ranges, 0xFF, rangeBytes, occupied));
    for (const std::string& text : marked.texts) {
        EXPECT_EQ(text, row.expected);
    }
    EXPECT_EQ(marked.marked, row.left.empty() ? texts.size() : 0u);
    EXPECT_EQ(marked.left,
              row.left.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.left});
}

const MockRow kRows[] = {
    {"FixedRoomOf16", 12, "", std::string(16, ' '), false, 0, 0, false, "E0012 HELLO, WOR", ""},
    {"FixedRoomOf8", 12, "", std::string(8, ' '), false, 0, 0, false, "E0012 HE", ""},
    {"FixedRoomOf3", 12, "", std::string(3, ' '), false, 0, 0, false, "E00", ""},
    {"NumberPast9999", 12345, "", std::string(16, ' '), false, 0, 0, false, "E12345 HELLO, WO", ""},
    {"TableRoomWithAnEndToken", 2, kTable, "HELLO\0\xFF\xFF"s, false, 0, 0, false, "E0002 H", ""},
    {"PointerThatMoves", 3, kTable, "HI\0"s, true, 1, 32, false, "E0003 HI", ""},
    {"PointerWithoutFreeSpace", 3, kTable, "HI\0"s, true, 1, 0, false, "E0", ""},
    {"StringOfTwoPointers", 3, kTable, "HI\0"s, true, 2, 32, false, "E0003 E0004 HI", ""},
    {"TableWithoutE", 7, kTableWithoutE, "HI\0"s, true, 0, 0, false, "HI",
     "Entry 7 (\"Line\") is left as it was: its table cannot write E0007."},
    {"Locked", 9, "", std::string(16, ' '), false, 0, 0, true, "HELLO, WORLD!",
     "Entry 9 (\"Line\") is left as it was: it is locked."},
};
INSTANTIATE_TEST_SUITE_P(Rows, MockTextsRows, testing::ValuesIn(kRows), test::rowName);

}  // namespace
}  // namespace rq::editor
