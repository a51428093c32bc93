#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace rq::files {

// The program's name: the launcher's title, and the title of its messages and of the about window.
inline constexpr std::string_view kAppTitle = "Romquill";

// The folder that holds the program's executable, as a native path (UTF-8).
[[nodiscard]] std::string applicationFolder();

// Tests and the GUI may point the program at another folder; an empty value goes back to the executable's.
void setApplicationFolder(std::string folder);

// The program's folder joined with a relative path written with "\" or "/"; separators become native.
// No separator is doubled when the folder already ends with one (a drive's root folder).
[[nodiscard]] std::string appRelativePath(std::string_view relative);

// The program folder's folder of game templates, and a template's path in it: name as in appRelativePath.
[[nodiscard]] std::string gamesFolder();
[[nodiscard]] std::string gameTemplatePath(std::string_view name);

// UTF-8 path text to a filesystem path, on every platform.
[[nodiscard]] std::filesystem::path fsPath(std::string_view utf8);
// And back: a path as UTF-8 text (path::string() would give the ANSI code page on Windows, or throw).
[[nodiscard]] std::string pathText(const std::filesystem::path& path);

// Whether a regular file (or a link to one) is at the path; false when the system cannot say.
[[nodiscard]] bool isFile(const std::string& path);

// The path with every symbolic link and "." or ".." resolved, absolute: the one name of a file however it
// was reached. The path as given when it cannot be resolved (it does not exist).
[[nodiscard]] std::string resolvedPath(const std::string& path);

// The extension as identification and the header editors see it: the text after the last "." of the
// whole path (folder names included), lower-cased; empty when there is no ".".
[[nodiscard]] std::string pathExtension(std::string_view path);

}  // namespace rq::files
