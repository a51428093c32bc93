#include "filehandle.h"

#include <utility>

#include "files/platform.h"

namespace rq::files {
namespace {

void closeDescriptor(int fd) {
    if (fd >= 0) {
        static_cast<void>(platform::closeFile(fd));
    }
}

}  // namespace

Error cannotOpen(const std::string& path, int error) {
    if (platform::isNotFound(error) || platform::isBadName(error)) {
        return Error{"The file \"" + path + "\" does not exist."};
    }
    // Another program opened the file without letting others read or write it (an emulator, an editor).
    if (platform::isInUse(error)) {
        return Error{"The file \"" + path + "\" is in use by another program: " + systemReason(error) + "."};
    }
    return Error{"The file \"" + path + "\" cannot be opened: " + systemReason(error) + "."};
}

Result<FileHandle> FileHandle::open(const std::string& path, Mode mode) {
    int fd = -1;
    std::uint64_t size = 0;
    if (const int error = platform::openRegular(path, mode == Mode::Update, fd, size); error != 0) {
        if (error == platform::kNotRegularFile) {
            return Error{"\"" + path + "\" is not a regular file."};
        }
        return cannotOpen(path, error);
    }
    return FileHandle(fd, path, size);
}

Result<std::uint64_t> FileHandle::currentSize() const {
    std::uint64_t size = 0;
    if (const int error = platform::fileSize(m_fd, size); error != 0) {
        return failed("Reading the size of", error);
    }
    return size;
}

Result<FileIdentity> FileHandle::identity() const {
    FileIdentity identity;
    if (const int error = platform::fileIdentity(m_fd, identity); error != 0) {
        return failed("Reading the identity of", error);
    }
    return identity;
}

Result<std::size_t> FileHandle::readInto(std::uint64_t offset, char* data, std::size_t count) const {
    std::size_t done = 0;
    if (const int error = platform::readAt(m_fd, offset, data, count, done); error != 0) {
        return failed("Reading", error);
    }
    return done;
}

Status FileHandle::writeAt(std::uint64_t offset, std::string_view bytes) {
    if (const int error = platform::writeAt(m_fd, offset, bytes); error != 0) {
        return failed("Writing to", error);
    }
    return success();
}

Status FileHandle::lockExclusive() {
    if (const int error = platform::lockFile(m_fd); error != 0) {
        if (platform::isLockHeld(error)) {
            return Error{"\"" + m_path +
                             "\" is being saved by another window or program. Nothing was written; " +
                             "try again when that save is done.",
                         ErrorKind::Refusal};
        }
        return failed("Locking", error);
    }
    return success();
}

Status FileHandle::reserve(std::uint64_t offset, std::uint64_t length) {
    if (const int error = platform::reserveRange(m_fd, offset, length); error != 0) {
        return failed("Reserving room in", error);
    }
    return success();
}

Status FileHandle::sync() {
    if (const int error = platform::flushFile(m_fd); error != 0) {
        return failed("Flushing", error);
    }
    return success();
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

}  // namespace rq::files
