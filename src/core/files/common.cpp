#include "common.h"

#include "files/asciitext.h"
#include "files/platform.h"

namespace rq::files {
namespace {

constexpr char kNativeSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
constexpr std::string_view kGamesFolder = "plugins\\games";

std::string& folderOverride() {
    static std::string folder;
    return folder;
}

}  // namespace

std::string applicationFolder() {
    if (!folderOverride().empty()) {
        return folderOverride();
    }
    static const std::string folder = platform::executableFolder();
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

bool isFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(fsPath(path), ec);
}

std::string pathExtension(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    return lowerAscii(path.substr(dot + 1));
}

}  // namespace rq::files
