// A test build: OUT dumps every entry as its number, and no byte of it differs from FILE outside the rooms,
// the pointer cells and the free space the template names.

#include <nlohmann/json.hpp>

#include "cli_fixture.h"
#include "editor/mocktexts.h"
#include "files/asciitext.h"

namespace rq {
namespace {

using namespace test;
using namespace std::string_literals;

using Range = std::pair<std::uint64_t, std::uint64_t>;

// The offsets at which two files of one size differ, outside the ranges given.
std::vector<std::uint64_t> changedOutside(const std::string& before, const std::string& after,
                                          const std::vector<Range>& allowed) {
    std::vector<std::uint64_t> changed;
    for (std::uint64_t at = 0; at < before.size() && at < after.size(); ++at) {
        const bool inside =
            std::ranges::any_of(allowed, [at](const Range& r) { return at >= r.first && at < r.second; });
        if (!inside && before[at] != after[at]) {
            changed.push_back(at);
        }
    }
    return changed;
}

// Five entries through a table: two fixed rooms with end tokens, then three cells (le16 at 0) of which the
// first and the third reach one string; 22 bytes of free space at 0x80.
class CliMock : public CliOwnFolder {
  protected:
    void SetUp() override {
        std::string table = "20= \n/00=<end>\n";
        for (const char ch : "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"s.substr(0, 36)) {
            table += files::hexText(static_cast<unsigned char>(ch), 2) + "=" + ch + "\n";
        }
        write("plugins/alphabets/m.tbl", table);
        writeImage(m_game, {{0, distinctBytes(0xA0)},
                            {0, "\x60\x00\x68\x00\x60\x00\x62\x00"s},
                            {0x40, "TITLE\0\0\0"s},
                            {0x50, "OK\0"s},
                            {0x60, "HELLO\0"s},
                            {0x68, "BYE\0"s},
                            {0x80, std::string(0x16, '\xFF')}});
    }

    // Entry 2 at tinyAt; with 3 entries, the third through the cell at 6, into the middle of "HELLO".
    void writeTemplate(const std::string& tinyAt = "50", const std::string& entries = "2",
                       const std::string& free = "80-96") const {
        write("plugins/games/m.ini",
              "[TextFormattingSystem]\nNumberOfEntries=" + entries +
                  "\n0=m.tbl\n[entry1]\nTextFormat=0\nComment=Title\n"
                  "Length=8\nHexLocation=40\n[entry2]\nTextFormat=0\nComment=Tiny\nLength=3\nHexLocation=" +
                  tinyAt +
                  "\n[entry3]\nTextFormat=0\nComment=Inside\nPointer=6\n"
                  "[Pointers]\nFormat=le16\n[PointerTable1]\nOffset=0\nCount=3\nTextFormat=0\nComment=Line\n"
                  "[FreeSpace]\nRanges=" +
                  free + "\nFill=FF\n");
    }

    std::string m_out = m_dir.file("out.bin");
};

// The second string needs 6 of the 22 free bytes for its number: the first takes only the other 16 of them
// for its mark. The fixed rooms keep their end tokens.
TEST_F(CliMock, MovesKeepingFreeSpaceForEveryNumberAndCutsTheRestToTheirRooms) {
    writeTemplate();
    const std::string before = readAll(m_game);
    const auto made = run({"mock", "--template", "m.ini", m_game, m_out});
    EXPECT_EQ(std::tuple(made.exitCode, made.out, made.err),
              std::tuple(0, "Writing complete! 5 entries marked.\n"s, ""s));
    EXPECT_EQ(readAll(m_game), before);
    const auto dumped = nlohmann::json::parse(run({"dump", "--template", "m.ini", m_out}).out);
    std::vector<std::string> texts;
    for (const auto& entry : dumped["entries"]) {
        texts.push_back(entry["text"]);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"E0001 T", "E0", "E0003 E0005 HEL", "E0004", "E0003 E0005 HEL"}));
    EXPECT_EQ(changedOutside(before, readAll(m_out),
                             {{0, 8}, {0x40, 0x48}, {0x50, 0x53}, {0x60, 0x66}, {0x68, 0x6C}, {0x80, 0x96}}),
              std::vector<std::uint64_t>{});
    EXPECT_EQ(filesIn(m_dir), (std::vector<std::string>{"game.bin", "out.bin", "plugins"}));
}

// A string inside another that no free block holds: both are left, each named; the others are marked.
TEST_F(CliMock, StringsSharingBytesAreLeftWhenTheyCannotMove) {
    writeTemplate("50", "3", "80-81");
    const auto made = run({"mock", "--template", "m.ini", m_game, m_out});
    EXPECT_EQ(std::tuple(made.exitCode, made.out),
              std::tuple(0, "Writing complete! 3 entries marked, 3 left as they were.\n"s));
    EXPECT_NE(made.err.find("Entry 3 (\"Inside\") is left as it was: its string shares bytes with another "
                            "entry's, and no free block holds its mark."),
              std::string::npos)
        << made.err;
    const auto dumped = nlohmann::json::parse(run({"dump", "--template", "m.ini", m_out}).out);
    EXPECT_EQ(dumped["entries"][2]["text"], "LLO");
    EXPECT_EQ(dumped["entries"][4]["text"], "E00");
}

// A room past the file's end: the save refuses it, and neither OUT nor an undo file is left.
TEST_F(CliMock, RefusedSaveLeavesNoFile) {
    writeTemplate("9E");
    const auto made = run({"mock", "--template", "m.ini", m_game, m_out});
    EXPECT_EQ(
        std::tuple(made.exitCode, made.err),
        std::tuple(1,
                   "romquill-cli: \"F/out.bin\": Entry 2 (\"Tiny\") lies past the end of the file (offset "
                   "0x9E, 3 bytes; the file has 160 bytes). Nothing was written.\n"s));
    EXPECT_EQ(filesIn(m_dir), (std::vector<std::string>{"game.bin", "plugins"}));
}

// The demo templates on the demo file: every entry of an alphabet reads as its number; the script's table
// has no E, and its entries are left as they were, each named.
class CliMockDemo : public CliDemo,
                    public testing::WithParamInterface<std::tuple<std::string, std::string>> {};

TEST_P(CliMockDemo, DumpsEveryEntryAsItsNumberAndChangesNothingElse) {
    const auto& [name, told] = GetParam();
    const std::string out = m_dir.file("out.bin");
    const auto made = test::cli({"mock", "--template", name, m_demo, out});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.out, told);
    const auto before = nlohmann::json::parse(test::cli({"dump", "--template", name, m_demo}).out);
    const auto after = nlohmann::json::parse(test::cli({"dump", "--template", name, out}).out);
    std::vector<Range> rooms;
    for (std::size_t i = 0; i < after["entries"].size(); ++i) {
        const auto& entry = before["entries"][i];
        const std::string text = after["entries"][i]["text"];
        if (made.err.empty()) {
            EXPECT_TRUE(text.starts_with(editor::entryMark(entry["entry"]))) << text;
        }
        const auto offset = std::stoull(std::string(entry["offset"]), nullptr, 16);
        rooms.push_back({offset, offset + std::uint64_t(entry["length"])});
    }
    EXPECT_EQ(changedOutside(m_original, readAll(out), rooms), std::vector<std::uint64_t>{});
    EXPECT_EQ(readAll(m_demo), m_original);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, CliMockDemo,
    testing::Values(std::tuple("demo.ini", "Writing complete! 8 entries marked.\n"),
                    std::tuple("demo-font.ini", "Writing complete! 8 entries marked.\n"),
                    std::tuple("demo-script.ini",
                               "Writing complete! 0 entries marked, 4 left as they were.\n")),
    rowName);

}  // namespace
}  // namespace rq
