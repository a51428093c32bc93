// migrate on the demo file: each format's old texts carried, the result carried again unchanged, and what
// insert takes of it.

#include "cli_fixture.h"

namespace rq {
namespace {

using namespace test;

// The old revision's texts: entry 1 as it is now, entry 2 changed since ("Press Start!"), entry 99 gone.
struct FormatRow {
    const char* name;
    std::string old;
};

const FormatRow kFormats[] = {
    {"po",
     "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
     "msgctxt \"entry 1\"\nmsgid \"ROMQUILL DEMO\"\nmsgstr \"DEMO ROMQUILL\"\n\n"
     "msgctxt \"entry 2\"\nmsgid \"Press Start!\"\nmsgstr \"APPUYEZ\"\n\n"
     "msgctxt \"entry 99\"\nmsgid \"Gone\"\nmsgstr \"Parti\"\n"},
    {"csv",
     "entry,original,translation\n1,ROMQUILL DEMO,DEMO ROMQUILL\n2,Press Start!,APPUYEZ\n99,Gone,Parti\n"},
    {"json", R"({"entries": [{"entry": 1, "original": "ROMQUILL DEMO", "text": "DEMO ROMQUILL"},
                 {"entry": 2, "original": "Press Start!", "text": "APPUYEZ"},
                 {"entry": 99, "original": "Gone", "text": "Parti"}]})"},
};

class CliMigrate : public CliDemo, public testing::WithParamInterface<FormatRow> {};

TEST_P(CliMigrate, CarriesTheTextsWhichCarryAgainUnchangedAndInsertTakesOnlyTheKeptOnes) {
    const std::string extension = std::string(".") + GetParam().name;
    if (extension == ".po" && !kBuildReadsPo) {
        GTEST_SKIP() << "this build reads no PO files";
    }
    const std::string old = m_dir.file("old" + extension);
    const std::string carried = m_dir.file("new" + extension);
    const std::string again = m_dir.file("again" + extension);
    writeText(old, GetParam().old);
    const std::string counts = "8 entries: 1 kept, 1 fuzzy, 6 new; 1 obsolete\n";
    const auto first = test::cli({"migrate", "--template", "demo.ini", m_demo, old, "-o", carried});
    EXPECT_EQ(first.err + first.out, counts);
    const auto second = test::cli({"migrate", "--template", "demo.ini", m_demo, carried, "-o", again});
    EXPECT_EQ(second.err + second.out, counts);
    EXPECT_EQ(readAll(again), readAll(carried));
    // The fuzzy translation waits to be checked, the obsolete one has no entry: one entry is written.
    const auto inserted = test::cli({"insert", "--template", "demo.ini", m_demo, carried});
    EXPECT_EQ(inserted.err + inserted.out, "Writing complete! 1 entry written.\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, CliMigrate, testing::ValuesIn(kFormats), rowName);

}  // namespace
}  // namespace rq
