#include "newfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "files/common.h"
#include "files/filehandle.h"

namespace rq {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// All of bytes at offset; 0, or the error number.
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

}  // namespace

void syncFolderOf(const std::string& path) {
    const auto folder = fsPath(path).parent_path();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

NewFile::NewFile(int fd, std::string path, std::string temporary)
    : m_fd(fd), m_path(std::move(path)), m_temporary(std::move(temporary)) {}

NewFile::NewFile(NewFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_path(std::move(other.m_path)),
      m_temporary(std::move(other.m_temporary)),
      m_buffer(std::move(other.m_buffer)),
      m_size(other.m_size),
      m_committed(other.m_committed) {}

NewFile::~NewFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
        if (!m_committed) {
            ::unlink(m_temporary.c_str());
        }
    }
}

Error NewFile::failed(int error) const {
    return Error{"\"" + m_path + "\" cannot be written: " + systemReason(error) + "."};
}

Result<NewFile> NewFile::create(const std::string& path) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return Error{"\"" + path + "\" cannot be written: " + systemReason(errno) + "."};
    }
    ::fchmod(fd, 0644);
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
#ifdef SYNC_FILE_RANGE_WRITE
    // The disk starts on what is written while the rest is made, so that commit's flush has less to wait for.
    ::sync_file_range(m_fd, static_cast<off_t>(offset), static_cast<off_t>(bytes.size()),
                      SYNC_FILE_RANGE_WRITE);
#endif
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
    while (done < count) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return Error{"Reading back \"" + m_path + "\" failed: " + systemReason(errno) + "."};
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

Status NewFile::resize(std::uint64_t size) {
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) {
        return failed(errno);
    }
    m_size = size;
    return success();
}

Status NewFile::commit() {
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (::fsync(m_fd) != 0) {
        return failed(errno);
    }
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        return failed(errno);
    }
    m_committed = true;
    syncFolderOf(m_path);
    return success();
}

}  // namespace rq
