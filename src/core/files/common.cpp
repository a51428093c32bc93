#include "common.h"

#include <vector>

#include "files/asciitext.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rq {
namespace {

#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif

constexpr std::string_view kGamesFolder = "plugins\\games";

std::string& folderOverride() {
    static std::string folder;
    return folder;
}

std::string executableFolder() {
#ifdef _WIN32
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return pathText(std::filesystem::path(std::wstring(buffer.data(), n)).parent_path());
#else
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path(ec).string();
    }
    return exe.parent_path().string();
#endif
}

}  // namespace

std::string applicationFolder() {
    if (!folderOverride().empty()) {
        return folderOverride();
    }
    static const std::string folder = executableFolder();
    return folder;
}

void setApplicationFolder(std::string folder) {
    folderOverride() = std::move(folder);
}

std::string appRelativePath(std::string_view relative) {
    std::string result = applicationFolder();
    if (result.empty() || (result.back() != '/' && result.back() != '\\')) {
        result += kNativeSeparator;
    }
    for (const char c : relative) {
        result += (c == '\\' || c == '/') ? kNativeSeparator : c;
    }
    return result;
}

std::string gamesFolder() {
    return appRelativePath(kGamesFolder);
}

std::string gameTemplatePath(std::string_view name) {
    return appRelativePath(std::string(kGamesFolder) + "\\" + std::string(name));
}

std::filesystem::path fsPath(std::string_view utf8) {
#ifdef _WIN32
    // The library's own conversion throws on bytes that are not UTF-8; a name with a replacement character
    // is simply not found.
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return std::filesystem::path(std::move(wide));
#else
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#endif
}

std::string pathText(const std::filesystem::path& path) {
#ifdef _WIN32
    // As in fsPath: a name that is not valid UTF-16 gets a replacement character rather than an exception.
    const std::wstring& wide = path.native();
    const int size = static_cast<int>(wide.size());
    std::string text(static_cast<std::size_t>(
                         WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), static_cast<int>(text.size()), nullptr,
                        nullptr);
    return text;
#else
    return path.string();
#endif
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(fsPath(path), ec);
}

std::string resolvedPath(const std::string& path) {
#ifdef _WIN32
    HANDLE handle =
        CreateFileW(fsPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return path;
    }
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(handle);
    if (n == 0 || n >= buffer.size()) {
        return path;
    }
    // The system names the file "\\?\C:\..." or "\\?\UNC\server\share\...".
    std::wstring name(buffer.data(), n);
    if (name.starts_with(L"\\\\?\\UNC\\")) {
        name = L"\\\\" + name.substr(8);
    } else if (name.starts_with(L"\\\\?\\")) {
        name = name.substr(4);
    }
    return pathText(std::filesystem::path(name));
#else
    std::error_code ec;
    const auto resolved = std::filesystem::canonical(fsPath(path), ec);
    return ec ? path : pathText(resolved);
#endif
}

std::string pathExtension(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    return lowerAscii(path.substr(dot + 1));
}

}  // namespace rq
