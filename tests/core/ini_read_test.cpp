#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "launcher/iniReadWriteDelete.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using namespace std::string_literals;

// One row: the bytes of a file on disk (nothing: no file at all), the value asked for, and what comes back.
struct IniCase {
    const char* name;
    std::optional<std::string> file;
    std::string section;
    std::string key;
    std::string defaultValue;
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const IniCase& c) {
    return out << c.name;
}

std::string utf16LeWithBom(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Digits that never repeat within ten places, so a cut at the wrong place shows.
std::string longValue(std::size_t length) {
    std::string value;
    for (std::size_t i = 0; i < length; ++i) {
        value += static_cast<char>('0' + (i * 7 + i / 10) % 10);
    }
    return value;
}

const IniCase kIniCases[] = {
    // Length and quotes
    {"ValueOf300CharactersIsCutToItsFirst254", "[s]\nk=" + longValue(300) + "\n", "s", "k", "<error>",
     longValue(254)},
    {"ValueOfExactly254CharactersIsWhole", "[s]\nk=" + longValue(254) + "\n", "s", "k", "<error>",
     longValue(254)},
    {"QuotedValueIsCutAfterItsQuotesGo", "[s]\nk=\"" + longValue(300) + "\"\n", "s", "k", "<error>",
     longValue(254)},
    {"DoubleQuotesAroundValueAreRemoved", "[s]\nk=\"v1.0\"\n", "s", "k", "<error>", "v1.0"},
    {"SingleQuotesAroundValueAreRemoved", "[s]\nk='v1.0'\n", "s", "k", "<error>", "v1.0"},
    {"BlanksInsideQuotesAreKept", "[s]\nk= \" v 1\t\" \n", "s", "k", "<error>", " v 1\t"},
    {"OnlyOnePairOfQuotesIsRemoved", "[s]\nk=\"\"v\"\"\n", "s", "k", "<error>", "\"v\""},
    {"EmptyQuotesGiveEmptyText", "[s]\nk=\"\"\n", "s", "k", "<error>", ""},
    {"LoneQuoteStays", "[s]\nk=\"\n", "s", "k", "<error>", "\""},
    {"MismatchedQuotesStay", "[s]\nk=\"v1.0'\n", "s", "k", "<error>", "\"v1.0'"},
    {"OpeningQuoteOnlyStays", "[s]\nk=\"v1.0\n", "s", "k", "<error>", "\"v1.0"},
    {"ClosingQuoteOnlyStays", "[s]\nk=v1.0'\n", "s", "k", "<error>", "v1.0'"},

    // Names
    {"KeyInAnotherCaseIsFound", "[s]\nVersion=1\n", "s", "vERSION", "<error>", "1"},
    {"SectionInAnotherCaseIsFound", "[GameNames]\nk=1\n", "gAMEnAMES", "k", "<error>", "1"},
    {"OnlyTheFirstOfDuplicateSectionsIsSearched", "[s]\na=1\n[t]\n[s]\nb=2\n", "s", "b", "<error>",
     "<error>"},
    {"DuplicateSectionInAnotherCaseIsNotMerged", "[s]\na=1\n[S]\na=2\nb=2\n", "s", "a", "<error>", "1"},
    {"FirstOfDuplicateKeysCounts", "[s]\nk=1\nK=2\n", "s", "k", "<error>", "1"},
    {"LineWithoutEqualsHidesLaterKeyOfSameName", "[s]\nk\nk=1\n", "s", "k", "<error>", "<error>"},
    {"LineWithoutEqualsDoesNotHideOtherKeys", "[s]\nother\nk=1\n", "s", "k", "<error>", "1"},
    {"LinesBeforeFirstSectionCannotBeRead", "k=1\n[s]\nj=2\n", "s", "k", "<error>", "<error>"},
    {"HashStartsAnOrdinaryKey", "[s]\n#k=1\n", "s", "#k", "<error>", "1"},
    {"SemicolonLineIsAComment", "[s]\n;k=1\nk=2\n", "s", "k", "<error>", "2"},
    {"IndentedSemicolonLineIsAComment", "[s]\n \t;k=1\nk=2\n", "s", "k", "<error>", "2"},
    {"SemicolonInValueKeepsItsNote", "[s]\nk=value ; note\n", "s", "k", "<error>", "value ; note"},
    {"ValueMayContainEquals", "[s]\nk = a=b = c\n", "s", "k", "<error>", "a=b = c"},
    {"EmptyValueIsEmptyTextNotDefault", "[s]\nk=\n", "s", "k", "<error>", ""},
    {"BlankValueIsEmptyTextNotDefault", "[s]\nk= \t \n", "s", "k", "<error>", ""},
    {"SectionHeaderWithoutBracketRunsToLineEnd", "[s x\nk=1\n", "s x", "k", "<error>", "1"},
    {"TextAfterClosingBracketIsIgnored", "[s] trailing ]\nk=1\n", "s", "k", "<error>", "1"},

    // Blanks
    {"BlanksAroundNamesAndValuesAreTrimmed", " \t[ \ts\t ] \n \t k \t= \t v w \t \n", "s", "k", "<error>",
     "v w"},
    {"VerticalTabFormFeedAndCtrlZAreBlanks", "[s]\n\vk\f=\x1a\vv\f\x1a\n", "s", "k", "<error>", "v"},
    {"NoBreakSpaceIsNotABlank", "[s]\nk=\xA0v\xA0\n", "s", "k", "<error>", "\xA0v\xA0"},

    // Line ends
    {"CrLfLineEnds", "[s]\r\na=1\r\nk=v\r\n", "s", "k", "<error>", "v"},
    {"LfLineEnds", "[s]\na=1\nk=v\n", "s", "k", "<error>", "v"},
    {"LoneCrLineEnds", "[s]\ra=1\rk=v\r", "s", "k", "<error>", "v"},
    {"RunsOfLineEndsAreOneBreak", "[s]\r\r\n\n\ra=1\n\r\nk=v", "s", "k", "<error>", "v"},
    {"LastLineNeedsNoLineEnd", "[s]\nk=v", "s", "k", "<error>", "v"},

    // Missing things give the default
    {"MissingFileGivesDefault", std::nullopt, "s", "k", "<error>", "<error>"},
    {"MissingSectionGivesDefault", "[t]\nk=1\n", "s", "k", "<error>", "<error>"},
    {"MissingKeyGivesDefault", "[s]\nj=1\n", "s", "k", "0", "0"},
    {"EmptyFileGivesDefault", "", "s", "k", "<error>", "<error>"},
    {"DefaultLosesTrailingSpacesOnly", std::nullopt, "s", "k", " d e  ", " d e"},
    {"DefaultKeepsTrailingTab", "[s]\n", "s", "k", "d\t", "d\t"},
    {"DefaultKeepsItsQuotes", "[s]\n", "s", "k", "\"d\"", "\"d\""},

    // Encodings and raw bytes
    {"Utf16LeFileWithBomIsUnderstood", utf16LeWithBom(u"[s]\r\nk=caf\u00E9 \u20AC5\r\n"), "s", "k", "<error>",
     "caf\xE9 \x80"
     "5"},
    {"Utf8BomBecomesPartOfFirstLine", "\xEF\xBB\xBF[s]\nk=1\n[t]\nk=2\n", "s", "k", "<error>", "<error>"},
    {"Utf8BomDoesNotHideLaterSections", "\xEF\xBB\xBF[s]\nk=1\n[t]\nk=2\n", "t", "k", "<error>", "2"},
    {"NulEndsTheValue", "[s]\nk=ab\0cd\n"s, "s", "k", "<error>", "ab"},
    {"NulEndsTheKey", "[s]\nk\0x=v\n"s, "s", "k", "<error>", "v"},
    {"NulEndsTheSectionName", "[s\0x]\nk=v\n"s, "s", "k", "<error>", "v"},
    {"NulEndsTheNameOfALineWithoutEquals", "[s]\nk \0x\nk=v\n"s, "s", "k", "<error>", "<error>"},
    {"EightBitBytesArePreserved", "[s\xE9]\n\xE9t\xE9=caf\xE9\n", "s\xE9", "\xE9t\xE9", "<error>", "caf\xE9"},
};

class IniReadCase : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniReadCase, ReadsFileOnDiskAsWindowsWould) {
    const IniCase& c = GetParam();
    test::TempDir dir;
    const std::string path = dir.file("case.ini");
    if (c.file) {
        test::writeText(path, *c.file);
    }
    EXPECT_EQ(iniRead(path, c.section, c.key, c.defaultValue), c.expected);
}

INSTANTIATE_TEST_SUITE_P(IniRead, IniReadCase, ::testing::ValuesIn(kIniCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniRead, FolderOrFifoInPlaceOfFileGivesDefault) {
    test::TempDir dir;
    const std::string fifo = dir.file("pipe.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(iniRead(dir.path().string(), "s", "k", "<error>"), "<error>");
    EXPECT_EQ(iniRead(fifo, "s", "k", "<error>"), "<error>");
}

// A parsed file may be reused, but only while its size and modification time stay the same.
// The time is set back on purpose: a coarse file-system clock can leave it unchanged.
TEST(IniReadChangeOnDisk, RewriteWithAnotherSizeAndSameTimeIsSeenAtNextRead) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    const auto time = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    test::writeText(path, "[s]\nk=1\n");
    std::filesystem::last_write_time(path, time);
    ASSERT_EQ(iniRead(path, "s", "k", "<error>"), "1");
    test::writeText(path, "[s]\nk=22\n");
    std::filesystem::last_write_time(path, time);
    EXPECT_EQ(iniRead(path, "s", "k", "<error>"), "22");
}

TEST(IniReadChangeOnDisk, RewriteWithSameSizeAndNewTimeIsSeenAtNextRead) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    const auto before = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    test::writeText(path, "[s]\nk=1\n");
    std::filesystem::last_write_time(path, before);
    ASSERT_EQ(iniRead(path, "s", "k", "<error>"), "1");
    test::writeText(path, "[s]\nk=2\n");
    std::filesystem::last_write_time(path, before + std::chrono::seconds(2));
    EXPECT_EQ(iniRead(path, "s", "k", "<error>"), "2");
}

TEST(IniReadChangeOnDisk, RemovedFileGivesDefaultAtNextRead) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    test::writeText(path, "[s]\nk=1\n");
    ASSERT_EQ(iniRead(path, "s", "k", "<error>"), "1");
    std::filesystem::remove(path);
    EXPECT_EQ(iniRead(path, "s", "k", "<error>"), "<error>");
}

}  // namespace
}  // namespace rq
