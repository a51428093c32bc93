#include <sstream>

#include "editor/entrytexts.h"
#include "exchange/potexts.h"
#include "exchange/tablefile.h"
#include "exchange/translations.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"
#include "templates/templatecheck.h"

namespace rq::editor {
namespace {

using namespace std::string_literals;

// One-byte letters and a space, a two-byte kana, a DTE code, an end token with a text, a line break and a
// control code with one parameter.
constexpr std::string_view kTable =
    "# test table\n41=A\n42=B\n43=C\n20= \nE0=the\n82A0=\xE3\x81\x82\n/FF=[END]\n*FE\n$F0=<Color>,1\n";

// The game: 0x50 bytes of 0xEE, and four strings.
//   entry1 at 0x00, Length 8: "AB", ended           entry2 at 0x10, no Length: "C", ended (room 2)
//   entry3 at 0x20, Length 6: "A" and spaces         entry4 at 0x30, Length 6: "AAA", ended, Fill=00
//   entry5 at 0x40, Length 4: the end token never comes (a fixed room)
constexpr std::string_view kTemplate =
    "[TextFormattingSystem]\nNumberOfEntries=5\n0=t.tbl\n"
    "[entry1]\nTextFormat=0\nLength=8\nHexLocation=0\nComment=one\n"
    "[entry2]\nTextFormat=0\nHexLocation=10\nComment=two\n"
    "[entry3]\nTextFormat=0\nLength=6\nHexLocation=20\nComment=three\n"
    "[entry4]\nTextFormat=0\nLength=6\nHexLocation=30\nFill=00\nComment=four\n"
    "[entry5]\nTextFormat=0\nLength=4\nHexLocation=40\nComment=five\n";

class TableRooms : public testing::Test {
  protected:
    void SetUp() override {
        m_folder.writeAlphabet("t.tbl", kTable);
        m_folder.writeTemplate("t.ini", kTemplate);
        test::writeImage(m_game, {{0, std::string(0x50, '\xEE')},
                                  {0x00, "\x41\x42\xFF"},
                                  {0x10, "\x43\xFF"},
                                  {0x20, "\x41     "},
                                  {0x30, "\x41\x41\x41\xFF"},
                                  {0x40, "\xE0\x41\x42\x43"}});
        auto read = templates::readGameTemplate(m_path);
        ASSERT_TRUE(read) << read.error();
        m_template = std::move(read).value();
        m_read = readEntryTexts(m_template, m_game);
    }

    test::ProgramFolder m_folder;
    std::string m_path = m_folder.path("plugins\\games\\t.ini");
    std::string m_game = m_folder.dir().file("game.bin");
    templates::GameTemplate m_template;
    EntryTexts m_read;
};

TEST_F(TableRooms, EachRoomIsReadToItsEndTokenOrItsLengthAndUneditedTextsAsShownWriteNothing) {
    std::vector<std::string> rooms;
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < m_read.texts.size(); ++i) {
        rooms.push_back(std::to_string(m_read.rooms[i].size) + m_read.rooms[i].end);
        shown.emplace_back(shownTableText(m_read.rooms[i], m_read.texts[i]));
    }
    EXPECT_EQ(m_read.texts, (std::vector<std::string>{"AB", "C", "A     ", "AAA", "theABC"}));
    EXPECT_EQ(rooms, (std::vector<std::string>{"8\xFF", "2\xFF", "6", "6\xFF", "4"}));
    EXPECT_EQ(shown[2], "A");
    EXPECT_TRUE(changedEntries(m_template, m_read.texts, shown, m_read.rooms).empty());
    // The fixed rooms without an end token are listed for the template's author to say which they are.
    std::vector<std::string> unended;
    for (const auto& problem : checkRoomEnds(m_path, m_game)) {
        unended.push_back(templates::problemText(problem));
    }
    const std::string pads =
        ": a save pads a shorter text to the room's end; say Ended=yes or Ended=no in its section";
    EXPECT_EQ(unended,
              (std::vector<std::string>{
                  "warning: Entry 3 (\"three\") holds no end token in its room of 6 bytes at 0x20" + pads,
                  "warning: Entry 5 (\"five\") holds no end token in its room of 4 bytes at 0x40" + pads}));
}

// An entry and its new text; the file's bytes from the entry's offset on after the save, or a part of the
// refusal and the file unchanged.
using SaveRow = std::tuple<const char*, std::size_t, std::string, std::string, std::string>;

class TableRoomSave : public TableRooms, public testing::WithParamInterface<SaveRow> {};

TEST_P(TableRoomSave, WritesTheShortestBytesAndItsRoomsRule) {
    const auto& [name, entry, text, bytes, refusal] = GetParam();
    auto after = m_read.texts;
    after[entry] = text;
    const std::string before = test::readAll(m_game);
    const auto saved = saveEntryTexts(m_path, m_game, m_read.texts, after, m_read.rooms);
    const std::string now = test::readAll(m_game);
    if (!refusal.empty()) {
        ASSERT_FALSE(saved);
        EXPECT_NE(saved.error().find(refusal), std::string::npos) << saved.error();
        EXPECT_EQ(now, before);
        return;
    }
    ASSERT_TRUE(saved) << saved.error();
    const auto offset = static_cast<std::size_t>(m_template.entries[entry].offset);
    EXPECT_EQ(now.substr(offset, bytes.size()), bytes);
    auto elsewhere = now;
    elsewhere.replace(offset, bytes.size(), before.substr(offset, bytes.size()));
    EXPECT_EQ(elsewhere, before);
}

const SaveRow kSaves[] = {
    {"EndedKeepsTheRestOfItsRoom", 0, "the CAB", "\xE0\x20\x43\x41\x42\xFF\xEE\xEE"s, ""},
    {"EndedTextAndTokenMustFit", 0, "ABCABCAB", "", "needs 9 bytes with its end token"},
    {"WithoutLengthTheRoomIsTheStringAsRead", 1, "B", "\x42\xFF\xEE"s, ""},
    {"WithoutLengthNoLonger", 1, "BB", "", "its room is 2 bytes"},
    {"FixedRoomPaddedWithSpaces", 2, "\xE3\x81\x82<Color><$07>", "\x82\xA0\xF0\x07\x20\x20"s, ""},
    {"FillAfterTheEndToken", 3, "B\nC", "\x42\xFE\x43\xFF\x00\x00"s, ""},
    {"RawBytesAreWritten", 4, "<$EE>A", "\xEE\x41\x20\x20"s, ""},
    {"ACharacterNotInTheTable", 4, "\xD0\x96", "", "Entry 5 (\"five\")"},
    {"ALabelWithoutItsParameter", 2, "<Color>", "", "Entry 3 (\"three\")"}};
INSTANTIATE_TEST_SUITE_P(Rows, TableRoomSave, testing::ValuesIn(kSaves), test::rowName);

// A fixed room that held no end token, under a table that has one: the template's Ended, a blank room or
// a fill that is no space end the text; a table without a space writes a text that fills the room itself.
// Columns: the table, the entry's keys, the room's bytes, the new text, and the room after the save (the
// two bytes after it kept) or a part of the refusal.
using EndRow =
    std::tuple<const char*, const char*, const char*, std::string, const char*, std::string, const char*>;

class TableRoomEnd : public TableRooms, public testing::WithParamInterface<EndRow> {};

TEST_P(TableRoomEnd, WritesWhatTheGameReads) {
    const auto& [name, table, keys, room, text, bytes, refusal] = GetParam();
    m_folder.writeAlphabet("n.tbl", "41=A\n42=B\n8141=A\n/FF\n");
    m_folder.writeTemplate("u.ini", "[TextFormattingSystem]\nNumberOfEntries=1\n0=" + std::string(table) +
                                        "\n[entry1]\nTextFormat=0\nHexLocation=60\nComment=u\n" + keys);
    test::writeImage(m_game, {{0x60, room + "\xEE\xEE"}});
    const std::string path = m_folder.path("plugins\\games\\u.ini");
    const auto read = templates::readGameTemplate(path);
    if (!read) {
        EXPECT_NE(read.error().find(refusal), std::string::npos) << read.error();
        EXPECT_TRUE(templates::anyError(templates::checkTemplate(path, std::nullopt)));  // check says so too
        return;
    }
    const EntryTexts texts = readEntryTexts(*read, m_game);
    const std::vector<std::string> after{text};
    const auto saved = saveEntryTexts(path, m_game, texts.texts, after, texts.rooms);
    const std::string now = test::readAll(m_game).substr(0x60);
    if (*refusal != '\0') {
        ASSERT_FALSE(saved);
        EXPECT_NE(saved.error().find(refusal), std::string::npos) << saved.error();
        EXPECT_EQ(now, room + "\xEE\xEE");
    } else {
        ASSERT_TRUE(saved) << saved.error();
        EXPECT_EQ(now, bytes + "\xEE\xEE");
    }
}

const EndRow kEnds[] = {
    {"ABlankRoomIsEnded", "t.tbl", "Length=6\n", "\0\0\0\0\0\0"s, "AB", "AB\xFF\0\0\0"s, ""},
    {"ARoomOfSpacesIsEnded", "t.tbl", "Length=4\n", "    ", "A", "A\xFF  ", ""},
    {"ATextThatFillsTheRoomNeedsNoToken", "t.tbl", "Length=2\n", "\0\0"s, "AB", "AB", ""},
    {"EndedNoPadsTheRoom", "t.tbl", "Length=6\nEnded=no\n", "\0\0\0\0\0\0"s, "AB", "AB    ", ""},
    {"EndedYesKeepsTheRestOfTheRoom", "t.tbl", "Length=6\nEnded=yes\n", "AAAA\xEE\xEE", "B",
     "B\xFF"
     "AA\xEE\xEE",
     ""},
    {"EndedYesAlwaysWritesTheToken", "t.tbl", "Length=2\nEnded=YES\n", "AA", "AB", "",
     "needs 3 bytes with its end token, but its room is 2 bytes"},
    {"AFillThatIsNoSpaceComesAfterTheToken", "t.tbl", "Length=6\nFill=00\n", "ABCABC", "AB", "AB\xFF\0\0\0"s,
     ""},
    {"AFillOfASpacePadsTheRoom", "t.tbl", "Length=6\nFill=20\n", "ABCABC", "AB", "AB    ", ""},
    {"NoSpaceATextThatFillsTheRoom", "n.tbl", "Length=3\nEnded=no\n", "\x42\x42\x42", "AB", "\x81\x41\x42",
     ""},
    {"NoSpaceNoWayToFillIt", "n.tbl", "Length=5\nEnded=no\n", "\x42\x42\x42\x42\x42", "AB", "",
     "leaves 3 bytes of its room to fill, and the table"},
    {"EndedIsYesOrNo", "t.tbl", "Length=2\nEnded=1\n", "AA", "AB", "",
     "the key Ended has the value \"1\", which is neither yes nor no"},
};
INSTANTIATE_TEST_SUITE_P(Rows, TableRoomEnd, testing::ValuesIn(kEnds), test::rowName);

TEST_F(TableRooms, SpacesThatCannotFillARoomExactlyAreRefusedWithTheNumbers) {
    m_folder.writeAlphabet("t.tbl", "41=A\n8140= \n");
    auto gameTemplate = templates::readGameTemplate(m_path);
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const EntryEdit edit{2, "A"};
    const auto plan = planSave(*gameTemplate, {&edit, 1}, 5);
    ASSERT_FALSE(plan);
    const std::string refusal =
        "leaves 5 bytes of its room to fill, which spaces of 2 bytes cannot fill exactly.";
    EXPECT_EQ(plan.error(), "Entry 3 (\"three\") " + refusal + " Nothing was written.");
    // What the checks and counters say is what the save does: the room left is no room.
    const auto fit = tableFit(gameTemplate->entries[2], m_read.rooms[2], std::nullopt, "A");
    EXPECT_EQ(std::tuple(fit.left, fit.moves, fit.refusal),
              std::tuple(std::optional<long>(5), false, std::optional(refusal)));
}

TEST_F(TableRooms, ATableWithLinesItCannotReadRefusesTheTemplateAndCheckListsThemThenWhatDoesNotReadBack) {
    m_folder.writeAlphabet("t.tbl", "41=A\n!42=B\n41=C\nC0=A\n");
    const auto gameTemplate = templates::readGameTemplate(m_path);
    ASSERT_FALSE(gameTemplate);
    EXPECT_NE(gameTemplate.error().find("has 1 line that cannot be read:\n"), std::string::npos);
    EXPECT_NE(gameTemplate.error().find("t.tbl: line 2: "), std::string::npos) << gameTemplate.error();

    std::vector<std::string> listed;
    for (const auto& problem : exchange::alphabetProblems(m_folder.path("plugins\\alphabets\\t.tbl"))) {
        listed.push_back(templates::problemText(problem));
    }
    EXPECT_EQ(listed,
              (std::vector<std::string>{"line 2: switches tables with \"!\", which is not supported",
                                        "line 3: warning: has the same key as line 1, which is read: "
                                        "both texts are written as that key",
                                        "line 4: warning: has a text that is written as other bytes: 41"}));
    EXPECT_EQ(templates::checkTemplate(m_path, std::nullopt).size(), 2u);
}

// A translator's file states an ended room less its end token, and the characters that always fit: over the
// two bytes of the kana, 3 of 7 bytes. A room of 2 bytes holds 1 byte of text: none always fits.
TEST_F(TableRooms, ATranslatorsFileGivesTheRoomInBytesAndWhatAlwaysFits) {
    const auto exported = exchange::exportedEntries(m_template, m_read.texts, m_read.rooms);
    std::ostringstream po;
    ASSERT_TRUE(exchange::writePoTexts(po, exported, "t"));
    EXPECT_NE(po.str().find("#. Room for 7 bytes: 3 characters always fit.\n"), std::string::npos);
    EXPECT_EQ(std::pair(exported[1].limit, exported[1].length), std::pair(0, 2));
}

TEST_F(TableRooms, AKeylessTranslationFindsAnEntryWithoutLengthByItsRoomAsRead) {
    const exchange::TranslationReader read = [](const exchange::TranslationSink& take) {
        return take(exchange::Translation{"", "line 1", "C", "B", {"0x10:2"}, ""});
    };
    const auto taken = exchange::takeTranslations(read, "t.po", m_template, m_read.texts, m_read.rooms);
    ASSERT_TRUE(taken) << taken.error();
    EXPECT_EQ(taken->texts.at(2), "B");  // by entry number
}

}  // namespace
}  // namespace rq::editor
