#include "aboutinfo.h"

#include <algorithm>
#include <utility>

#include "files/common.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rq::about {
namespace {

const std::string kInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr std::string_view kProgramFile = "\\MSINFO32.EXE";

#ifdef _WIN32
std::wstring wide(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    return text;
}

std::string utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}
#endif

}  // namespace

std::string versionTitle() {
    return std::string(files::kAppTitle) + ", v" + std::to_string(ROMQUILL_VERSION_MAJOR) + "." +
           std::to_string(ROMQUILL_VERSION_MINOR) + std::to_string(ROMQUILL_VERSION_PATCH);
}

#ifdef _WIN32
std::optional<RegistryValue> readRegistryValue(RegistryRoot, const std::string& keyPath,
                                               const std::string& valueName) {
    HKEY key = nullptr;  // under HKEY_LOCAL_MACHINE, the lookup's only root
    // Only the value is read: asking for more rights fails for users who may not change the machine's keys.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(keyPath).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t buffer[512];  // 1024 bytes
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    const LONG queried = RegQueryValueExW(key, wide(valueName).c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (queried != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RegistryValue value{static_cast<std::uint32_t>(type), {}};
    if (type == REG_SZ) {
        value.bytes = utf8(buffer, static_cast<int>(size / sizeof(wchar_t)));
    } else {
        value.bytes.assign(reinterpret_cast<const char*>(buffer), size);
    }
    return value;
}
#else
std::optional<RegistryValue> readRegistryValue(RegistryRoot, const std::string&, const std::string&) {
    return std::nullopt;
}
#endif

std::optional<std::string> keyValueText(const RegistryValue& value) {
    if (value.bytes.empty()) {
        return std::nullopt;
    }
    std::string text = value.bytes;
    if (text.back() == '\0') {
        text.pop_back();
    }
    switch (value.type) {
        case kRegString:
            return text;
        case kRegNumber: {
            std::uint32_t number = 0;  // little-endian
            for (std::size_t i = std::min<std::size_t>(text.size(), 4); i-- > 0;) {
                number = number << 8 | static_cast<unsigned char>(text[i]);
            }
            return std::to_string(number);
        }
        default:
            return std::string();
    }
}

Result<std::string> findSysInfo(const RegistryReader& read,
                                const std::function<bool(const std::string& path)>& fileExists) {
    std::optional<std::string> program;
    if (const auto path = read(RegistryRoot::LocalMachine, kInfoKey, "PATH")) {
        program = keyValueText(*path);
    } else if (const auto folder = read(RegistryRoot::LocalMachine, kLocationKey, "MSINFO")) {
        if (auto inFolder = keyValueText(*folder)) {
            *inFolder += kProgramFile;
            if (fileExists(*inFolder)) {
                program = std::move(inFolder);
            }
        }
    }
    // An empty path could not be started either.
    if (!program || program->empty()) {
        return Error(std::string(kSysInfoUnavailable));
    }
    return *std::move(program);
}

}  // namespace rq::about
