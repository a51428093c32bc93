#include "editor/entrytexts.h"
#include "files/iniReadWriteDelete.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"
#include "templates/templatecheck.h"

namespace rq {

using namespace rq::editor;
using namespace rq::files;
using namespace rq::templates;
namespace {

using namespace std::string_literals;

// A one-byte alphabet (with a lower-case code key, 8a), a two-byte one, and one without a save code for a
// space or "="; each test writes the template and the game file it needs. Alphabets write a space as "¬" (AC)
// and "=" as "¦" (A6), in the code page; texts are UTF-8.
class TemplateCodec : public testing::Test {
  protected:
    void SetUp() override {
        m_folder.writeAlphabet("one.ini", test::alphabetText(1, "41=A\n61=a\n8a=\xC9\n20=\xAC\n3D=\xA6\n",
                                                             "A=41\n_a=61\n\xC9=8A\n\xAC=20\n\xA6=3D\n"));
        m_folder.writeAlphabet(
            "two.ini", test::alphabetText(2, "8A0B=K\n8a0c=k\n0000=\xAC\n", "K=8A0B\n_k=8a0c\n\xAC=0000\n"));
        m_folder.writeAlphabet("nospace.ini", test::alphabetText(1, "41=A\n", "A=41\n"));
    }

    // A template whose text formats One, Two and NoSpace name the alphabets above.
    std::string writeTemplate(const std::vector<test::EntryText>& entries) const {
        m_folder.writeTemplate(
            "codec.ini",
            test::TemplateText{entries, {{"One", "one.ini"}, {"Two", "two.ini"}, {"NoSpace", "nospace.ini"}}}
                .str());
        return m_folder.path("plugins\\games\\codec.ini");
    }

    [[nodiscard]] std::vector<std::string> readTexts(const std::string& templatePath) const {
        const auto gameTemplate = readGameTemplate(templatePath);
        EXPECT_TRUE(gameTemplate) << gameTemplate.error();
        const auto read = readEntryTexts(*gameTemplate, m_game);
        EXPECT_FALSE(read.readFailed);
        return read.texts;
    }

    // The game file: 0x40 bytes of 0xEE, with the given bytes at the given offsets.
    void writeGame(const std::vector<test::Patch>& patches) const {
        std::vector<test::Patch> all = {{0, std::string(0x40, '\xEE')}};
        all.insert(all.end(), patches.begin(), patches.end());
        test::writeImage(m_game, all);
    }

    test::ProgramFolder m_folder;
    std::string m_game = m_folder.dir().file("game.bin");
};

TEST_F(TemplateCodec, DecodesEachCodeThroughItsEntrysAlphabet) {
    // One-byte codes, a lower-case code key (8a), the space and "=" marks and a code without a Load key;
    // two-byte codes first byte first; the same bytes through two alphabets.
    writeGame({{0x10, "\x41\x61\x8A\x20\x3D\x7F"}, {0x20, "\x8A\x0B\x8A\x0C\x12\x34"}});
    const auto path = writeTemplate({{"One", 6, 0x10}, {"Two", 6, 0x20}, {"One", 2, 0x20}});

    EXPECT_EQ(readTexts(path), (std::vector<std::string>{"AaÉ =<error>", "Kk<error>", "É<error>"}));
}

TEST_F(TemplateCodec, SaveEncodesByCharacterKeyAndWritesOnlyEachRoom) {
    writeGame({});
    const auto path = writeTemplate({{"One", 6, 0x10}, {"Two", 8, 0x20}});
    auto expected = test::readAll(m_game);

    // "a" is saved under _a, a space under the space mark, "=" under the equals mark; a save value of four
    // hex digits (also in lower case) writes two bytes, first pair first; short texts are padded.
    const std::vector<std::string> texts = {"a A=É", "Kk"};
    const auto saved = saveEntryTexts(path, m_game, {}, texts);

    ASSERT_TRUE(saved) << saved.error();
    ASSERT_EQ(saved->size(), 2u);
    EXPECT_EQ((*saved)[0].text + "|" + (*saved)[1].text, "a A=É |Kk  ");
    expected.replace(0x10, 6, "\x61\x20\x41\x3D\x8A"s + '\x20');
    expected.replace(0x20, 8, "\x8A\x0B\x8A\x0C\x00\x00\x00\x00"s);
    EXPECT_EQ(test::readAll(m_game), expected);
}

TEST_F(TemplateCodec, ASaveWritesOnlyTheEditedEntriesWhateverTheOthersReadAs) {
    // 42 shows as 41 does, 7F has no Load key, 43 shows as two characters: none of them reads back as it
    // was, and none is touched by a save of another entry.
    m_folder.writeAlphabet(
        "one.ini", test::alphabetText(1, "41=A\n42=A\n43=AA\n61=a\n20=\xAC\n", "A=41\n_a=61\n\xAC=20\n"));
    // A text shown without its padding spaces is no edit either.
    writeGame({{0x10, "\x42\x7F\x43"}, {0x20, "AAAA"}, {0x30, "\x42\x43"}, {0x38, "A  "}});
    const auto path = writeTemplate({{"One", 3, 0x10}, {"One", 4, 0x20}, {"One", 2, 0x30}, {"One", 3, 0x38}});
    const auto before = readTexts(path);
    auto after = before;
    after[1] = "a";
    after[3] = "A";
    auto expected = test::readAll(m_game);
    expected.replace(0x20, 4, "\x61\x20\x20\x20");

    const auto saved = saveEntryTexts(path, m_game, before, after);

    ASSERT_TRUE(saved) << saved.error();
    EXPECT_EQ(saved->size(), 1u);
    EXPECT_EQ(test::readAll(m_game), expected);
}

TEST_F(TemplateCodec, TheCharactersASaveWouldRefuseAreFoundAsTheUserTypes) {
    const auto path = writeTemplate({{"One", 4, 0x10}, {"NoSpace", 4, 0x18}});
    const auto gameTemplate = readGameTemplate(path);
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    // Each once, in order: one without a save code, one without a byte.
    for (const auto& [entry, text, found] : {std::tuple{0, "a A=", U""}, std::tuple{0, "AbbA", U"b"},
                                             std::tuple{0, "一bb", U"一b"}, std::tuple{1, "a A", U"a "}}) {
        const auto& shown = gameTemplate->entries[static_cast<std::size_t>(entry)];
        EXPECT_EQ(unsaveableCharacters(shown, text), found) << text;
    }
}

// Entries, their texts, and the refusal of their save; {template} stands for the template's path.
using RefusedRow =
    std::tuple<const char*, std::vector<test::EntryText>, std::vector<std::string>, std::string>;

std::string invalid(int entry, const std::string& key, const std::string& text) {
    const std::string n = std::to_string(entry);
    return "Entry " + n + " (\"Entry " + n + "\"): The character '" + key + "' in the string '" + text +
           "' is invalid. Please replace it with a valid character.\r\n"
           "Note: this error may not apply to every text string in the game.";
}
const std::vector<test::EntryText> kThree = {{"One", 4, 0x10}, {"NoSpace", 4, 0x18}, {"One", 4, 0x20}};

const RefusedRow kRefused[] = {
    // Entries before the faulty one are valid, and still nothing is written.
    {"lower-case letter named by its _ key", kThree, {"AAAA", "AAAA", "AbA"}, invalid(3, "_b", "AbA ")},
    {"letter without a save code, before 中", kThree, {"AAAA", "AAAA", "AZ中"}, invalid(3, "Z", "AZ中 ")},
    // A character without a byte in the code page is its own key; one beyond the BMP counts as one.
    {"character outside the code page", kThree, {"AAAA", "AAAA", "A中Z"}, invalid(3, "中", "A中Z ")},
    {"character beyond the BMP", kThree, {"AAAA", "AAAA", "A😀"}, invalid(3, "😀", "A😀  ")},
    {"padding needs a space code", kThree, {"AAAA", "AA", "AAAA"}, invalid(2, "¬", "AA  ")},
    // Not cut to fit without a word, whichever way the text came.
    {"longer than its box",
     kThree,
     {"AAAAA", "AAAA", "AAAA"},
     "Entry 1 (\"Entry 1\") has room for 4 characters, not the 5 of its new text. Nothing was written."},
    {"control characters escaped",
     kThree,
     {"AAAA", "AAAA", "\x1B\n\0"s},
     invalid(3, "\\x1B", "\\x1B\\n\\0 ")},
    // However the texts came: every reader and window refuses it first.
    {"locked entry",
     {{"One", 4, 0x10}, {"One", 4, 0x20, "Password", "Lock=yes\n"}},
     {"AAAA", "AA"},
     "Entry 2 (\"Password\") is locked: its text cannot be changed. Nothing was written."},
    // Length 3 with two-byte codes: the limit rounds to 2 characters, 4 bytes, one past the room.
    {"two-byte codes in an odd length",
     {{"One", 4, 0x10}, {"Two", 3, 0x20}},
     {"AAAA", "KK"},
     "Entry 2 (\"Entry 2\") needs 4 bytes, but its room in the file is 3 bytes. Nothing was written."},
    // The file has 0x40 bytes; a room of 4 at 3E runs past its end: the write path names the entry too.
    {"room past the end",
     {{"One", 4, 0x10}, {"One", 4, 0x3E}},
     {"AAAA", "AAAA"},
     "Entry 2 (\"Entry 2\") lies past the end of the file (offset 0x3E, 4 bytes; the file has 64 bytes). "
     "Nothing was written."},
    // A code without a Load key shows as "<error>": 7 bytes for each of 300 x 32767 codes.
    {"decoded texts past 64 MiB",
     std::vector<test::EntryText>(300, {"One", 32767, 0x10}),
     {},
     "The template {template} cannot be used: its 300 entries could decode to 68810700 bytes of text, more "
     "than the 67108864 bytes (64 MiB) allowed."},
};

class RefusedSave : public TemplateCodec, public testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedSave, NamesTheProblemAndWritesNothing) {
    writeGame({});
    const auto before = test::readAll(m_game);
    const auto& [name, entries, texts, error] = GetParam();
    const std::string path = writeTemplate(entries);
    const auto saved = saveEntryTexts(path, m_game, {}, texts);
    EXPECT_EQ(saved ? "" : saved.error(), test::replaced(error, {{"{template}", path}}));
    EXPECT_EQ(test::readAll(m_game), before);
}

INSTANTIATE_TEST_SUITE_P(Texts, RefusedSave, testing::ValuesIn(kRefused), test::rowName);

TEST_F(TemplateCodec, ATemplateThatIsThereButCannotBeReadIsRefusedWithTheReason) {
    const std::string path = writeTemplate({});
    std::filesystem::resize_file(path, kIniFileLimit + 1);  // sparse
    const auto read = readGameTemplate(path);
    EXPECT_EQ(read ? "" : read.error(),
              "The template " + path + " cannot be used: \"" + path +
                  "\" has 8388609 bytes; files of more than 8388608 bytes are not read.");
}

TEST_F(TemplateCodec, ATextFormatWithoutAnAlphabetIsRefusedAsAnOldAlphabet) {
    const auto read = readGameTemplate(writeTemplate({{"Missing", 2, 0x10}}));
    ASSERT_FALSE(read);
    EXPECT_EQ(read.failure().kind, ErrorKind::OldAlphabet);
    EXPECT_EQ(read.failure().subject, m_folder.path("plugins\\alphabets\\<error>"));
}

// A value of one key (all others fine) and the phrase that refuses it; none: the value is accepted.
struct RuleRow {
    const char* name;
    std::string section, key, value;
    const char* phrase;
};

const char* const kNotANumber = "is not a number";
const char* const kNotASize = "is not a size from 0 to 32767 bytes";
const char* const kCharLength =
    "is not a number of bytes from 0 to 127 (a save value holds at most 254 digits)";
const char* const kNotAnOffset = "is not a hexadecimal offset from 0 to 7FFFFFFF";
const char* const kNotPairs = "is not a string of hexadecimal digit pairs";
const char* const kNotOnePair = "is not 2 hexadecimal digits, as CharLength 1 asks";
const char* const kOutside = "is not a path inside the alphabets folder";
const std::string kFormats = "TextFormattingSystem";

const RuleRow kRules[] = {
    {"CountAWord", kFormats, "NumberOfEntries", "many", kNotANumber},
    {"CountTwoSigns", kFormats, "NumberOfEntries", "+-5", kNotANumber},
    {"CountNegativeMeansNone", kFormats, "NumberOfEntries", "-3", nullptr},
    {"CountPastTheEditorsRoom", kFormats, "NumberOfEntries", "541",
     "is out of range: a count from -32768 to 540 (the editor has room for 540 entries)"},
    {"AlphabetInTheFolderAbove", kFormats, "One", "..\\x.ini", kOutside},
    {"AlphabetFromTheRoot", kFormats, "One", "\\x.ini", kOutside},
    {"AlphabetOnADrive", kFormats, "One", "C:x.ini", kOutside},
    {"LengthNegative", "entry1", "Length", "-2", kNotASize},
    {"LengthPastSixteenBits", "entry1", "Length", "40000", kNotASize},
    {"LengthLargestWithItsSign", "entry1", "Length", "+32767", nullptr},
    {"OffsetNotHexadecimal", "entry1", "HexLocation", "2G0", kNotAnOffset},
    {"OffsetPastThirtyTwoBits", "entry1", "HexLocation", "100000000", kNotAnOffset},
    {"OffsetNegativeAsSigned", "entry1", "HexLocation", "80000000", kNotAnOffset},
    {"OffsetLargest", "entry1", "HexLocation", "7fffffff", nullptr},
    {"LockYesInAnyCase", "entry1", "Lock", "YES", nullptr},
    {"LockNeitherYesNorNo", "entry1", "Lock", "1", "is neither yes nor no"},
    {"CharLengthNegative", "AlphabetAndFileInfo", "CharLength", "-1", kCharLength},
    {"CharLengthPastASaveValue", "AlphabetAndFileInfo", "CharLength", "128", kCharLength},
    {"SaveValueOddDigits", "save", "A", "414", kNotPairs},
    {"SaveValueNotHexadecimal", "save", "A", "zz", kNotPairs},
    {"SaveValueEmpty", "save", "A", "", kNotOnePair},
    {"SaveValueLongerThanCharLength", "save", "A", "4141", kNotOnePair},
    {"SaveSectionWithoutCodes", "save", "", "", "has no codes, so no character can be saved"},
};

class TemplateRule : public TemplateCodec, public testing::WithParamInterface<RuleRow> {};

TEST_P(TemplateRule, GivesOnePhraseToReadingAndCheckingAlike) {
    const RuleRow& rule = GetParam();
    const auto pick = [&rule](const std::string& section, const std::string& key, const char* fallback) {
        return rule.section == section && rule.key == key ? rule.value : std::string(fallback);
    };
    m_folder.writeAlphabet(
        "rule.ini", "[AlphabetAndFileInfo]\nCharLength=" + pick("AlphabetAndFileInfo", "CharLength", "1") +
                        "\n[save]\n" + (rule.key.empty() ? "" : "A=" + pick("save", "A", "41") + "\n"));
    m_folder.writeTemplate(
        "rule.ini", "[TextFormattingSystem]\nNumberOfEntries=" + pick(kFormats, "NumberOfEntries", "1") +
                        "\nOne=" + pick(kFormats, "One", "rule.ini") +
                        "\n[entry1]\nTextFormat=One\nLength=" + pick("entry1", "Length", "2") +
                        "\nHexLocation=" + pick("entry1", "HexLocation", "10") +
                        "\nLock=" + pick("entry1", "Lock", "no") + "\n");
    const std::string templatePath = m_folder.path("plugins\\games\\rule.ini");
    const bool inAlphabet = rule.section == "AlphabetAndFileInfo" || rule.section == "save";
    const std::string file = inAlphabet ? m_folder.path("plugins\\alphabets\\rule.ini") : templatePath;

    const auto read = readGameTemplate(templatePath);
    std::string listed;
    for (const auto& p : checkTemplate(templatePath, std::nullopt)) {
        listed += p.file + " [" + p.section + "] " + p.key + " = \"" + p.value.value_or("") + "\" " + p.what;
    }
    if (rule.phrase == nullptr) {
        EXPECT_TRUE(read) << read.error();
        EXPECT_EQ(listed, "");
        return;
    }
    const std::string where = rule.key.empty() ? "the section [" + rule.section + "] "
                                               : "in section [" + rule.section + "] the key " + rule.key +
                                                     " has the value \"" + rule.value + "\", which ";
    EXPECT_EQ(read ? "" : read.error(),
              "The template " + file + " cannot be used: " + where + rule.phrase + ".");
    EXPECT_EQ(listed,
              file + " [" + rule.section + "] " + rule.key + " = \"" + rule.value + "\" " + rule.phrase);
}

INSTANTIATE_TEST_SUITE_P(Rules, TemplateRule, testing::ValuesIn(kRules), test::rowName);

// The chooser shows a template's details only when its version is exactly "v1.0", as the INI read gives it
// (how that read trims, unquotes and ignores case is the INI read's own rule).
using VersionRow = std::tuple<const char*, std::string, bool>;  // the name, the file, whether supported

std::string withVersion(const std::string& version) {
    return "[Ident]\r\nRQL_game_plugin=" + version + "\r\n[GameAndFileInfo]\r\nGameName=Tried Game\r\n";
}

const VersionRow kVersions[] = {
    {"Exact", withVersion("v1.0"), true},
    {"UpperCaseV", withVersion("V1.0"), false},
    {"AddedDigit", withVersion("v1.01"), false},
    {"Missing", "[GameAndFileInfo]\nGameName=Tried Game\n", false},
};

class TemplateVersion : public testing::TestWithParam<VersionRow> {};

TEST_P(TemplateVersion, OnlyVersionOneIsSupported) {
    const auto& [name, file, supported] = GetParam();
    const test::TempDir dir;
    test::writeText(dir.file("t.ini"), file);
    EXPECT_EQ(readTemplateDetails(dir.file("t.ini")).supported(), supported);
}

INSTANTIATE_TEST_SUITE_P(Versions, TemplateVersion, testing::ValuesIn(kVersions), test::rowName);

TEST(TemplateDetails, AreTheTemplatesTextAndErrorForMissingKeys) {
    const test::TempDir dir;
    test::writeText(dir.file("t.ini"),
                    "[Ident]\nRQL_game_plugin=v1.0\n[GameAndFileInfo]\nGameName=Sonic && Knuckles\n"
                    "Author=Ren\xE9\nVersionOfFile=1.2b\nNotes=Only the menus.\n");
    const TemplateDetails details = readTemplateDetails(dir.file("t.ini"));
    EXPECT_EQ(
        std::vector<std::string>(
            {details.gameName, details.author, details.versionOfFile, details.dateCreated, details.notes}),
        std::vector<std::string>({"Sonic && Knuckles", "Ren\xE9", "1.2b", "<error>", "Only the menus."}));
}

}  // namespace
}  // namespace rq
