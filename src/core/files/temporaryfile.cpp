#include "temporaryfile.h"

#include <filesystem>
#include <random>
#include <utility>

#include "files/asciitext.h"
#include "files/common.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace rq {
namespace {

constexpr std::string_view kPrefix = ".romquill-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kDigits = 8;
constexpr int kAttempts = 16;

// A fresh name in the folder of target.
std::string temporaryBeside(const std::string& target, std::random_device& random) {
    const std::string leaf =
        std::string(kPrefix) + hexText(random() & 0xFFFFFFFFu, kDigits) + std::string(kSuffix);
    return pathText(fsPath(target).parent_path() / fsPath(leaf));
}

}  // namespace

bool isTemporaryName(std::string_view name) {
    return name.size() == kPrefix.size() + kDigits + kSuffix.size() && name.starts_with(kPrefix) &&
           name.ends_with(kSuffix) && parseHex(name.substr(kPrefix.size(), kDigits)).has_value();
}

#ifdef _WIN32
namespace {

std::uint64_t ticksOf(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// A writer holds its file open without sharing delete access until it closes it just before the rename,
// so a file is taken for stale only when it cannot be held and was not written in the last minute.
void removeStaleLeftovers(const std::string& target) {
    const auto folder = fsPath(target).parent_path();
    WIN32_FIND_DATAW found{};
    const auto pattern = folder / fsPath(std::string(kPrefix) + "*" + std::string(kSuffix));
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    constexpr std::uint64_t kMinute = 60ull * 10'000'000;  // in the 100 ns ticks of FILETIME
    do {
        const std::filesystem::path leaf(found.cFileName);
        if (!isTemporaryName(pathText(leaf)) ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
            ticksOf(now) - ticksOf(found.ftLastWriteTime) < kMinute) {
            continue;
        }
        HANDLE held = CreateFileW((folder / leaf).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

int openTemporary(const std::string& target, std::optional<unsigned> /*mode*/, TemporaryFile& file) {
    removeStaleLeftovers(target);
    std::random_device random;
    int error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kAttempts && error == ERROR_FILE_EXISTS; ++attempt) {
        const std::string name = temporaryBeside(target, random);
        HANDLE handle = CreateFileW(fsPath(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            error = static_cast<int>(GetLastError());
            continue;
        }
        // Wrapped in a C runtime descriptor, as FileHandle's is, so that the callers keep one int.
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR);
        if (fd < 0) {
            CloseHandle(handle);
            DeleteFileW(fsPath(name).c_str());
            return ERROR_TOO_MANY_OPEN_FILES;
        }
        file = TemporaryFile{fd, name};
        return 0;
    }
    return error;
}

int moveIntoPlace(TemporaryFile& file, const std::string& target) {
    // Closed before the rename: Windows renames no file that is open without FILE_SHARE_DELETE elsewhere.
    if (_close(std::exchange(file.fd, -1)) != 0) {
        return ERROR_WRITE_FAULT;
    }
    if (!MoveFileExW(fsPath(file.name).c_str(), fsPath(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return static_cast<int>(GetLastError());
    }
    file.name.clear();
    return 0;
}

void discardTemporary(TemporaryFile& file) {
    if (file.fd >= 0) {
        _close(std::exchange(file.fd, -1));
    }
    if (!file.name.empty()) {
        DeleteFileW(fsPath(std::exchange(file.name, {})).c_str());
    }
}
#else
namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A leftover nobody holds: its writer is gone. It is checked to be the file that was locked before it
// is removed.
void removeStaleLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name)) {
            continue;
        }
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(held, named)) {
            ::unlinkat(dirFd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

std::string folderOf(const std::string& target) {
    const auto folder = fsPath(target).parent_path();
    return folder.empty() ? std::string(".") : pathText(folder);
}

#ifdef O_TMPFILE
std::string procName(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}
#endif

// A file without a name, locked before it gets one. Not every file system makes them, and the name is
// given through /proc: without either, the caller makes a named file.
int openUnnamed([[maybe_unused]] const std::string& folder, [[maybe_unused]] TemporaryFile& file) {
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno;
    }
    struct stat status {};
    if (::stat(procName(fd).c_str(), &status) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return ENOTSUP;
    }
    file = TemporaryFile{fd, {}};
    return 0;
#else
    return ENOTSUP;
#endif
}

// A cleaner that opened the new name before it was locked may have taken it for stale and removed it: then
// another name is tried. Where the file system has no locks, no cleaner can lock a leftover either, and
// none is ever removed.
int openNamed(const std::string& target, TemporaryFile& file) {
    std::random_device random;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = temporaryBeside(target, random);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return errno;
        }
        struct stat held {};
        struct stat named {};
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
        if (locked && ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 &&
            sameFile(held, named)) {
            file = TemporaryFile{fd, name};
            return 0;
        }
        ::close(fd);
    }
    return EEXIST;
}

// The unnamed file gets a fresh name of its own, locked already, for the rename: a link cannot replace
// an existing name.
int giveName([[maybe_unused]] TemporaryFile& file, [[maybe_unused]] const std::string& target) {
#ifdef O_TMPFILE
    std::random_device random;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = temporaryBeside(target, random);
        if (::linkat(AT_FDCWD, procName(file.fd).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            file.name = std::move(name);
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
#else
    return ENOTSUP;
#endif
}

}  // namespace

int openTemporary(const std::string& target, std::optional<unsigned> mode, TemporaryFile& file) {
    const std::string folder = folderOf(target);
    removeStaleLeftovers(folder);
    int error = openUnnamed(folder, file);
    if (error != 0) {
        error = openNamed(target, file);
    }
    if (error == 0 && mode && ::fchmod(file.fd, *mode) != 0) {
        error = errno;
        discardTemporary(file);
    }
    return error;
}

int moveIntoPlace(TemporaryFile& file, const std::string& target) {
    if (file.name.empty()) {
        if (const int error = giveName(file, target); error != 0) {
            return error;
        }
    }
    // Renamed while still open and locked, so that no cleaner takes it for a leftover in between.
    if (::rename(file.name.c_str(), target.c_str()) != 0) {
        return errno;
    }
    file.name.clear();
    ::close(std::exchange(file.fd, -1));
    return 0;
}

void discardTemporary(TemporaryFile& file) {
    if (!file.name.empty()) {
        ::unlink(std::exchange(file.name, {}).c_str());
    }
    if (file.fd >= 0) {
        ::close(std::exchange(file.fd, -1));
    }
}
#endif

}  // namespace rq
