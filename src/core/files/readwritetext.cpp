#include "readwritetext.h"

#include <limits>

#include "files/filehandle.h"
#include "files/platform.h"

namespace rq::files {
namespace {

Error romNotFound() {
    return Error{std::string(kRomNotFound)};
}

// offset + shift as a file position; false when it is negative or leaves the 32-bit range.
bool shiftedOffset(std::int32_t offset, std::int16_t shift, std::int64_t& position) {
    position = static_cast<std::int64_t>(offset) + shift;
    return position >= 0 && position <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

Result<std::uint64_t> regularFileSize(const std::string& path) {
    // By path, without reading: identification words an unreadable file as a failed read of its own.
    std::uint64_t size = 0;
    if (const int error = platform::fileSizeAt(path, size); error != 0) {
        if (error == platform::kNotRegularFile) {
            return Error{"\"" + path + "\" is not a regular file."};
        }
        return cannotOpen(path, error);
    }
    return size;
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

}  // namespace rq::files
