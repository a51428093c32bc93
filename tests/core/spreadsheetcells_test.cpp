#include "exchange/spreadsheetcells.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace rq::exchange {

namespace {

// What a spreadsheet would change: a cell it takes for a formula is exported behind an apostrophe that
// reading takes off again, and a translation that is its original after a number conversion is seen.
TEST(SpreadsheetCells, AFormulaIsExportedBehindAnApostropheThatReadingTakesOff) {
    const std::vector<std::pair<std::string, std::string>> cells = {
        {"=1+1", "'=1+1"}, {"+49", "'+49"},    {"-", "'-"}, {"@home", "'@home"}, {"'=x", "''=x"},
        {"''", "'''"},     {"'Twas", "'Twas"}, {"'", "'"},  {"a=b", "a=b"},      {"", ""}};
    for (const auto& [text, cell] : cells) {
        EXPECT_EQ(protectedCell(text), cell) << text;
        EXPECT_EQ(unprotectedCell(cell), text) << cell;
    }
}

TEST(SpreadsheetCells, ANumberAsASpreadsheetWritesItBackIsSeen) {
    const std::tuple<std::string, std::string, bool> cases[] = {{"007", "7", true},
                                                                {"1.50", "1.5", true},
                                                                {"1,50", "1,5", true},
                                                                {"+5", "5", true},
                                                                {"2.", "2", true},
                                                                {".5", "0.5", true},
                                                                {"-0", "0", true},
                                                                {"12345678901234", "1.23457E+13", true},
                                                                {"12345678901234", "1.3E+13", false},
                                                                {"1.50", "1,50", false},
                                                                {"7", "007", false},
                                                                {"-5", "5", false},
                                                                {"Level 07", "Level 7", false},
                                                                {"1.5", "1.5", false}};
    for (const auto& [original, translation, converted] : cases) {
        EXPECT_EQ(convertedAsNumber(original, translation), converted) << original << " as " << translation;
    }
}

}  // namespace
}  // namespace rq::exchange
