// The about window's lookup of the system-information program, on a registry the test feeds.

#include <gtest/gtest.h>

#include <map>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "about/aboutinfo.h"
#include "files/common.h"
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
    const std::wstring infoKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                       locationKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";
    const std::pair<std::wstring, const wchar_t*> values[] = {{infoKey, L"PATH"}, {locationKey, L"MSINFO"}};
    for (const auto& [key, name] : values) {
        if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            GTEST_SKIP()
                << "this machine has a system-information value of its own, which the test must not touch";
        }
    }
    HKEY location = nullptr;
    const bool locationKeyWasThere = RegOpenKeyExW(HKEY_LOCAL_MACHINE, locationKey.c_str(), 0,
                                                   KEY_QUERY_VALUE, &location) == ERROR_SUCCESS;
    RegCloseKey(location);
    const test::TempDir dir;
    test::writeText(dir.file("with\\MSINFO32.EXE"), "MZ");
    std::filesystem::create_directory(files::fsPath(dir.file("without")));
    // A value as RegSetValueExW stores it: UTF-16, with or without its terminating zero.
    const auto put = [](const std::wstring& key, const wchar_t* name, const std::string& utf8, bool zero) {
        HKEY opened = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &opened, nullptr),
                  ERROR_SUCCESS);
        const std::wstring text = files::fsPath(utf8).native();
        const auto bytes = static_cast<DWORD>((text.size() + (zero ? 1 : 0)) * sizeof(wchar_t));
        EXPECT_EQ(RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes),
                  ERROR_SUCCESS);
        RegCloseKey(opened);
    };
    const auto clear = [&] {
        for (const auto& [key, name] : values) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name);
        }
    };
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
        clear();
        if (!row.path.empty()) {
            put(infoKey, L"PATH", row.path, row.zero);
        }
        if (!row.folder.empty()) {
            put(locationKey, L"MSINFO", row.folder, row.zero);
        }
        const auto found = about::findSysInfo();
        EXPECT_EQ(found ? *found : found.error(),
                  row.found.empty() ? std::string(about::kSysInfoUnavailable) : row.found);
    }
    clear();
    if (!locationKeyWasThere) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, locationKey.c_str());
    }
#endif
}

}  // namespace
}  // namespace rq
