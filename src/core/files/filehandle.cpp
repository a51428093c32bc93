#include "filehandle.h"

#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>

#include "files/common.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace rq {

#ifdef _WIN32
// Windows: the handle comes from CreateFileW (wide path, share modes that let other programs read and write
// as on POSIX) and is wrapped in a C runtime descriptor, so that the class keeps one int on both systems.
// Error numbers here are GetLastError() codes.
namespace {

HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

void closeDescriptor(int fd) {
    if (fd >= 0) {
        _close(fd);
    }
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

// One transfer is at most this, so that its size fits the DWORD the calls take.
constexpr std::size_t kMostAtOnce = 1u << 30;

// Saves lock one byte far past the end of any game file: a lock on Windows is mandatory and would otherwise
// stop every other reader of the locked bytes, where POSIX's advisory lock stops only other saves.
constexpr std::uint64_t kLockOffset = 0x7FFFFFFF00000000ull;

}  // namespace

std::string systemReason(int error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason;
    if (length > 0) {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        reason.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), reason.data(), size, nullptr,
                            nullptr);
    }
    LocalFree(text);
    // The system's texts end in ".\r\n"; messages here add their own full stop.
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason.empty() ? "error " + std::to_string(error) : reason;
}

Error cannotOpen(const std::string& path, int error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) {
        return Error{"The file \"" + path + "\" does not exist."};
    }
    // Another program opened the file without letting others read or write it (an emulator, an editor).
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
        return Error{"The file \"" + path + "\" is in use by another program: " + systemReason(error) + "."};
    }
    return Error{"The file \"" + path + "\" cannot be opened: " + systemReason(error) + "."};
}

Result<FileHandle> FileHandle::open(const std::string& path, Mode mode) {
    const auto name = fsPath(path);
    const DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    HANDLE handle = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const auto error = static_cast<int>(GetLastError());
        // A folder cannot be opened this way at all; say what it is, as the POSIX side does.
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return Error{"\"" + path + "\" is not a regular file."};
        }
        return cannotOpen(path, error);
    }
    // A device (CON, NUL, a COM port) opens like a file: only files on a disk are taken.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return Error{"\"" + path + "\" is not a regular file."};
    }
    const int fd =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), mode == Mode::Read ? _O_RDONLY : _O_RDWR);
    if (fd < 0) {
        CloseHandle(handle);
        return Error{"The file \"" + path + "\" cannot be opened: too many files are open."};
    }
    FileHandle opened(fd, path, 0);
    const auto size = opened.currentSize();
    if (!size) {
        return size.failure();
    }
    opened.m_openedSize = *size;
    return opened;
}

Result<std::uint64_t> FileHandle::currentSize() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(m_fd), &size)) {
        return failed("Reading the size of", static_cast<int>(GetLastError()));
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

Result<FileIdentity> FileHandle::identity() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handleOf(m_fd), &info)) {
        return failed("Reading the identity of", static_cast<int>(GetLastError()));
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                        info.nNumberOfLinks};
}

Result<std::size_t> FileHandle::readInto(std::uint64_t offset, char* data, std::size_t count) const {
    std::size_t done = 0;
    while (done < count) {
        OVERLAPPED where = at(offset + done);
        DWORD n = 0;
        const auto part = static_cast<DWORD>(std::min(count - done, kMostAtOnce));
        if (!ReadFile(handleOf(m_fd), data + done, part, &n, &where)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) {
                break;
            }
            return failed("Reading", static_cast<int>(error));
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

Status FileHandle::writeAt(std::uint64_t offset, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED where = at(offset + done);
        DWORD n = 0;
        const auto part = static_cast<DWORD>(std::min(bytes.size() - done, kMostAtOnce));
        if (!WriteFile(handleOf(m_fd), bytes.data() + done, part, &n, &where)) {
            return failed("Writing to", static_cast<int>(GetLastError()));
        }
        if (n == 0) {
            return failed("Writing to", ERROR_WRITE_FAULT);
        }
        done += n;
    }
    return success();
}

Status FileHandle::lockExclusive() {
    OVERLAPPED where = at(kLockOffset);
    if (!LockFileEx(handleOf(m_fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
        const DWORD error = GetLastError();
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
            return Error{"\"" + m_path +
                             "\" is being saved by another window or program. Nothing was written; " +
                             "try again when that save is done.",
                         ErrorKind::Refusal};
        }
        return failed("Locking", static_cast<int>(error));
    }
    return success();
}

Status FileHandle::reserve(std::uint64_t /*offset*/, std::uint64_t /*length*/) {
    // Rooms lie inside the file, whose clusters Windows allocated when it grew: there is nothing to reserve.
    return success();
}

Status FileHandle::sync() {
    if (!FlushFileBuffers(handleOf(m_fd))) {
        return failed("Flushing", static_cast<int>(GetLastError()));
    }
    return success();
}
#else
namespace {

void closeDescriptor(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

}  // namespace

std::string systemReason(int error) {
    return std::strerror(error);
}

Error cannotOpen(const std::string& path, int error) {
    if (error == ENOENT) {
        return Error{"The file \"" + path + "\" does not exist."};
    }
    return Error{"The file \"" + path + "\" cannot be opened: " + systemReason(error) + "."};
}

Result<FileHandle> FileHandle::open(const std::string& path, Mode mode) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int flags = (mode == Mode::Read ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        return cannotOpen(path, errno);
    }
    FileHandle handle(fd, path, 0);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return handle.failed("Reading the size of", errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return Error{"\"" + path + "\" is not a regular file."};
    }
    // Reads and writes of a regular file never wait; blocking mode keeps partial transfers out of sight.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    handle.m_openedSize = static_cast<std::uint64_t>(st.st_size);
    return handle;
}

Result<std::uint64_t> FileHandle::currentSize() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        return failed("Reading the size of", errno);
    }
    return static_cast<std::uint64_t>(st.st_size);
}

Result<FileIdentity> FileHandle::identity() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        return failed("Reading the identity of", errno);
    }
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::uint64_t>(st.st_nlink)};
}

Result<std::size_t> FileHandle::readInto(std::uint64_t offset, char* data, std::size_t count) const {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(m_fd, data + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failed("Reading", errno);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Status FileHandle::writeAt(std::uint64_t offset, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return failed("Writing to", n < 0 ? errno : EIO);
        }
        done += static_cast<std::size_t>(n);
    }
    return success();
}

Status FileHandle::lockExclusive() {
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return Error{"\"" + m_path +
                             "\" is being saved by another window or program. Nothing was written; " +
                             "try again when that save is done.",
                         ErrorKind::Refusal};
        }
        if (errno != EINTR) {
            return failed("Locking", errno);
        }
    }
    return success();
}

Status FileHandle::reserve(std::uint64_t offset, std::uint64_t length) {
#ifdef FALLOC_FL_KEEP_SIZE
    // KEEP_SIZE: a file cut short meanwhile must not grow back.
    if (length > 0 &&
        ::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(length)) != 0) {
        const int error = errno;
        // A file system that cannot reserve is written without: the write itself still reports a full disk.
        if (error != EOPNOTSUPP && error != ENOSYS && error != EINVAL && error != ENODEV) {
            return failed("Reserving room in", error);
        }
    }
#else
    (void)offset;
    (void)length;
#endif
    return success();
}

Status FileHandle::sync() {
    if (::fsync(m_fd) != 0) {
        return failed("Flushing", errno);
    }
    return success();
}

#endif

Result<std::string> FileHandle::readAt(std::uint64_t offset, std::size_t count) const {
    std::string bytes(count, '\0');
    const auto read = readInto(offset, bytes.data(), count);
    if (!read) {
        return read.failure();
    }
    bytes.resize(*read);
    return bytes;
}

FileHandle::FileHandle(int fd, std::string path, std::uint64_t size)
    : m_fd(fd), m_path(std::move(path)), m_openedSize(size) {}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_path(std::move(other.m_path)),
      m_openedSize(other.m_openedSize) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        closeDescriptor(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        m_openedSize = other.m_openedSize;
    }
    return *this;
}

FileHandle::~FileHandle() {
    closeDescriptor(m_fd);
}

Error FileHandle::failed(std::string_view what, int error) const {
    return Error{std::string(what) + " \"" + m_path + "\" failed: " + systemReason(error) + "."};
}

Result<std::string> readFileBytes(const std::string& path, std::uint64_t limit) {
    auto file = FileHandle::open(path, FileHandle::Mode::Read);
    if (!file) {
        return file.failure();
    }
    if (file->openedSize() > limit) {
        return Error{"\"" + path + "\" has " + std::to_string(file->openedSize()) +
                         " bytes; files of more than " + std::to_string(limit) + " bytes are not read.",
                     ErrorKind::Refusal};
    }
    // Read to the end rather than to the size seen: a file that grew since must still stop at the limit.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(file->openedSize()));
    constexpr std::size_t kChunk = 1 << 16;
    while (true) {
        auto chunk = file->readAt(bytes.size(), kChunk);
        if (!chunk) {
            return chunk.failure();
        }
        bytes += *chunk;
        if (bytes.size() > limit) {
            return Error{"\"" + path + "\" has more than " + std::to_string(limit) +
                             " bytes; files of more than that are not read.",
                         ErrorKind::Refusal};
        }
        if (chunk->size() < kChunk) {
            return bytes;
        }
    }
}

}  // namespace rq
