#include "newfile.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "files/common.h"
#include "files/filehandle.h"
#include "files/outputname.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

void startWriteBack(int, std::uint64_t, std::size_t) {}
#else
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

NewFile::NewFile(TemporaryFile file, std::string path, std::string target)
    : m_file(std::move(file)), m_path(std::move(path)), m_target(std::move(target)) {}

NewFile::NewFile(NewFile&& other) noexcept
    : m_file(std::exchange(other.m_file, {})),
      m_path(std::move(other.m_path)),
      m_target(std::move(other.m_target)),
      m_buffer(std::move(other.m_buffer)),
      m_size(other.m_size) {}

NewFile::~NewFile() {
    discardTemporary(m_file);
}

Error NewFile::failed(int error) const {
    return Error{"\"" + m_path + "\" cannot be written: " + systemReason(error) + "."};
}

Result<NewFile> NewFile::create(const std::string& path) {
    const auto place = placeOfOutput(path);
    if (!place) {
        return place.failure();
    }
    TemporaryFile file;
    if (const int error = openTemporary(place->path, place->mode, file); error != 0) {
        return Error{"\"" + path + "\" cannot be written: " + systemReason(error) + "."};
    }
    return NewFile(std::move(file), path, place->path);
}

std::optional<std::uint64_t> NewFile::spaceLeft() const {
    const auto folder = fsPath(m_target).parent_path();
    std::error_code ec;
    const auto space = std::filesystem::space(folder.empty() ? std::filesystem::path(".") : folder, ec);
    if (ec) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(space.available);
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
    if (const int error = writeAll(m_file.fd, offset, bytes); error != 0) {
        return failed(error);
    }
    startWriteBack(m_file.fd, offset, bytes.size());
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
    if (const int error = writeAll(m_file.fd, offset, bytes); error != 0) {
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
    if (const int error = readAll(m_file.fd, offset, bytes.data(), count, done); error != 0) {
        return Error{"Reading back \"" + m_path + "\" failed: " + systemReason(error) + "."};
    }
    bytes.resize(done);
    return bytes;
}

Status NewFile::resize(std::uint64_t size) {
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (const int error = setSize(m_file.fd, size); error != 0) {
        return failed(error);
    }
    m_size = size;
    return success();
}

Status NewFile::commit() {
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (const int error = flushToDisk(m_file.fd); error != 0) {
        return failed(error);
    }
    // Whatever was put at the name while the file was written is looked at again.
    if (const auto place = placeOfOutput(m_path); !place) {
        return place.failure();
    }
    if (const int error = moveIntoPlace(m_file, m_target); error != 0) {
        return failed(error);
    }
    syncFolderOf(m_target);
    return success();
}

}  // namespace rq
