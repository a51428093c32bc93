#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "files/iniReadWriteDelete.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using namespace std::string_literals;

// One row: the bytes of a file on disk (nothing: no file at all), what comes back, and the value asked for.
struct IniCase {
    const char* name;
    std::optional<std::string> file;
    std::string expected;
    std::string key = "k";
    std::string section = "s";
    std::string defaultValue = "<error>";
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
    {"ValueOf300CharactersIsCutToItsFirst254", "[s]\nk=" + longValue(300) + "\n", longValue(254)},
    {"ValueOfExactly254CharactersIsWhole", "[s]\nk=" + longValue(254) + "\n", longValue(254)},
    {"QuotedValueIsCutAfterItsQuotesGo", "[s]\nk=\"" + longValue(300) + "\"\n", longValue(254)},
    {"DoubleQuotesAroundValueAreRemoved", "[s]\nk=\"v1.0\"\n", "v1.0"},
    {"SingleQuotesAroundValueAreRemoved", "[s]\nk='v1.0'\n", "v1.0"},
    {"BlanksInsideQuotesAreKept", "[s]\nk= \" v 1\t\" \n", " v 1\t"},
    {"OnlyOnePairOfQuotesIsRemoved", "[s]\nk=\"\"v\"\"\n", "\"v\""},
    {"EmptyQuotesGiveEmptyText", "[s]\nk=\"\"\n", ""},
    {"MismatchedQuotesStay", "[s]\nk=\"v1.0'\n", "\"v1.0'"},
    {"OpeningQuoteOnlyStays", "[s]\nk=\"v1.0\n", "\"v1.0"},

    // Names, duplicates, comments and lines without "="
    {"KeyInAnotherCaseIsFound", "[s]\nVersion=1\n", "1", "vERSION"},
    {"SectionInAnotherCaseIsFound", "[GameNames]\nk=1\n", "1", "k", "gAMEnAMES"},
    {"OnlyTheFirstOfDuplicateSectionsIsSearched", "[s]\na=1\n[t]\n[s]\nb=2\n", "<error>", "b"},
    {"DuplicateSectionInAnotherCaseIsNotMerged", "[s]\na=1\n[S]\na=2\nb=2\n", "1", "a"},
    {"FirstOfDuplicateKeysCounts", "[s]\nk=1\nK=2\n", "1"},
    {"LineWithoutEqualsHidesLaterKeyOfSameName", "[s]\nk\nk=1\n", "<error>"},
    {"LineWithoutEqualsDoesNotHideOtherKeys", "[s]\nother\nk=1\n", "1"},
    {"LinesBeforeFirstSectionCannotBeRead", "k=1\n[s]\nj=2\n", "<error>"},
    {"HashStartsAnOrdinaryKey", "[s]\n#k=1\n", "1", "#k"},
    {"SemicolonLineIsAComment", "[s]\n;k=1\nk=2\n", "2"},
    {"IndentedSemicolonLineIsAComment", "[s]\n \t;k=1\nk=2\n", "2"},
    {"SemicolonInValueKeepsItsNote", "[s]\nk=value ; note\n", "value ; note"},
    {"ValueMayContainEquals", "[s]\nk = a=b = c\n", "a=b = c"},
    {"EmptyValueIsEmptyTextNotDefault", "[s]\nk=\n", ""},
    {"BlankValueIsEmptyTextNotDefault", "[s]\nk= \t \n", ""},
    {"SectionHeaderWithoutBracketRunsToLineEnd", "[s x\nk=1\n", "1", "k", "s x"},
    {"TextAfterClosingBracketIsIgnored", "[s] trailing ]\nk=1\n", "1"},

    // Blanks
    {"BlanksAroundNamesAndValuesAreTrimmed", " \t[ \ts\t ] \n \t k \t= \t v w \t \n", "v w"},
    {"BlanksAroundTheNamesAskedForAreTrimmed", "[Ident]\nkey1=v\n", "v", " key1\t", " \tIdent "},
    {"VerticalTabFormFeedAndCtrlZAreBlanks", "[s]\n\vk\f=\x1a\vv\f\x1a\n", "v"},
    {"NoBreakSpaceIsNotABlank", "[s]\nk=\xA0v\xA0\n", "\xA0v\xA0"},

    // Line ends
    {"CrLfLineEnds", "[s]\r\na=1\r\nk=v\r\n", "v"},
    {"LfLineEnds", "[s]\na=1\nk=v\n", "v"},
    {"LoneCrLineEnds", "[s]\ra=1\rk=v\r", "v"},
    {"RunsOfLineEndsAreOneBreak", "[s]\r\r\n\n\ra=1\n\r\nk=v", "v"},

    // Missing things give the default
    {"MissingFileGivesDefault", std::nullopt, "<error>"},
    {"MissingSectionGivesDefault", "[t]\nk=1\n", "<error>"},
    {"MissingKeyGivesDefault", "[s]\nj=1\n", "0", "k", "s", "0"},
    {"EmptyFileGivesDefault", "", "<error>"},
    {"DefaultLosesTrailingSpacesOnly", std::nullopt, " d e", "k", "s", " d e  "},
    {"DefaultKeepsTrailingTabAndQuotes", "[s]\n", "\"d\"\t", "k", "s", "\"d\"\t"},

    // Encodings and raw bytes
    {"Utf16LeFileWithBomIsUnderstood", utf16LeWithBom(u"[s]\r\nk=caf\u00E9 \u20AC5\r\n"),
     "caf\xE9 \x80"
     "5"},
    {"Utf8BomBecomesPartOfFirstLine", "\xEF\xBB\xBF[s]\nk=1\n[t]\nk=2\n", "<error>"},
    {"Utf8BomDoesNotHideLaterSections", "\xEF\xBB\xBF[s]\nk=1\n[t]\nk=2\n", "2", "k", "t"},
    {"NulEndsTheValue", "[s]\nk=ab\0cd\n"s, "ab"},
    {"NulEndsTheKey", "[s]\nk\0x=v\n"s, "v"},
    {"EightBitBytesArePreserved", "[s\xE9]\n\xE9t\xE9=caf\xE9\n", "caf\xE9", "\xE9t\xE9", "s\xE9"},
};

class IniReadCase : public testing::TestWithParam<IniCase> {};

TEST_P(IniReadCase, ReadsFileOnDiskAsWindowsWould) {
    const IniCase& c = GetParam();
    const test::TempDir dir;
    const std::string path = dir.file("case.ini");
    if (c.file) {
        test::writeText(path, *c.file);
    }
    EXPECT_EQ(iniRead(path, c.section, c.key, c.defaultValue), c.expected);
}

INSTANTIATE_TEST_SUITE_P(IniRead, IniReadCase, testing::ValuesIn(kIniCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniRead, FolderOrFifoInPlaceOfFileGivesDefault) {
    const test::TempDir dir;
    const std::string fifo = dir.file("pipe.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(iniRead(dir.path().string(), "s", "k", "<error>"), "<error>");
    EXPECT_EQ(iniRead(fifo, "s", "k", "<error>"), "<error>");
}

// A parsed file may be reused, but only while its size and modification time stay the same. The time is
// set on purpose: a coarse file-system clock could leave it unchanged.
TEST(IniRead, AChangeOnDiskIsSeenAtTheNextRead) {
    const test::TempDir dir;
    const std::string path = dir.file("t.ini");
    const auto time = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    const auto rewrite = [&](const std::string& text, std::filesystem::file_time_type when) {
        test::writeText(path, text);
        std::filesystem::last_write_time(path, when);
    };
    rewrite("[s]\nk=1\n", time);
    ASSERT_EQ(iniRead(path, "s", "k", "<error>"), "1");
    rewrite("[s]\nk=22\n", time);  // another size, the same time
    EXPECT_EQ(iniRead(path, "s", "k", "<error>"), "22");
    rewrite("[s]\nk=33\n", time + std::chrono::seconds(2));  // the same size, another time
    EXPECT_EQ(iniRead(path, "s", "k", "<error>"), "33");
    std::filesystem::remove(path);
    EXPECT_EQ(iniRead(path, "s", "k", "<error>"), "<error>");
}

}  // namespace
}  // namespace rq
