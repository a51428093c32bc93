// A translation carried to another revision: which old translation each new entry takes, how similar two
// originals must be, and the outcome counts against gettext's msgmerge for the same PO files.

#include <sstream>

#include "exchange/csvtexts.h"
#include "exchange/jsontexts.h"
#include "exchange/potexts.h"
#include "revisions/migrate.h"
#include "support/testfiles.h"
#include "support/tool_run.h"

namespace rq {

using namespace rq::exchange;
using namespace rq::revisions;
namespace {

ExportedEntry entry(int number, std::string original, std::string translation = {}) {
    ExportedEntry made{
        "entry " + std::to_string(number), std::to_string(number), "200", 16, 16, {}, std::move(original)};
    made.translation = std::move(translation);
    return made;
}

// An old row: "3" or "entry 3" as its file keys it.
struct Old {
    std::string key;
    std::string original;
    std::string text;
    bool fuzzy = false;
    bool obsolete = false;
    bool originalKnown = true;
    std::string previous = {};
};

std::vector<Translation> rows(const std::vector<Old>& old) {
    std::vector<Translation> made;
    for (const Old& row : old) {
        Translation item{row.key, "line 1", row.original, row.text, {}, {}};
        item.fuzzy = row.fuzzy;
        item.obsolete = row.obsolete;
        item.originalKnown = row.originalKnown;
        item.previous = row.previous;
        made.push_back(std::move(item));
    }
    return made;
}

// Each entry as "KEY TRANSLATION", fuzzy ones "KEY ~TRANSLATION (PREVIOUS)", new ones "KEY -", then the
// obsolete ones as "| ~KEY TRANSLATION".
std::string shown(const Migration& migration) {
    std::string text;
    for (const ExportedEntry& made : migration.entries) {
        text += (text.empty() ? "" : ", ") + made.key + " " +
                (made.translation.empty() ? "-"
                 : made.fuzzy             ? "~" + made.translation + " (" + made.previous + ")"
                                          : made.translation);
    }
    for (const ExportedEntry& gone : migration.obsolete) {
        text += " | ~" + gone.key + " " + gone.translation;
    }
    return text;
}

struct MigrateRow {
    const char* name;
    std::vector<std::pair<int, std::string>> entries;
    std::vector<Old> old;
    std::string expected;
};

// The cases msgmerge decides otherwise, or cannot be asked about (its rows are below).
const MigrateRow kMigrateRows[] = {
    {"renumbered entries keep their translations",
     {{1, "Start"}, {2, "Quit"}},
     {{"entry 1", "Quit", "Quitter"}, {"entry 2", "Start", "Jouer"}},
     "1 Jouer, 2 Quitter"},
    {"a repeated original takes one translation no entry took first",
     {{1, "No"}, {2, "Yes"}, {6, "No"}, {7, "Yes"}},
     {{"1", "No", "Non"}, {"2", "Yes", "Oui"}, {"5", "No", "Nein"}},
     "1 Non, 2 Oui, 6 Nein, 7 Oui"},
    {"a repeated old row is obsolete once",
     {{1, "Yes"}},
     {{"5", "No", "Non"}, {"5", "No", "Nein"}},
     "1 - | ~5 Non"},
    {"a similar original under another key is no match",
     {{1, "Press Start!"}},
     {{"2", "Press Start", "Appuyez"}},
     "1 - | ~2 Appuyez"},
    {"a fuzzy translation taken whole keeps its previous original",
     {{1, "Yes"}},
     {{"1", "Yes", "Oui", true, false, true, "Yes!"}},
     "1 ~Oui (Yes!)"},
    {"an obsolete translation comes back, a live one first",
     {{1, "Yes"}, {2, "No"}},
     {{"1", "Yes", "Ja", false, true}, {"1", "Yes", "Oui"}, {"3", "No", "Non", false, true}},
     "1 Oui, 2 Non"},
    {"a dump's text without its original is fuzzy under its key, none when it is the original",
     {{1, "Yes"}, {2, "No"}},
     {{"1", "", "Oui", false, false, false},
      {"2", "", "No", false, false, false},
      {"4", "", "Fin", false, false, false}},
     "1 ~Oui (), 2 - | ~4 Fin"},
};

class Migrate : public testing::TestWithParam<MigrateRow> {};

TEST_P(Migrate, TakesTheTranslationTheRulesGive) {
    std::vector<ExportedEntry> entries;
    for (const auto& [number, original] : GetParam().entries) {
        entries.push_back(entry(number, original));
    }
    const auto old = rows(GetParam().old);
    const auto migration = migrateTranslations(entries, old, "old.po");
    ASSERT_TRUE(migration) << migration.error();
    EXPECT_EQ(shown(*migration), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, Migrate, testing::ValuesIn(kMigrateRows), test::rowName);

TEST(MigrateProblems, ARowTheReaderRefusedRefusesTheMigration) {
    auto old = rows({{"1", "Yes", "Oui"}, {"2", "No", "Non"}});
    old[1].problem = "old.po, line 9: the message has plural forms (msgid_plural), which no game text has.";
    const auto migration = migrateTranslations({entry(1, "Yes")}, old, "old.po");
    ASSERT_FALSE(migration);
    EXPECT_EQ(migration.error(), old[1].problem);
}

struct SimilarRow {
    const char* name;
    std::string a;
    std::string b;
    bool similar;
};

const SimilarRow kSimilarRows[] = {
    {"equal", "Options", "Options", true},
    {"60 percent exactly", "abcdefghij", "abcdefxyzw", true},
    {"50 percent", "abcdefghij", "abcdexyzwv", false},
    {"59 percent", std::string(13, 'a') + std::string(9, 'b'), std::string(13, 'a') + std::string(9, 'c'),
     false},
    {"counted in characters, not bytes", "ab\xC3\xA0\xC3\xA1", "ab\xC3\xA4\xC3\xA5", false},
    {"one empty", "", "Options", false},
    {"too long to compare, unless equal", std::string(3000, 'x'), std::string(3000, 'x') + "y", false},
};

class Similar : public testing::TestWithParam<SimilarRow> {};

TEST_P(Similar, SharesSixtyPercentOfItsCharacters) {
    EXPECT_EQ(similarOriginals(GetParam().a, GetParam().b), GetParam().similar);
    EXPECT_EQ(similarOriginals(GetParam().b, GetParam().a), GetParam().similar);
}

INSTANTIATE_TEST_SUITE_P(Rows, Similar, testing::ValuesIn(kSimilarRows), test::rowName);

// What a migration writes comes back with its marks: a fuzzy translation's previous original, an obsolete
// one's key, as each format carries them. A CSV row's previous cell is what marks it fuzzy, so one without a
// known previous original has its original there.
struct MarksRow {
    const char* name;
    char format;  // 'p'o, 'c'sv, 'j'son (as migrate writes it)
    std::string expected;
};

const MarksRow kMarksRows[] = {
    {"po", 'p',
     "entry 1 Oui; entry 2 ~Appuyez (Press\nStart!); entry 3 ~Oui (); entry 4 -; ~entry 9 ~Parti (); ~ Fin"},
    {"csv", 'c', "1 Oui; 2 ~Appuyez (Press\nStart!); 3 ~Oui (Yes); 4 -; ~9 ~Parti (Gone); ~ Fin"},
    {"json", 'j', "1 Oui; 2 ~Appuyez (Press\nStart!); 3 ~Oui (); 4 -; 5 Tot (?); ~9 ~Parti (); ~ Fin (?)"},
};

class CarriedMarks : public testing::TestWithParam<MarksRow> {};

TEST_P(CarriedMarks, ComeBackAsWritten) {
    if (GetParam().format == 'p' && !test::kBuildReadsPo) {
        GTEST_SKIP() << "this build reads no PO files";
    }
    std::vector<ExportedEntry> entries = {entry(1, "Yes", "Oui"), entry(2, "Press\nStart", "Appuyez"),
                                          entry(3, "Yes", "Oui"), entry(4, "Two\nlines")};
    entries[1].fuzzy = entries[2].fuzzy = true;
    entries[1].previous = "Press\nStart!";
    ExportedEntry gone = entry(9, "Gone", "Parti");
    gone.fuzzy = true;
    const std::vector<ExportedEntry> obsolete = {gone, {"", "", {}, 0, 0, {}, "Bye", 0, {}, "Fin"}};
    std::ostringstream out;
    const test::TempDir dir;
    Result<std::vector<Translation>> read = std::vector<Translation>{};
    if (GetParam().format == 'p') {
        ASSERT_TRUE(writePoTexts(out, entries, "demo", obsolete));
        read = parsePoTexts(out.str(), "in");
        test::writeText(dir.file("in.po"), out.str());
        const auto checked = test::runTool("msgfmt", {"--check", "-o", "/dev/null", dir.file("in.po")});
        EXPECT_EQ(checked.exitCode, 0) << checked.err << out.str();
    } else if (GetParam().format == 'c') {
        writeCsvTexts(out, entries, obsolete);
        read = parseCsvTexts(out.str(), "in");
    } else {
        // A dump's text (entry 4's is its original: no translation; entry 5 does not say its original).
        read = parseJsonRows(R"({"entries": [
            {"entry": 1, "original": "Yes", "text": "Oui"},
            {"entry": 2, "original": "Press\nStart", "previous": "Press\nStart!", "fuzzy": true, "text": "Appuyez"},
            {"entry": 3, "original": "Yes", "fuzzy": true, "text": "Oui"},
            {"entry": 4, "original": "Two\nlines", "text": "Two\nlines   "},
            {"entry": 5, "text": "Tot"}],
          "obsolete": [{"entry": 9, "original": "Gone", "fuzzy": true, "text": "Parti"}, {"text": "Fin"}]})",
                             "in");
    }
    ASSERT_TRUE(read) << read.error();
    std::string shown;
    for (const Translation& row : *read) {
        shown += std::string(shown.empty() ? "" : "; ") + (row.obsolete ? "~" : "") + row.key + " " +
                 (row.text.empty() ? "-"
                  : row.fuzzy      ? "~" + row.text + " (" + row.previous + ")"
                                   : row.text) +
                 (row.originalKnown ? "" : " (?)");
    }
    EXPECT_EQ(shown, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, CarriedMarks, testing::ValuesIn(kMarksRows), test::rowName);

TEST(CarriedMarks, AJsonEntryGivenTwiceIsRefused) {
    const auto read =
        parseJsonRows(R"({"entries": [{"entry": 2, "text": "A"}, {"entry": 2, "text": "B"}]})", "in");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), "in: entry 2 is given twice.");
}

// The counts msgmerge gives for the same files, where its rules and ours agree: the same msgctxt, and no
// similar original under another one (msgmerge takes a similar translation from any message, and one with
// the same msgid under another msgctxt only as fuzzy; ours keeps the latter, and looks for the former only
// under the entry's own key).
struct MergeRow {
    const char* name;
    std::vector<ExportedEntry> old;  // translated, and fuzzy where marked
    std::vector<ExportedEntry> revised;
    MigrationCounts counts;
};

ExportedEntry fuzzy(ExportedEntry made) {
    made.fuzzy = true;
    return made;
}

const MergeRow kMergeRows[] = {
    {"unchanged entries keep their translations",
     {entry(1, "Press Start", "Appuyez"), entry(2, "Options", "Réglages")},
     {entry(1, "Press Start"), entry(2, "Options")},
     {2, 0, 0, 0}},
    {"a changed original is fuzzy",
     {entry(1, "Press Start", "Appuyez"), entry(2, "Options", "Réglages")},
     {entry(1, "Press Start!"), entry(2, "Options menu")},
     {0, 2, 0, 0}},
    {"an original changed past 60 percent is new, its translation obsolete",
     {entry(1, "Continue", "Continuer")},
     {entry(1, "Load a game")},
     {0, 0, 1, 1}},
    {"a removed entry is obsolete, an added one new",
     {entry(1, "Yes", "Oui"), entry(2, "Goodbye", "Au revoir")},
     {entry(1, "Yes"), entry(3, "Sound level")},
     {1, 0, 1, 1}},
    {"a fuzzy translation stays fuzzy, an untranslated entry new",
     {fuzzy(entry(1, "New game", "Nouvelle partie")), entry(2, "Continue")},
     {entry(1, "New game"), entry(2, "Continue")},
     {0, 1, 1, 0}},
};

class MergeAsMsgmerge : public testing::TestWithParam<MergeRow> {};

std::string poText(const std::vector<ExportedEntry>& entries, std::span<const ExportedEntry> obsolete = {}) {
    std::ostringstream out;
    EXPECT_TRUE(writePoTexts(out, entries, "demo", obsolete));
    return out.str();
}

TEST_P(MergeAsMsgmerge, CountsAsMsgmergeDoesAndWritesAPoFileMsgfmtAccepts) {
    if (!test::kBuildReadsPo || std::system("msgmerge --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "gettext's tools and libgettextpo are needed";
    }
    const MergeRow& row = GetParam();
    const test::TempDir dir;
    const std::string oldPo = poText(row.old);
    test::writeText(dir.file("old.po"), oldPo);
    test::writeText(dir.file("new.pot"), poText(row.revised));
    ASSERT_EQ(test::runTool("msgmerge", {"-q", "--previous", "-o", dir.file("merged.po"), dir.file("old.po"),
                                         dir.file("new.pot")})
                  .exitCode,
              0);
    // msgfmt counts what msgmerge made of the live messages; the obsolete ones are read back.
    const auto statistics =
        test::runTool("msgfmt", {"--statistics", "-o", "/dev/null", dir.file("merged.po")});
    const auto count = [&](const std::string& what) -> std::size_t {
        const auto at = statistics.err.find(what);
        if (at == std::string::npos) {
            return 0;
        }
        const auto start = statistics.err.find_last_not_of("0123456789", at - 2) + 1;
        return std::stoul(statistics.err.substr(start, at - 1 - start));
    };
    const auto merged = parsePoTexts(test::readAll(dir.file("merged.po")), "merged.po");
    ASSERT_TRUE(merged) << merged.error();
    const auto obsolete =
        std::count_if(merged->begin(), merged->end(), [](const Translation& item) { return item.obsolete; });
    const MigrationCounts theirs{count("translated message"), count("fuzzy translation"),
                                 count("untranslated message"), static_cast<std::size_t>(obsolete)};

    const auto old = parsePoTexts(oldPo, "old.po");
    ASSERT_TRUE(old) << old.error();
    const auto ours = migrateTranslations(row.revised, *old, "old.po");
    ASSERT_TRUE(ours) << ours.error();
    const auto shownCounts = [](const MigrationCounts& counts) {
        return std::to_string(counts.kept) + " kept, " + std::to_string(counts.fuzzy) + " fuzzy, " +
               std::to_string(counts.fresh) + " new, " + std::to_string(counts.obsolete) + " obsolete";
    };
    EXPECT_EQ(shownCounts(ours->counts), shownCounts(row.counts));
    EXPECT_EQ(shownCounts(theirs), shownCounts(row.counts)) << statistics.err;
    // And each fuzzy translation's previous original is the one msgmerge --previous gives.
    std::string theirPrevious, ourPrevious;
    for (const Translation& item : *merged) {
        theirPrevious += item.fuzzy && !item.obsolete ? item.key + "<" + item.previous + ";" : "";
    }
    for (const ExportedEntry& made : ours->entries) {
        ourPrevious += made.fuzzy ? made.context + "<" + made.previous + ";" : "";
    }
    EXPECT_EQ(ourPrevious, theirPrevious);

    test::writeText(dir.file("ours.po"), poText(ours->entries, ours->obsolete));
    const auto checked = test::runTool("msgfmt", {"--check", "-o", "/dev/null", dir.file("ours.po")});
    EXPECT_EQ(checked.exitCode, 0) << checked.err;
}

INSTANTIATE_TEST_SUITE_P(Rows, MergeAsMsgmerge, testing::ValuesIn(kMergeRows), test::rowName);

}  // namespace
}  // namespace rq
