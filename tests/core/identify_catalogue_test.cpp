#include <gtest/gtest.h>

#include "identify/detectROM.h"
#include "support/catalogue_rows.h"
#include "support/testfiles.h"

namespace rq::identify {

namespace {

using test::CatalogueRow;

// The launcher looks each name up in loader.ini, so every catalogue name must come back character for
// character from an image that carries only its platform header and the game's key fields. A key compared
// on fewer bytes, or at a shifted offset, would still give the name: a changed first or last byte must not.
class IdentifyCatalogue : public testing::TestWithParam<CatalogueRow> {};

TEST_P(IdentifyCatalogue, GivesTheExactNameAndLosesItWhenAKeyByteChanges) {
    const auto& row = GetParam();
    const test::TempDir dir;
    const auto result = detectGame(test::writeRowImage(row, dir.path()));
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result->game, row.name);
    EXPECT_EQ(result->message, "");
    EXPECT_FALSE(result->readFailed);

    ASSERT_FALSE(row.keys.empty());
    for (const auto& key : row.keys) {
        for (const std::size_t at : {std::size_t{0}, key.bytes.size() - 1}) {
            SCOPED_TRACE(testing::Message()
                         << "byte " << at << " of the key at 0x" << std::hex << key.offset);
            auto changed = row;
            changed.patches.push_back(
                {key.offset + at, std::string(1, static_cast<char>(key.bytes[at] ^ 1))});
            const auto lost = detectGame(test::writeRowImage(changed, dir.path()));
            ASSERT_TRUE(lost) << lost.error();
            EXPECT_NE(lost->game, row.name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryGame, IdentifyCatalogue, testing::ValuesIn(test::catalogueRows()),
                         test::rowName);

}  // namespace
}  // namespace rq::identify
