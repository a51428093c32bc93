#include <gtest/gtest.h>

#include <map>
#include <set>

#include "identify/detectROM.h"
#include "support/catalogue_rows.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using test::CatalogueRow;

// The launcher looks each name up in loader.ini, so every catalogue name must come back character for
// character from an image that carries only its platform header and the game's key fields.
class IdentifyCatalogue : public testing::TestWithParam<CatalogueRow> {};

TEST_P(IdentifyCatalogue, RecognisesTheGameByItsExactName) {
    const test::TempDir dir;
    const auto path = test::writeRowImage(GetParam(), dir.path());

    const auto result = detectGame(path);

    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result->game, GetParam().name);
    EXPECT_TRUE(result->recognised());
    EXPECT_EQ(result->message, "");
    EXPECT_FALSE(result->readFailed);
}

// A key compared on fewer bytes than the game's field, or at a shifted offset, would still pass the test
// above; a changed first or last byte must not.
TEST_P(IdentifyCatalogue, AChangeAtEitherEndOfAKeyFieldLosesTheName) {
    const auto& row = GetParam();
    ASSERT_FALSE(row.keys.empty());
    const test::TempDir dir;
    for (const auto& key : row.keys) {
        for (const std::size_t at : {std::size_t{0}, key.bytes.size() - 1}) {
            SCOPED_TRACE(testing::Message()
                         << "byte " << at << " of the key at 0x" << std::hex << key.offset);
            auto changed = row;
            changed.patches.push_back(
                {key.offset + at, std::string(1, static_cast<char>(key.bytes[at] ^ 0x01))});
            const auto result = detectGame(test::writeRowImage(changed, dir.path()));
            ASSERT_TRUE(result) << result.error();
            EXPECT_NE(result->game, row.name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryGame, IdentifyCatalogue, testing::ValuesIn(test::catalogueRows()),
                         [](const testing::TestParamInfo<CatalogueRow>& info) {
                             return test::rowId(info.param);
                         });

TEST(IdentifyCatalogueRows, CoverAllSeventySevenNamesOnce) {
    const auto& rows = test::catalogueRows();
    std::set<std::string> names;
    for (const auto& row : rows) {
        names.insert(row.name);
    }
    EXPECT_EQ(rows.size(), 77u);
    EXPECT_EQ(names.size(), 77u);
}

TEST(IdentifyCatalogueRows, PerPlatformCountsMatchTheGameList) {
    std::map<std::string, int> perPlatform;
    for (const auto& row : test::catalogueRows()) {
        ++perPlatform[row.extension];
    }
    const std::map<std::string, int> expected = {{"bin", 25}, {"iso", 6},  {"sms", 7}, {"gg", 16}, {"32x", 2},
                                                 {"exe", 2},  {"gba", 16}, {"npc", 1}, {"mb", 2}};
    EXPECT_EQ(perPlatform, expected);
}

}  // namespace
}  // namespace rq
