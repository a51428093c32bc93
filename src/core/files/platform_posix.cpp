// The file services' system calls on POSIX systems (Linux first: O_TMPFILE, fallocate, sync_file_range are
// used where they exist).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "files/common.h"
#include "files/filehandle.h"
#include "files/platform.h"

namespace rq::files {

std::string systemReason(int error) {
    return std::strerror(error);
}

std::filesystem::path fsPath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string pathText(const std::filesystem::path& path) {
    return path.string();
}

std::string resolvedPath(const std::string& path) {
    std::error_code ec;
    const auto resolved = std::filesystem::canonical(fsPath(path), ec);
    return ec ? path : pathText(resolved);
}

namespace platform {
namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

#ifdef O_TMPFILE
std::string procName(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}
#endif

}  // namespace

bool isNotFound(int error) {
    return error == ENOENT;
}

bool isBadName(int /*error*/) {
    return false;
}

bool isInUse(int /*error*/) {
    return false;
}

bool isAlreadyThere(int error) {
    return error == EEXIST;
}

bool isLockHeld(int error) {
    return error == EWOULDBLOCK;
}

int diskFullError() {
    return ENOSPC;
}

std::string executableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path(ec).string();
    }
    return exe.parent_path().string();
}

int openRegular(const std::string& path, bool update, int& fd, std::uint64_t& size) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    fd = ::open(path.c_str(), (update ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno;
    }
    struct stat st {};
    int error = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : kNotRegularFile;
    if (error != 0) {
        ::close(std::exchange(fd, -1));
        return error;
    }
    // Reads and writes of a regular file never wait; blocking mode keeps partial transfers out of sight.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

int createNew(const std::string& path, int& fd) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    return fd < 0 ? errno : 0;
}

int closeFile(int fd) {
    return ::close(fd) == 0 ? 0 : errno;
}

int duplicate(int fd, int& copy) {
    copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    return copy >= 0 ? 0 : errno;
}

int fileSize(int fd, std::uint64_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return errno;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

int fileIdentity(int fd, FileIdentity& identity) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return errno;
    }
    identity = FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                            static_cast<std::uint64_t>(st.st_nlink)};
    return 0;
}

int readAt(int fd, std::uint64_t offset, char* out, std::size_t count, std::size_t& got) {
    got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, out + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return 0;
}

int writeAt(int fd, std::uint64_t offset, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int setFileSize(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int flushFile(int fd) {
    return ::fsync(fd) == 0 ? 0 : errno;
}

void startWriteBack([[maybe_unused]] int fd, [[maybe_unused]] std::uint64_t offset,
                    [[maybe_unused]] std::size_t count) {
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(count), SYNC_FILE_RANGE_WRITE);
#endif
}

int reserveRange([[maybe_unused]] int fd, [[maybe_unused]] std::uint64_t offset,
                 [[maybe_unused]] std::uint64_t length) {
#ifdef FALLOC_FL_KEEP_SIZE
    // KEEP_SIZE: a file cut short meanwhile must not grow back.
    if (length > 0 &&
        ::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(length)) != 0) {
        const int error = errno;
        // A file system that cannot reserve is written without: the write itself still reports a full disk.
        if (error != EOPNOTSUPP && error != ENOSYS && error != EINVAL && error != ENODEV) {
            return error;
        }
    }
#endif
    return 0;
}

int lockFile(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

int fileSizeAt(const std::string& path, std::uint64_t& size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return kNotRegularFile;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

int removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

void syncFolderOf(const std::string& path) {
    const auto folder = fsPath(path).parent_path();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int entryAt(const std::string& path, PathEntry& entry) {
    entry = PathEntry{PathEntry::Kind::Missing, false, path, std::nullopt};
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (S_ISLNK(status.st_mode)) {
        entry.link = true;
        std::error_code ec;
        const auto target = std::filesystem::canonical(fsPath(path), ec);
        if (ec) {
            return ec.value() == ENOENT ? 0 : ec.value();
        }
        entry.target = pathText(target);
        if (::lstat(entry.target.c_str(), &status) != 0) {
            return errno;
        }
    }
    using Kind = PathEntry::Kind;
    const auto kind = status.st_mode & S_IFMT;
    entry.kind = kind == S_IFREG                      ? Kind::File
                 : kind == S_IFDIR                    ? Kind::Folder
                 : kind == S_IFCHR || kind == S_IFBLK ? Kind::Device
                 : kind == S_IFIFO                    ? Kind::Fifo
                 : kind == S_IFSOCK                   ? Kind::Socket
                                                      : Kind::Other;
    if (entry.kind == Kind::File) {
        entry.mode = static_cast<unsigned>(status.st_mode & 0777);
    }
    return 0;
}

// Not every file system makes unnamed files, and the name is given through /proc: without either, the
// caller makes a named file.
int openUnnamed([[maybe_unused]] const std::string& folder, int& fd) {
#ifdef O_TMPFILE
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno;
    }
    struct stat status {};
    if (::stat(procName(fd).c_str(), &status) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(std::exchange(fd, -1));
        return ENOTSUP;
    }
    return 0;
#else
    fd = -1;
    return ENOTSUP;
#endif
}

int linkUnnamed([[maybe_unused]] int fd, [[maybe_unused]] const std::string& name) {
#ifdef O_TMPFILE
    return ::linkat(AT_FDCWD, procName(fd).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                                    : errno;
#else
    return ENOTSUP;
#endif
}

// A cleaner that opened the new name before it was locked may have taken it for stale and removed it: then
// the name counts as taken, and the caller tries another. Where the file system has no locks, no cleaner
// can lock a leftover either, and none is ever removed.
int createHeld(const std::string& name, int& fd) {
    fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno;
    }
    struct stat held {};
    struct stat named {};
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    if (locked && ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 && sameFile(held, named)) {
        return 0;
    }
    ::close(std::exchange(fd, -1));
    return EEXIST;
}

int setPermissions(int fd, unsigned mode) {
    return ::fchmod(fd, mode) == 0 ? 0 : errno;
}

int moveOpenFile(int& fd, const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::close(std::exchange(fd, -1));
    return 0;
}

void discardFile(int& fd, std::string& name) {
    // The name goes first: a file without its lock would be taken for a leftover.
    if (!name.empty()) {
        ::unlink(std::exchange(name, {}).c_str());
    }
    if (fd >= 0) {
        ::close(std::exchange(fd, -1));
    }
}

// A leftover nobody holds: its writer is gone. It is checked to be the file that was locked before it is
// removed.
void removeStaleFiles(const std::string& folder, const std::function<bool(std::string_view)>& ours) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!ours(entry->d_name)) {
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

}  // namespace platform
}  // namespace rq::files
