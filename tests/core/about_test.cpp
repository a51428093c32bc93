// The about window's lookup of the system-information program, on a registry the test feeds.

#include <map>

#include "about/aboutinfo.h"
#include "support/sysinfo_registry.h"
#include "support/testfiles.h"

namespace rq {

namespace {

using namespace std::string_literals;
using about::RegistryValue;
constexpr auto kString = about::kRegString;

// The registry's values by name, the program found ("" when unavailable), and the values asked for in order.
using LookupRow = std::tuple<const char*, std::map<std::string, RegistryValue>, std::string, std::string>;

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
    const auto& [name, registry, found, asked] = GetParam();
    const std::map<std::string, std::string> keys = {
        {"PATH", "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"},
        {"MSINFO", "SOFTWARE\\Microsoft\\Shared Tools Location"}};
    std::string reads;
    const auto read = [&keys, &reads, &values = registry](about::RegistryRoot root, const std::string& key,
                                                          const std::string& value) {
        EXPECT_EQ(root, about::RegistryRoot::LocalMachine);
        EXPECT_EQ(key, keys.at(value));
        reads += (reads.empty() ? "" : " ") + value;
        const auto held = values.find(value);
        return held == values.end() ? std::nullopt : std::optional(held->second);
    };
    const auto program =
        about::findSysInfo(read, [](const std::string& path) { return path == "C:\\S\\MSINFO32.EXE"; });
    EXPECT_EQ(program ? *program : program.error(),
              found.empty() ? std::string(about::kSysInfoUnavailable) : found);
    EXPECT_EQ(reads, asked);
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
    // The step-1 and step-2 values (none when empty), with their zero or not, and what is found ("": none).
    const std::tuple<const char*, std::string, std::string, bool, std::string> rows[] = {
        {"PathWithItsZero", program, dir.file("with"), true, program},
        {"PathWithoutItsZero", program, "", false, program},
        {"FolderWithTheProgram", "", dir.file("with"), true, dir.file("with\\MSINFO32.EXE")},
        {"FolderWithoutTheProgram", "", dir.file("without"), true, ""},
        {"NeitherValue", "", "", true, ""},
    };
    for (const auto& [name, path, folder, zero, found] : rows) {
        SCOPED_TRACE(name);
        registry.clear();
        if (!path.empty()) {
            ASSERT_TRUE(registry.putPath(path, zero));
        }
        if (!folder.empty()) {
            ASSERT_TRUE(registry.putFolder(folder, zero));
        }
        const auto looked = about::findSysInfo();
        EXPECT_EQ(looked ? *looked : looked.error(),
                  found.empty() ? std::string(about::kSysInfoUnavailable) : found);
    }
#endif
}

}  // namespace
}  // namespace rq
