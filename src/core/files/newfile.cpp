#include "newfile.h"

#include <algorithm>
#include <utility>

#include "files/common.h"
#include "files/filehandle.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <random>

#include "files/asciitext.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace rq {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// The calls below give 0 or the system's error number (errno, or GetLastError() on Windows).
#ifdef _WIN32
// The handle is wrapped in a C runtime descriptor, as FileHandle's is, so the class keeps one int.
HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

int lastError() {
    return static_cast<int>(GetLastError());
}

// A name of our own beside path, never one that is there already.
int createTemporary(const std::string& path, std::string& temporary, int& fd) {
    std::random_device random;
    int error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && error == ERROR_FILE_EXISTS; ++attempt) {
        temporary = path + "." + hexText(random(), 8);
        HANDLE handle = CreateFileW(fsPath(temporary).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            error = lastError();
            continue;
        }
        fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR);
        if (fd < 0) {
            CloseHandle(handle);
            DeleteFileW(fsPath(temporary).c_str());
            return ERROR_TOO_MANY_OPEN_FILES;
        }
        return 0;
    }
    return error;
}

int writeAll(int fd, std::uint64_t offset, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        OVERLAPPED where = at(offset + done);
        DWORD n = 0;
        const auto part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(handleOf(fd), bytes.data() + done, part, &n, &where)) {
            return lastError();
        }
        if (n == 0) {
            return ERROR_WRITE_FAULT;
        }
        done += n;
    }
    return 0;
}

// Up to count bytes at offset into out; got says how many (fewer only at the end of the file).
int readAll(int fd, std::uint64_t offset, char* out, std::size_t count, std::size_t& got) {
    for (got = 0; got < count;) {
        OVERLAPPED where = at(offset + got);
        DWORD n = 0;
        const auto part = static_cast<DWORD>(std::min<std::size_t>(count - got, 1u << 30));
        if (!ReadFile(handleOf(fd), out + got, part, &n, &where)) {
            return GetLastError() == ERROR_HANDLE_EOF ? 0 : lastError();
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return 0;
}

int setSize(int fd, std::uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return SetFileInformationByHandle(handleOf(fd), FileEndOfFileInfo, &end, sizeof end) ? 0 : lastError();
}

int flushToDisk(int fd) {
    return FlushFileBuffers(handleOf(fd)) ? 0 : lastError();
}

int closeFile(int fd) {
    return _close(fd) == 0 ? 0 : ERROR_WRITE_FAULT;
}

void removeFile(const std::string& path) {
    DeleteFileW(fsPath(path).c_str());
}

int renameOver(const std::string& from, const std::string& to) {
    return MoveFileExW(fsPath(from).c_str(), fsPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : lastError();
}

void startWriteBack(int, std::uint64_t, std::size_t) {}
#else
int createTemporary(const std::string& path, std::string& temporary, int& fd) {
    temporary = path + ".XXXXXX";
    fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return errno;
    }
    ::fchmod(fd, 0644);
    return 0;
}

int writeAll(int fd, std::uint64_t offset, std::string_view bytes) {
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

int readAll(int fd, std::uint64_t offset, char* out, std::size_t count, std::size_t& got) {
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

int setSize(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int flushToDisk(int fd) {
    return ::fsync(fd) == 0 ? 0 : errno;
}

int closeFile(int fd) {
    return ::close(fd) == 0 ? 0 : errno;
}

void removeFile(const std::string& path) {
    ::unlink(path.c_str());
}

int renameOver(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// The disk starts on what is written while the rest is made, so that commit's flush has less to wait for.
void startWriteBack([[maybe_unused]] int fd, [[maybe_unused]] std::uint64_t offset,
                    [[maybe_unused]] std::size_t count) {
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(count), SYNC_FILE_RANGE_WRITE);
#endif
}
#endif

}  // namespace

#ifdef _WIN32
// NTFS journals its folders: a rename with MOVEFILE_WRITE_THROUGH is on the disk when it returns.
void syncFolderOf(const std::string& /*path*/) {}
#else
void syncFolderOf(const std::string& path) {
    const auto folder = fsPath(path).parent_path();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

NewFile::NewFile(int fd, std::string path, std::string temporary)
    : m_fd(fd), m_path(std::move(path)), m_temporary(std::move(temporary)) {}

NewFile::NewFile(NewFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_path(std::move(other.m_path)),
      m_temporary(std::exchange(other.m_temporary, {})),
      m_buffer(std::move(other.m_buffer)),
      m_size(other.m_size),
      m_committed(other.m_committed) {}

NewFile::~NewFile() {
    if (m_fd >= 0) {
        static_cast<void>(closeFile(m_fd));
    }
    if (!m_committed && !m_temporary.empty()) {
        removeFile(m_temporary);
    }
}

Error NewFile::failed(int error) const {
    return Error{"\"" + m_path + "\" cannot be written: " + systemReason(error) + "."};
}

Result<NewFile> NewFile::create(const std::string& path) {
    std::string temporary;
    int fd = -1;
    if (const int error = createTemporary(path, temporary, fd); error != 0) {
        return Error{"\"" + path + "\" cannot be written: " + systemReason(error) + "."};
    }
    return NewFile(fd, path, std::move(temporary));
}

Status NewFile::flush() {
    if (m_buffer.empty()) {
        return success();
    }
    const auto written = writeAtEnd(m_buffer);
    m_buffer.clear();
    return written;
}

Status NewFile::writeAtEnd(std::string_view bytes) {
    const std::uint64_t offset = m_size - bytes.size();
    if (const int error = writeAll(m_fd, offset, bytes); error != 0) {
        return failed(error);
    }
    startWriteBack(m_fd, offset, bytes.size());
    return success();
}

Status NewFile::append(std::string_view bytes) {
    if (m_buffer.size() + bytes.size() < kBufferSize) {
        m_buffer += bytes;
        m_size += bytes.size();
        return success();
    }
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    m_size += bytes.size();
    return writeAtEnd(bytes);
}

Status NewFile::writeAt(std::uint64_t offset, std::string_view bytes) {
    // Nothing written makes the file no longer.
    if (bytes.empty()) {
        return success();
    }
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (const int error = writeAll(m_fd, offset, bytes); error != 0) {
        return failed(error);
    }
    m_size = std::max(m_size, offset + bytes.size());
    return success();
}

Result<std::string> NewFile::readAt(std::uint64_t offset, std::size_t count) {
    if (const auto flushed = flush(); !flushed) {
        return flushed.failure();
    }
    std::string bytes(count, '\0');
    std::size_t done = 0;
    if (const int error = readAll(m_fd, offset, bytes.data(), count, done); error != 0) {
        return Error{"Reading back \"" + m_path + "\" failed: " + systemReason(error) + "."};
    }
    bytes.resize(done);
    return bytes;
}

Status NewFile::resize(std::uint64_t size) {
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (const int error = setSize(m_fd, size); error != 0) {
        return failed(error);
    }
    m_size = size;
    return success();
}

Status NewFile::commit() {
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    // Closed before the rename: Windows renames no file that is open without FILE_SHARE_DELETE elsewhere.
    int error = flushToDisk(m_fd);
    if (const int closed = closeFile(std::exchange(m_fd, -1)); error == 0) {
        error = closed;
    }
    if (error == 0) {
        error = renameOver(m_temporary, m_path);
    }
    if (error != 0) {
        return failed(error);
    }
    m_committed = true;
    syncFolderOf(m_path);
    return success();
}

}  // namespace rq
