#include "filehandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace rq {

std::string systemReason(int error) {
    return std::strerror(error);
}

Error cannotOpen(const std::string& path, int error) {
    if (error == ENOENT) {
        return Error{"The file \"" + path + "\" does not exist."};
    }
    return Error{"The file \"" + path + "\" cannot be opened: " + systemReason(error) + "."};
}

FileHandle::FileHandle(int fd, std::string path, std::uint64_t size)
    : m_fd(fd), m_path(std::move(path)), m_openedSize(size) {}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_path(std::move(other.m_path)),
      m_openedSize(other.m_openedSize) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        m_openedSize = other.m_openedSize;
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

Error FileHandle::failed(std::string_view what, int error) const {
    return Error{std::string(what) + " \"" + m_path + "\" failed: " + systemReason(error) + "."};
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

Result<std::string> FileHandle::readAt(std::uint64_t offset, std::size_t count) const {
    std::string bytes(count, '\0');
    const auto read = readInto(offset, bytes.data(), count);
    if (!read) {
        return read.failure();
    }
    bytes.resize(*read);
    return bytes;
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
