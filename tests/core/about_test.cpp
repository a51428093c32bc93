// The about window's lookup of the system-information program, on a registry the test feeds.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "about/aboutinfo.h"
#include "files/common.h"
#include "support/sysinfo_registry.h"
#include "support/testfiles.h"

namespace rq {

namespace {

using namespace std::string_literals;
using about::RegistryValue;
constexpr auto kString = about::kRegString;

struct LookupRow {
    const char* name;
    std::map<std::string, RegistryValue> registry;  // by value name
    std::string found;                              // "" when unavailable
    std::string reads;                              // the values asked for, in order
};

const LookupRow kLookups[] = {
    {"PathBeforeFolder",
     {{"PATH", {kString, "C:\\i.exe\0"s}}, {"MSINFO", {kString, "C:\\S"}}},
     "C:\\i.exe",
     "PATH"},
    {"PathWithoutItsZeroIsUsedWhole", {{"PATH", {kString, "C:\\x.exe"}}}, "C:\\x.exe", "PATH"},
    {"PathAsNumberIsItsDecimalText", {{"PATH", {about::kRegNumber, "\x05\x01\0\0"s}}}, "261", "PATH"},
    {"PathOfOtherTypeIsEmpty", {{"PATH", {3, "C:\\x.exe"}}}, "", "PATH"},
    {"PathOfNoBytesIsUnavailable", {{"PATH", {kString, ""}}, {"MSINFO", {kString, "C:\\S"}}}, "", "PATH"},
    {"FolderWithProgram", {{"MSINFO", {kString, "C:\\S\0"s}}}, "C:\\S\\MSINFO32.EXE", "PATH MSINFO"},
    {"FolderWithoutProgram", {{"MSINFO", {kString, "C:\\E"}}}, "", "PATH MSINFO"},
    {"NeitherValue", {}, "", "PATH MSINFO"},
};

class SysInfoLookup : public testing::TestWithParam<LookupRow> {};

TEST_P(SysInfoLookup, TriesThePathThenTheFolderHoldingTheProgram) {
    const LookupRow& row = GetParam();
    const std::map<std::string, std::string> keys = {
        {"PATH", "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"},
        {"MSINFO", "SOFTWARE\\Microsoft\\Shared Tools Location"}};
    std::string reads;
    const auto read = [&](about::RegistryRoot root, const std::string& key, const std::string& value) {
        EXPECT_EQ(root, about::RegistryRoot::LocalMachine);
        EXPECT_EQ(key, keys.at(value));
        reads += (reads.empty() ? "" : " ") + value;
        const auto found = row.registry.find(value);
        return found == row.registry.end() ? std::nullopt : std::optional(found->second);
    };
    const auto program =
        about::findSysInfo(read, [](const std::string& path) { return path == "C:\\S\\MSINFO32.EXE"; });
    EXPECT_EQ(program ? *program : program.error(),
              row.found.empty() ? std::string(about::kSysInfoUnavailable) : row.found);
    EXPECT_EQ(reads, row.reads);
}

INSTANTIATE_TEST_SUITE_P(Registries, SysInfoLookup, testing::ValuesIn(kLookups), test::rowName);

// The same lookup on the system's own registry, with values the test puts there and removes after.
TEST(SysInfoLookupOf, TheRealRegistry) {
#ifndef _WIN32
    GTEST_SKIP() << "the registry is Windows'";
#else
    const test::SysInfoRegistry registry;
    if (!registry.mine()) {
        GTEST_SKIP()
            << "this machine has a system-information value of its own, which the test must not touch";
    }
    const test::TempDir dir;
    test::writeText(dir.file("with\\MSINFO32.EXE"), "MZ");
    std::filesystem::create_directory(files::fsPath(dir.file("without")));
    const std::string program = "C:\\Programme f\xC3\xBCr mich\\msinfo32.exe";
    const struct {
        const char* name;
        std::string path;    // the step-1 value, when not empty
        std::string folder;  // the step-2 value, when not empty
        bool zero;
        std::string found;  // "" when unavailable
    } rows[] = {
        {"PathWithItsZero", program, dir.file("with"), true, program},
        {"PathWithoutItsZero", program, "", false, program},
        {"FolderWithTheProgram", "", dir.file("with"), true, dir.file("with\\MSINFO32.EXE")},
        {"FolderWithoutTheProgram", "", dir.file("without"), true, ""},
        {"NeitherValue", "", "", true, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        registry.clear();
        if (!row.path.empty()) {
            ASSERT_TRUE(registry.putPath(row.path, row.zero));
        }
        if (!row.folder.empty()) {
            ASSERT_TRUE(registry.putFolder(row.folder, row.zero));
        }
        const auto found = about::findSysInfo();
        EXPECT_EQ(found ? *found : found.error(),
                  row.found.empty() ? std::string(about::kSysInfoUnavailable) : row.found);
    }
#endif
}

}  // namespace
}  // namespace rq
