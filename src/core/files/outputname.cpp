#include "outputname.h"

#include <filesystem>

#include "files/common.h"
#include "files/filehandle.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>

#include <cerrno>
#endif

namespace rq {
namespace {

Error cannotWrite(const std::string& output, int error) {
    return Error{"\"" + output + "\" cannot be written: " + systemReason(error) + "."};
}

Error notAFile(const std::string& output, const std::string& target, std::string_view kind) {
    const std::string what =
        target == output ? "\"" + output + "\" is " : "\"" + output + "\" leads to \"" + target + "\", ";
    return Error{what + std::string(kind) + ", not a regular file: nothing is written in its place. " +
                     "Choose another name.",
                 ErrorKind::Refusal};
}

Error leadsNowhere(const std::string& output) {
    std::error_code ec;
    const std::string target = pathText(std::filesystem::read_symlink(fsPath(output), ec));
    return Error{"\"" + output + "\" is a symbolic link to \"" + target +
                     "\", which does not exist: nothing is written through it. Choose another name.",
                 ErrorKind::Refusal};
}

}  // namespace

#ifdef _WIN32
Result<OutputPlace> placeOfOutput(const std::string& output) {
    const auto name = fsPath(output);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    const bool link =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return OutputPlace{output, std::nullopt};
        }
    }
    // Opened without access and through any link: the handle's type tells a file from a device (NUL and
    // CON answer in every folder) or a pipe, and its final name is where a link leads.
    HANDLE handle = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (link && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
            return leadsNowhere(output);
        }
        return cannotWrite(output, static_cast<int>(error));
    }
    const DWORD type = GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool folder =
        GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::string path = output;
    if (link) {
        std::wstring final(32768, L'\0');
        const DWORD n = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n > 0 && n < final.size()) {
            final.resize(n);
            path = pathText(std::filesystem::path(final));
        }
    }
    CloseHandle(handle);
    if (folder) {
        return notAFile(output, path, "a folder");
    }
    if (type == FILE_TYPE_CHAR) {
        return notAFile(output, path, "a device");
    }
    if (type != FILE_TYPE_DISK) {
        return notAFile(output, path, type == FILE_TYPE_PIPE ? "a named pipe" : "something else");
    }
    return OutputPlace{path, std::nullopt};
}
#else
Result<OutputPlace> placeOfOutput(const std::string& output) {
    struct stat status {};
    if (::lstat(output.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            return OutputPlace{output, std::nullopt};
        }
        return cannotWrite(output, errno);
    }
    std::string path = output;
    if (S_ISLNK(status.st_mode)) {
        std::error_code ec;
        const auto target = std::filesystem::canonical(fsPath(output), ec);
        if (ec) {
            return ec.value() == ENOENT ? leadsNowhere(output) : cannotWrite(output, ec.value());
        }
        path = pathText(target);
        if (::lstat(path.c_str(), &status) != 0) {
            return cannotWrite(output, errno);
        }
    }
    const auto kind = status.st_mode & S_IFMT;
    if (kind == S_IFREG) {
        return OutputPlace{path, static_cast<unsigned>(status.st_mode & 0777)};
    }
    return notAFile(output, path,
                    kind == S_IFDIR                      ? "a folder"
                    : kind == S_IFCHR || kind == S_IFBLK ? "a device"
                    : kind == S_IFIFO                    ? "a named pipe (FIFO)"
                    : kind == S_IFSOCK                   ? "a socket"
                                                         : "something else");
}
#endif

std::optional<std::string> inputAtOutput(const std::string& output,
                                         std::initializer_list<std::string_view> inputs) {
    for (const std::string_view input : inputs) {
        std::error_code ec;
        if (input != "-" && std::filesystem::equivalent(fsPath(output), fsPath(input), ec) && !ec) {
            return std::string(input);
        }
    }
    return std::nullopt;
}

}  // namespace rq
