#include "exchange/spreadsheetcells.h"

#include <gtest/gtest.h>

#include <string>
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
    const std::vector<std::pair<std::string, std::string>> converted = {
        {"007", "7"}, {"1.50", "1.5"}, {"1,50", "1,5"}, {"+5", "5"},
        {"2.", "2"},  {".5", "0.5"},   {"-0", "0"},     {"12345678901234", "1.23457E+13"}};
    const std::vector<std::pair<std::string, std::string>> notConverted = {
        {"12345678901234", "1.3E+13"}, {"1.50", "1,50"}, {"7", "007"}, {"-5", "5"},
        {"Level 07", "Level 7"},       {"1.5", "1.5"}};
    for (const auto& [original, translation] : converted) {
        EXPECT_TRUE(convertedAsNumber(original, translation)) << original << " as " << translation;
    }
    for (const auto& [original, translation] : notConverted) {
        EXPECT_FALSE(convertedAsNumber(original, translation)) << original << " as " << translation;
    }
}

}  // namespace
}  // namespace rq::exchange
