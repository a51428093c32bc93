// The about window's lookup of the system-information program, on a registry the test feeds.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "about/aboutinfo.h"

namespace rq {
namespace {

using namespace std::string_literals;
using about::RegistryValue;
constexpr auto kString = about::kRegString;

TEST(SysInfoLookup, TriesThePathThenTheFolderHoldingTheProgram) {
    const struct {
        const char* name;
        std::map<std::string, RegistryValue> registry;  // by value name
        std::string found;                              // "" when unavailable
        std::string reads;                              // the values asked for, in order
    } rows[] = {
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
    const std::map<std::string, std::string> keys = {
        {"PATH", "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"},
        {"MSINFO", "SOFTWARE\\Microsoft\\Shared Tools Location"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
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
}

}  // namespace
}  // namespace rq
