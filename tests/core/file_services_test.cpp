#include <limits>
#include <optional>

#include "files/codepage.h"
#include "files/common.h"
#include "files/filehandle.h"
#include "files/iniReadWriteDelete.h"
#include "files/readwritetext.h"
#include "support/testfiles.h"

namespace rq::files {

namespace {

using namespace std::string_literals;
using test::withoutBlocking;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

TEST(AppRelativePath, JoinsFolderAndEitherSeparatorWithNativeOnesAndNeverDoublesOne) {
#ifdef _WIN32
    const std::string folder = "C:\\Romquill", root = "C:\\", exe = ".exe";
#else
    const std::string folder = "/opt/romquill", root = "/", exe;
#endif
    const std::string s(1, root.back());
    setApplicationFolder(folder);
    EXPECT_EQ(appRelativePath("plugins\\loader.ini"), folder + s + "plugins" + s + "loader.ini");
    EXPECT_EQ(appRelativePath("gfx/"), folder + s + "gfx" + s);
    setApplicationFolder(root);
    EXPECT_EQ(appRelativePath("gfx\\norom.dat"), root + "gfx" + s + "norom.dat");
    setApplicationFolder({});
    EXPECT_TRUE(std::filesystem::exists(fsPath(appRelativePath("romquill_core_tests" + exe))));
}

struct IniRow {
    const char* name;
    std::optional<std::string> file;  // nothing: no file at all
    std::string expected, key = "k", section = "s", defaultValue = "<error>";
};

const IniRow kIniRows[] = {
    // Values whose first and last 254 characters differ, so a cut at the wrong end shows.
    {"CutToItsFirst254", "[s]\nk=" + test::distinctBytes(300) + "\n", test::distinctBytes(254)},
    {"CutAfterTheQuotesGo", "[s]\nk=\"" + test::distinctBytes(300) + "\"\n", test::distinctBytes(254)},
    {"SingleQuotesAreRemoved", "[s]\nk='v1.0'\n", "v1.0"},
    {"BlanksInsideQuotesAreKept", "[s]\nk= \" v 1\t\" \n", " v 1\t"},
    {"OnlyOnePairOfQuotesIsRemoved", "[s]\nk=\"\"v\"\"\n", "\"v\""},
    {"EmptyQuotesGiveEmptyText", "[s]\nk=\"\"\n", ""},
    {"MismatchedQuotesStay", "[s]\nk=\"v1.0'\n", "\"v1.0'"},
    {"LoneQuoteStays", "[s]\nk=\"\n", "\""},
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
    {"IndentedSemicolonLineIsAComment", "[s]\n \t;k=1\n", "<error>", ";k"},
    {"SemicolonInValueKeepsItsNote", "[s]\nk=value ; note\n", "value ; note"},
    {"ValueMayContainEquals", "[s]\nk = a=b = c\n", "a=b = c"},
    {"EmptyValueIsEmptyTextNotDefault", "[s]\nk=\n", ""},
    {"SectionHeaderWithoutBracketRunsToLineEnd", "[s x\nk=1\n", "1", "k", "s x"},
    {"TextAfterClosingBracketIsIgnored", "[s] trailing ]\nk=1\n", "1"},
    {"BlanksAroundNamesAndValuesAreTrimmed", " \t[ \ts\t ] \n \t k \t= \t v w \t \n", "v w"},
    {"BlanksAroundTheNamesAskedForAreTrimmed", "[Ident]\nkey1=v\n", "v", " key1\t", " \tIdent "},
    {"VerticalTabFormFeedAndCtrlZAreBlanks", "[s]\n\vk\f=\x1a\vv\f\x1a\n", "v"},
    {"NoBreakSpaceIsNotABlank", "[s]\nk=\xA0v\xA0\n", "\xA0v\xA0"},
    {"LoneCrLineEnds", "[s]\ra=1\rk=v\r", "v"},
    {"RunsOfLineEndsAreOneBreak", "[s]\r\r\n\n\ra=1\n\r\nk=v", "v"},
    {"MissingSectionGivesDefault", "[t]\nk=1\n", "<error>"},
    {"MissingFileDefaultLosesTrailingSpacesOnly", std::nullopt, " d\t", "k", "s", " d\t  "},
    {"MissingKeyDefaultKeepsItsQuotes", "[s]\n", "\"d\"", "k", "s", "\"d\"  "},
    {"Utf16LeFileWithBomIsUnderstood", "\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE9\0 \0\xAC\x20\r\0"s, "\xE9 \x80"},
    {"Utf8BomBecomesPartOfFirstLine", "\xEF\xBB\xBF[s]\nk=1\n[t]\nk=2\n", "<error>"},
    {"Utf8BomDoesNotHideLaterSections", "\xEF\xBB\xBF[s]\nk=1\n[t]\nk=2\n", "2", "k", "t"},
    {"NulEndsTheValue", "[s]\nk=ab\0cd\n"s, "ab"},
    {"NulEndsTheKey", "[s]\nk\0x=v\n"s, "v"},
    {"EightBitBytesArePreserved", "[s\xE9]\n\xE9t\xE9=caf\xE9\n", "caf\xE9", "\xE9t\xE9", "s\xE9"},
};

class IniRead : public testing::TestWithParam<IniRow> {};

TEST_P(IniRead, ReadsFileOnDiskAsWindowsWould) {
    const IniRow& row = GetParam();
    const test::TempDir dir;
    if (row.file) {
        test::writeText(dir.file("t.ini"), *row.file);
    }
    EXPECT_EQ(iniRead(dir.file("t.ini"), row.section, row.key, row.defaultValue), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Files, IniRead, testing::ValuesIn(kIniRows), test::rowName);

// A parsed file may be reused, but only for the same bytes: a rewrite of the same size within one tick of a
// coarse file-system clock is seen too (the time is set back on purpose).
TEST(IniReadOf, AChangeOnDiskIsSeenAtTheNextRead) {
    const test::TempDir dir;
    const std::string path = dir.file("t.ini");
    const auto time = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string value : {"1", "22", "33"}) {
        test::writeText(path, "[s]\nk=" + value + "\n");
        std::filesystem::last_write_time(path, time);
        EXPECT_EQ(iniRead(path, "s", "k", "<error>"), value);
    }
    std::filesystem::remove(path);
    EXPECT_EQ(iniRead(path, "s", "k", "<error>"), "<error>");
}

// Every byte gives its Windows-1252 character, the unused five their C1 controls, and comes back from it.
TEST(CodePage, EveryByteRoundTripsThroughItsCharacterAndUtf8) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    const auto back = utf8ToBytes(bytesToUtf8(bytes));
    EXPECT_EQ(back ? *back : back.error(), bytes);
    EXPECT_EQ(bytesToUtf8("\0A\x7F\x80\x99\x9F\xA0\xE9\xFF"s), "\0A\x7F€™Ÿ\xC2\xA0éÿ"s);
    EXPECT_EQ(bytesToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

// A character without a byte is named. Malformed UTF-8 is no UTF-8: a lone continuation byte, a sequence cut
// at the end, a missing continuation, an invalid lead byte, overlong forms of two, three and four bytes, a
// surrogate, and a value beyond Unicode.
TEST(CodePage, TextWithoutBytesFailsNamingWhy) {
    for (const auto& [text, character] : {std::pair{"a一b", "一"}, std::pair{"\xC2\x80", "\xC2\x80"},
                                          std::pair{"Ā", "Ā"}, std::pair{"😀", "😀"}}) {
        EXPECT_NE(utf8ToBytes(text).error().find(character), std::string::npos) << utf8ToBytes(text).error();
    }
    for (const std::string text : {"a\x80", "\xE2\x82", "\xC3!", "\xFF", "\xC1\x81", "\xE0\x81\x81",
                                   "\xF0\x80\x81\x81", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_NE(utf8ToBytes(text).error().find("UTF-8"), std::string::npos) << testing::PrintToString(text);
    }
    EXPECT_EQ(charactersWithoutByte("a一b€一😀"), U"一😀");  // each once, in order
}

using EscapeRow = std::tuple<const char*, std::string, std::string>;  // the name, the text, as shown

const EscapeRow kEscapes[] = {
    {"plain text and other scripts", "Sonic \xC3\xA9\xE4\xB8\x80\xF0\x9F\x98\x80 \\x41",
     "Sonic \xC3\xA9\xE4\xB8\x80\xF0\x9F\x98\x80 \\x41"},
    {"named controls", "a\0b\tc\nd\re"s, "a\\0b\\tc\\nd\\re"},
    {"an escape sequence", "\x1B[2J\x1B]0;title\x07", "\\x1B[2J\\x1B]0;title\\x07"},
    {"DEL and the C1 controls", "\x7F\xC2\x80\xC2\x9B\xC2\x9F\xC2\xA0", "\\x7F\\x80\\x9B\\x9F\xC2\xA0"},
    {"stray bytes", "\x9B\x31m\xE9t\xC3", "\\x9B1m\\xE9t\\xC3"},
    {"overlong and surrogate forms", "\xC0\x8A\xED\xA0\x80", "\\xC0\\x8A\\xED\\xA0\\x80"},
};

class EscapedText : public testing::TestWithParam<EscapeRow> {};

TEST_P(EscapedText, ShowsControlsAndStrayBytesAndKeepsEveryOtherCharacter) {
    EXPECT_EQ(escapeControls(std::get<1>(GetParam())), std::get<2>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Texts, EscapedText, testing::ValuesIn(kEscapes), test::rowName);

std::string read(const std::string& path, std::int32_t offset, std::int16_t count, std::int16_t shift) {
    const auto bytes = readRange(path, offset, count, shift);
    return bytes.ok() ? *bytes : "refused: " + bytes.error();
}

using RangeRow = std::tuple<const char*, std::int32_t, std::int16_t, std::int16_t, std::string>;

const RangeRow kRanges[] = {
    {"far offset", 0x47B0C5, 9, 0, "SONIC\xE9\x80\x00\xFF"s},
    {"shift 16 reads offset 16", 0, 7, 16, "shifted"},
    {"negative shift", 20, 3, -4, "shi"},
    {"straddling the end", 0x47B0CC, 6, 0, "\x00\xFF\0\0\0\0"s},
    {"wholly past the end", 0x500000, 3, 0, "\0\0\0"s},
    {"last possible start", kInt32Max, 2, 0, "\0\0"s},
    {"a count of 0 reads nothing", 0x100, 0, 0, ""},
    {"negative count", 0, -1, 0, "refused: ROM not found!"},
    {"start before the file by the shift", 0, 1, -1, "refused: ROM not found!"},
    {"negative offset", -1, 1, 0, "refused: ROM not found!"},
    {"offset plus shift overflows", kInt32Max, 1, 16, "refused: ROM not found!"},
};

class ByteRange : public testing::TestWithParam<RangeRow> {};

// Count bytes at offset plus shift, zeros past the end; the file is never made longer.
TEST_P(ByteRange, ReadGivesTheBytesOrRefuses) {
    const auto& [name, offset, count, shift, expected] = GetParam();
    const test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeImage(path, {{0, "0123456789ABCDEFshifted"}, {0x47B0C5, "SONIC\xE9\x80\x00\xFF"s}});
    EXPECT_EQ(read(path, offset, count, shift), expected);
    EXPECT_EQ(std::filesystem::file_size(path), 0x47B0CEu);
}

INSTANTIATE_TEST_SUITE_P(Reads, ByteRange, testing::ValuesIn(kRanges), test::rowName);

// Every read of a file (INI files too) opens it as this one does: only a regular file, never blocking.
TEST(ByteRangeOf, AMissingFileFolderOrFifoIsRefusedWithoutBlocking) {
    const test::TempDir dir;
    EXPECT_EQ(read(dir.file("rom.bin"), 0x100, 0, 0), "");  // a count of 0 does not look at the file
    EXPECT_EQ(read(dir.file("rom.bin"), 0, 4, 0), "refused: ROM not found!");
    EXPECT_EQ(read(dir.file(""), 0, 4, 0), "refused: ROM not found!");
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs in its file system";
#endif
    const std::string fifo = dir.file("pipe.bin");
    ASSERT_TRUE(test::makeFifo(fifo));
    EXPECT_EQ(withoutBlocking(fifo, [&] { return read(fifo, 0, 4, 0); }), "refused: ROM not found!");
}

}  // namespace
}  // namespace rq::files
