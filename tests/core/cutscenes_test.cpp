#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cutscenes/cutscenerooms.h"
#include "support/testfiles.h"

namespace rq::cutscenes {
namespace {

using namespace std::string_literals;

TEST(CutsceneRooms, TheTableHoldsEachRoomOnceInOrderWithoutOverlaps) {
    ASSERT_EQ(rooms().size(), 110u);
    EXPECT_EQ(roomKey(rooms()[99]) + roomKey(rooms()[100]) + roomKey(rooms()[109]),
              "sonic[99]tikaltxt[0]playas6");
    for (std::size_t i = 0; i < rooms().size(); ++i) {
        EXPECT_EQ(findRoom(roomKey(rooms()[i])), i);
        for (std::size_t j = i + 1; j < rooms().size(); ++j) {
            const Room &a = rooms()[i], &b = rooms()[j];
            if (a.group != Group::PlayAs && b.group != Group::PlayAs) {
                EXPECT_TRUE(a.offset + a.size <= b.offset || b.offset + b.size <= a.offset) << i << " " << j;
            }
        }
    }
}

// Every box reads its own bytes, with the shift of the edition the marker names, and only up to a zero byte.
TEST(CutsceneRooms, EveryRoomReadsItsOwnBytesAtTheEditionsOffset) {
    const test::TempDir dir;
    const struct {
        std::string marker;
        Edition edition;
        std::int64_t sonic99, playas1;
    } files[] = {{"0", Edition::E, 0x4790B3, 0x3E04FD},
                 {"(", Edition::J, 0x4790A3, 0x3E050D},
                 {"X", Edition::None, 0x4790A3, -1}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.marker);
        EXPECT_EQ(fileOffset(rooms()[99], f.edition), f.sonic99);
        EXPECT_EQ(fileOffset(rooms()[104], f.edition).value_or(-1), f.playas1);
        const auto read = readCutsceneTexts(test::writeCutsceneExecutable(dir, f.marker, f.edition));
        EXPECT_EQ(read.edition, f.edition);
        EXPECT_FALSE(read.readFailed);
        for (std::size_t i = 0; i < rooms().size(); ++i) {
            const bool placed = fileOffset(rooms()[i], f.edition).has_value();
            EXPECT_EQ(read.texts[i].value_or("(not read)"), placed ? test::cutsceneText(i) : "(not read)")
                << i;
        }
    }
    const auto gone = readCutsceneTexts(dir.file("missing.exe"));
    EXPECT_TRUE(gone.readFailed);
    EXPECT_EQ(gone.texts[0], "");
}

// Texts go only into an executable of a known edition: a ROM given by mistake has rooms at the same offsets.
TEST(CutsceneRooms, OnlyAnExecutableOfAKnownEditionIsOpenToTexts) {
    const test::TempDir dir;
    const std::string gba = dir.file("game.gba"), zm = dir.file("zm.exe"), tiny = dir.file("tiny.exe");
    test::writeImage(gba, {{0x3C, "0"}, {0xA0, "GAME TITLE"}}, 0x480000);
    test::writeImage(zm, {{0, "ZM"}, {0x3C, "("}}, 0x100);
    test::writeImage(tiny, {{0, "MZ"}});
    const struct {
        std::string name, path, error;  // error empty: accepted
    } cases[] = {
        {"(E)", test::writeCutsceneExecutable(dir, "0", Edition::E), ""},
        {"(J)", test::writeCutsceneExecutable(dir, "(", Edition::J), ""},
        {"a GBA ROM with the (E) marker", gba,
         "\"" + gba +
             "\" is not a PC executable (it does not start with \"MZ\"), so it holds no cutscene texts."},
        {"MZ reversed", zm,
         "\"" + zm +
             "\" is not a PC executable (it does not start with \"MZ\"), so it holds no cutscene texts."},
        {"an executable of neither edition", test::writeCutsceneExecutable(dir, "X", Edition::None),
         "\"" + dir.file("sonicX.exe") +
             "\" is neither the (E) nor the (J) edition of the game (its byte at 0x3C is 0x58), so the "
             "places of "
             "its texts are not known."},
        {"ending before the marker", tiny,
         "\"" + tiny +
             "\" is neither the (E) nor the (J) edition of the game (its byte at 0x3C is 0x00), so the "
             "places of "
             "its texts are not known."},
    };
    for (const auto& c : cases) {
        const auto checked = checkCutsceneFile(c.path);
        EXPECT_EQ(checked.ok() ? "" : checked.error(),
                  c.error.empty() ? "" : c.error + " Nothing was written.")
            << c.name;
        EXPECT_EQ(checked.ok() ? ErrorKind::Refusal : checked.failure().kind, ErrorKind::Refusal) << c.name;
    }
    const auto missing = checkCutsceneFile(dir.file("missing.exe"));
    EXPECT_EQ(missing.ok() ? "" : missing.error(), "ROM not found!");
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

    const struct {
        Edition edition;
        CutsceneEdit edit;
        std::string error;
    } refusals[] = {
        {Edition::E,
         {99, std::string(25, 'x')},
         "sonic[99] has room for 24 characters, not the 25 of its new text."},
        {Edition::E,
         {0, "a\xE4\xB8\xAD"},
         "sonic[0]: The character '\xE4\xB8\xAD' has no byte in code page 1252."},
        {Edition::None, {104, "x"}, "playas1 has no place in a file that names neither edition."},
    };
    for (const auto& r : refusals) {
        const std::vector<CutsceneEdit> all = {{1, "fine"}, r.edit};
        const auto saved = saveCutsceneTexts(path, r.edition, all);
        EXPECT_EQ(saved.ok() ? "" : saved.error(), r.error + " Nothing was written.");
    }
    EXPECT_EQ(test::readAll(path), expected);
}

}  // namespace
}  // namespace rq::cutscenes
