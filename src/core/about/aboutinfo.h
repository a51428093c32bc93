#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "files/common.h"
#include "files/result.h"

namespace rq::about {

// The application's title (kAppTitle) and version as the about window shows them.
// "Romquill, v1.10": major, minor and revision each in decimal, with no separator between the last two.
[[nodiscard]] std::string versionTitle();

inline constexpr std::string_view kSysInfoUnavailable = "System Information Is Unavailable At This Time";

enum class RegistryRoot { LocalMachine };

inline constexpr std::uint32_t kRegString = 1;  // REG_SZ
inline constexpr std::uint32_t kRegNumber = 4;  // REG_DWORD

// A registry value as the query returned it, cut to the lookup's buffer of 1024 bytes.
struct RegistryValue {
    std::uint32_t type = 0;
    std::string bytes;  // strings in UTF-8, with their terminating zero when the registry gave one
};

// Reads one value; nothing when the key cannot be opened or the value cannot be read (a value longer than
// the buffer cannot). Tests feed their own.
using RegistryReader = std::function<std::optional<RegistryValue>(
    RegistryRoot root, const std::string& keyPath, const std::string& valueName)>;

// The system's registry: on Windows the real one, elsewhere a registry that holds nothing.
[[nodiscard]] std::optional<RegistryValue> readRegistryValue(RegistryRoot root, const std::string& keyPath,
                                                             const std::string& valueName);

// The value as text: one terminating zero dropped, a string as it stands, a number in decimal, any other
// type empty. A value of no bytes has no text.
[[nodiscard]] std::optional<std::string> keyValueText(const RegistryValue& value);

// The system-information program to start, looked up in the registry (its path, else its folder holding
// MSINFO32.EXE), or the message that it is unavailable.
[[nodiscard]] Result<std::string> findSysInfo(
    const RegistryReader& read = readRegistryValue,
    const std::function<bool(const std::string& path)>& fileExists = files::isFile);

}  // namespace rq::about
