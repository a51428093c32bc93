#include <optional>

#include "cutscenes/cutscenerooms.h"
#include "support/testfiles.h"

namespace rq::cutscenes {
namespace {

// The rooms as the design lists them, written out apart from the product's table: Sonic's boxes 0 to 99 and
// the Tikal texts at their offsets in the (J) executable, 16 bytes later in (E); the playable-character
// messages at their stored (E) value (plus 16) and (J) value.
struct Place {
    std::int64_t j;
    int size;
};
constexpr Place kSonicAndTikal[] = {
    {0x47B0C5, 29}, {0x47B0B9, 10}, {0x4727A1, 30}, {0x472789, 19}, {0x47275D, 20}, {0x472775, 15},
    {0x472739, 9},  {0x4726F1, 29}, {0x472743, 24}, {0x472711, 36}, {0x47AF91, 23}, {0x47AFA9, 15},
    {0x47AF51, 26}, {0x47AF6C, 35}, {0x47AF29, 33}, {0x45165D, 4},  {0x47ABB9, 12}, {0x47AB8D, 13},
    {0x47AB9B, 26}, {0x47AB81, 8},  {0x47AB61, 28}, {0x47A801, 12}, {0x47A80E, 22}, {0x47A7E5, 26},
    {0x47A7CD, 22}, {0x47A795, 27}, {0x47A7B1, 24}, {0x47A755, 26}, {0x47A770, 34}, {0x47A731, 32},
    {0x47A705, 27}, {0x47A721, 12}, {0x47A6C9, 31}, {0x47A6E9, 23}, {0x47A6BD, 9},  {0x47A6A1, 8},
    {0x47A6AA, 16}, {0x47A669, 29}, {0x47A687, 21}, {0x47A645, 31}, {0x47A615, 33}, {0x47A637, 10},
    {0x47A5D1, 29}, {0x47A5EF, 33}, {0x47A5A1, 23}, {0x47A5B9, 19}, {0x47A575, 29}, {0x47A594, 9},
    {0x47A539, 25}, {0x47A556, 28}, {0x46DF41, 9},  {0x479B85, 14}, {0x479B94, 18}, {0x479B61, 8},
    {0x479B6A, 25}, {0x470F3D, 8},  {0x470F29, 18}, {0x479B31, 31}, {0x479B51, 13}, {0x479B15, 25},
    {0x479AD1, 32}, {0x479AF2, 31}, {0x479A9D, 28}, {0x479ABA, 19}, {0x479A79, 33}, {0x479A55, 24},
    {0x479A6E, 8},  {0x479A35, 8},  {0x479A3E, 19}, {0x4799F9, 31}, {0x479A19, 25}, {0x479339, 26},
    {0x479331, 4},  {0x479311, 27}, {0x479309, 6},  {0x4792E5, 34}, {0x4792CD, 22}, {0x479291, 26},
    {0x4792AC, 28}, {0x4749F9, 15}, {0x479251, 33}, {0x479273, 27}, {0x479219, 28}, {0x479236, 20},
    {0x479205, 16}, {0x4791D9, 23}, {0x4791F2, 15}, {0x479199, 29}, {0x4791B7, 32}, {0x479179, 25},
    {0x47913D, 28}, {0x47915A, 26}, {0x46A341, 6},  {0x479109, 26}, {0x479124, 20}, {0x4790F9, 14},
    {0x4790BD, 22}, {0x4790D5, 34}, {0x479081, 33}, {0x4790A3, 24}, {0x3E8B0D, 20}, {0x3E8B22, 35},
    {0x3E8AD1, 36}, {0x3E8AF6, 20}};
constexpr struct {
    std::int64_t storedE, j;
    int size;
} kMessages[] = {{0x3E04ED, 0x3E050D, 29}, {0x3E0455, 0x3E0475, 29}, {0x3E03B5, 0x3E03D5, 32},
                 {0x3E0315, 0x3E0335, 27}, {0x3E0289, 0x3E02A9, 28}, {0x3E01F1, 0x3E0211, 27}};

TEST(CutsceneRooms, EachRoomLiesWhereTheDesignPlacesItInBothEditions) {
    ASSERT_EQ(rooms().size(), std::size(kSonicAndTikal) + std::size(kMessages));
    for (std::size_t i = 0; i < rooms().size(); ++i) {
        const bool message = i >= std::size(kSonicAndTikal);
        const auto& m = kMessages[message ? i - std::size(kSonicAndTikal) : 0];
        const Place place = message ? Place{m.j, m.size} : kSonicAndTikal[i];
        const std::int64_t e = message ? m.storedE + 16 : place.j + 16;
        // A file of neither edition holds Sonic's and Tikal's texts where (J) does, and no message.
        EXPECT_EQ(std::tuple(fileOffset(rooms()[i], Edition::J), fileOffset(rooms()[i], Edition::E),
                             fileOffset(rooms()[i], Edition::None), int{rooms()[i].size}),
                  std::tuple(place.j, e, message ? std::nullopt : std::optional(place.j), place.size))
            << roomKey(rooms()[i]);
        EXPECT_EQ(findRoom(roomKey(rooms()[i])), i);
    }
}

// As the window shows them: down the frame's left column, then its right one.
TEST(CutsceneRooms, MessagesNameARoomByItsFrameAndLine) {
    const std::pair<std::size_t, std::string> names[] = {
        {5, "Cutscene 1, line 6"},   {7, "Cutscene 1, line 10"},  {8, "Cutscene 1, line 8"},
        {36, "Cutscene 3, line 16"}, {101, "Tikal Text, line 2"}, {109, "Now You Can Play With..., line 6"}};
    for (const auto& [room, name] : names) {
        EXPECT_EQ(roomName(rooms()[room]), name);
    }
}

// A marker and the edition it names.
using EditionRow = std::tuple<const char*, std::string, Edition>;

const EditionRow kEditions[] = {
    {"E", "0", Edition::E}, {"J", "(", Edition::J}, {"neither", "X", Edition::None}};

class CutsceneEdition : public testing::TestWithParam<EditionRow> {};

TEST_P(CutsceneEdition, EveryRoomReadsItsOwnBytesAtTheEditionsOffset) {
    const auto& [name, marker, edition] = GetParam();
    const test::TempDir dir;
    const auto read = readCutsceneTexts(test::writeCutsceneExecutable(dir, marker, edition));
    EXPECT_EQ(read.edition, edition);
    EXPECT_FALSE(read.readFailed);
    for (std::size_t i = 0; i < rooms().size(); ++i) {
        const bool placed = fileOffset(rooms()[i], edition).has_value();
        EXPECT_EQ(read.texts[i].value_or("(not read)"), placed ? test::cutsceneText(i) : "(not read)") << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, CutsceneEdition, testing::ValuesIn(kEditions), test::rowName);

// A file and the refusal that follows its quoted name; none: the file is open to texts.
using FileRow = std::tuple<const char*, std::vector<test::Patch>, std::string>;

const std::string kNotExe =
    "is not a PC executable (it does not start with \"MZ\"), so it holds no cutscene texts.";
std::string neither(const std::string& marker) {
    return "is neither the (E) nor the (J) edition of the game (its byte at 0x3C is 0x" + marker +
           "), so the places of its texts are not known.";
}

// Texts go only into an executable of a known edition: a ROM given by mistake has rooms at the same offsets.
const FileRow kFiles[] = {
    {"E", {{0, "MZ"}, {0x3C, "0"}}, ""},
    {"a GBA ROM with the E marker", {{0x3C, "0"}, {0xA0, "GAME TITLE"}, {0x47FFFF, "x"}}, kNotExe},
    {"an executable of neither edition", {{0, "MZ"}, {0x3C, "X"}}, neither("58")},
    {"ending before the marker", {{0, "MZ"}}, neither("00")},
};

class CutsceneFile : public testing::TestWithParam<FileRow> {};

TEST_P(CutsceneFile, OnlyAnExecutableOfAKnownEditionIsOpenToTexts) {
    const auto& [name, bytes, refusal] = GetParam();
    const test::TempDir dir;
    const std::string path = dir.file("game.exe");
    test::writeImage(path, bytes);
    const auto checked = checkCutsceneFile(path);
    EXPECT_EQ(checked.ok() ? "" : checked.error(),
              refusal.empty() ? "" : "\"" + path + "\" " + refusal + " Nothing was written.");
    EXPECT_EQ(checked.ok() ? ErrorKind::Refusal : checked.failure().kind, ErrorKind::Refusal);
}

INSTANTIATE_TEST_SUITE_P(Files, CutsceneFile, testing::ValuesIn(kFiles), test::rowName);

TEST(CutsceneRooms, AMissingFileIsNeitherReadNorOpenToTexts) {
    const test::TempDir dir;
    const auto gone = readCutsceneTexts(dir.file("missing.exe"));
    EXPECT_TRUE(gone.readFailed);
    EXPECT_EQ(gone.texts[0], "");
    const auto missing = checkCutsceneFile(dir.file("missing.exe"));
    EXPECT_EQ(missing.ok() ? "" : missing.error(), "ROM not found!");
}

// A text given as the box shows it, without the padding, is no change; a room not read is changed by any.
TEST(CutsceneRooms, OnlyTextsThatDifferOncePaddedAreChanges) {
    const std::vector<std::optional<std::string>> before = {"Hey  ", "t1", "Hi", std::nullopt, "x"};
    const std::vector<std::optional<std::string>> after = {"Hey", "t1 ", "Hi!", "y", std::nullopt};
    const auto edits = changedRooms(before, after);
    std::string changed;
    for (const CutsceneEdit& edit : edits) {
        changed += std::to_string(edit.room) + "=" + edit.text + " ";
    }
    EXPECT_EQ(changed, "2=Hi! 3=y ");
}

TEST(CutsceneRooms, ASaveWritesOnlyTheEditedRoomsPaddedAndRefusesWhatItCannotWrite) {
    const test::TempDir dir;
    const std::string path = test::writeCutsceneExecutable(dir, "0", Edition::E);
    std::string expected = test::readAll(path);
    const std::vector<CutsceneEdit> edits = {
        {99, "Hey"}, {100, "Tikal\xC3\xA9"}, {104, "Now, you can play as AMY!"}};
    ASSERT_TRUE(saveCutsceneTexts(path, Edition::E, edits).ok());
    expected.replace(0x4790B3, 24, "Hey" + std::string(21, ' '));
    expected.replace(0x3E8B1D, 20, "Tikal\xE9" + std::string(14, ' '));
    expected.replace(0x3E04FD, 29, "Now, you can play as AMY!    ");
    EXPECT_EQ(test::readAll(path), expected);

    const std::tuple<Edition, std::size_t, std::string, std::string> refusals[] = {
        {Edition::E, 99, std::string(25, 'x'),
         "Cutscene 5, line 29 has room for 24 characters, not the 25 of its new text."},
        {Edition::E, 0, "a\xE4\xB8\xAD",
         "Cutscene 1, line 1: The character '\xE4\xB8\xAD' has no byte in code page 1252."},
        {Edition::None, 104, "x",
         "Now You Can Play With..., line 1 has no place in a file that names neither edition."},
    };
    for (const auto& [edition, room, text, error] : refusals) {
        const std::vector<CutsceneEdit> all = {{1, "fine"}, {room, text}};
        const auto saved = saveCutsceneTexts(path, edition, all);
        EXPECT_EQ(saved.ok() ? "" : saved.error(), error + " Nothing was written.");
    }
    EXPECT_EQ(test::readAll(path), expected);
}

}  // namespace
}  // namespace rq::cutscenes
