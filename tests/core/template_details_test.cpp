#include <gtest/gtest.h>

#include "support/testfiles.h"
#include "templates/gametemplate.h"

namespace rq::templates {

namespace {

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
}  // namespace rq::templates
