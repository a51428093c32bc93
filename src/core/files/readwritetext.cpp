#include "readwritetext.h"

#include <sys/stat.h>

#include <cerrno>
#include <limits>

#include "files/common.h"
#include "files/filehandle.h"

#ifdef _WIN32
#include <cwchar>
#endif

namespace rq {
namespace {

Error romNotFound() {
    return Error{std::string(kRomNotFound)};
}

std::FILE* openForUpdate(const std::string& path) {
#ifdef _WIN32
    return _wfopen(fsPath(path).c_str(), L"r+b");
#else
    return std::fopen(path.c_str(), "r+b");
#endif
}

bool seekTo(std::FILE* file, std::int64_t position) {
#ifdef _WIN32
    return _fseeki64(file, position, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

// offset + shift as a file position; false when it is negative or leaves the 32-bit range.
bool shiftedOffset(std::int32_t offset, std::int16_t shift, std::int64_t& position) {
    position = static_cast<std::int64_t>(offset) + shift;
    return position >= 0 && position <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

Result<std::uint64_t> regularFileSize(const std::string& path) {
    // By path, without opening: identification words an unreadable file as a failed read of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return cannotOpen(path, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return Error{"\"" + path + "\" is not a regular file."};
    }
    return static_cast<std::uint64_t>(st.st_size);
}

Result<std::string> readRange(const std::string& path, std::int32_t offset, std::int16_t count,
                              std::int16_t shift) {
    if (count == 0) {
        return std::string();
    }
    std::int64_t position = 0;
    if (count < 0 || !shiftedOffset(offset, shift, position)) {
        return romNotFound();
    }
    // Only regular files, checked on the open descriptor: a FIFO must never block the window thread.
    const auto file = FileHandle::open(path, FileHandle::Mode::Read);
    if (!file) {
        return romNotFound();
    }
    auto bytes = file->readAt(static_cast<std::uint64_t>(position), static_cast<std::size_t>(count));
    if (!bytes) {
        return romNotFound();
    }
    // A short read is the end of the file: zeros stand for it.
    std::string padded = std::move(bytes).value();
    padded.resize(static_cast<std::size_t>(count), '\0');
    return padded;
}

OpenFile::OpenFile(std::FILE* file, std::string path) : m_file(file), m_path(std::move(path)) {}

OpenFile::~OpenFile() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

Result<std::unique_ptr<OpenFile>> OpenFile::open(const std::string& path) {
    // Only regular files, as for reading.
    if (const auto size = regularFileSize(path); !size) {
        return Error{size.error()};
    }
    std::FILE* file = openForUpdate(path);
    if (file == nullptr) {
        return Error{"The file \"" + path + "\" cannot be opened for writing."};
    }
    return std::unique_ptr<OpenFile>(new OpenFile(file, path));
}

Status OpenFile::write(std::int32_t offset, std::string_view bytes, std::int16_t shift) {
    if (bytes.empty()) {
        return success();
    }
    std::int64_t position = 0;
    if (m_file == nullptr || !shiftedOffset(offset, shift, position)) {
        return Error{"Cannot write to \"" + m_path + "\" at that offset."};
    }
    if (!seekTo(m_file, position) || std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        return Error{"Writing to \"" + m_path + "\" failed."};
    }
    return success();
}

Status OpenFile::close() {
    if (m_file == nullptr) {
        return success();
    }
    const bool flushed = std::fflush(m_file) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!flushed || !closed) {
        return Error{"Writing to \"" + m_path + "\" failed."};
    }
    return success();
}

}  // namespace rq
