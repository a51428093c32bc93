#include "readwritetext.h"

#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>

#include <cerrno>
#endif

#include "files/common.h"
#include "files/filehandle.h"

namespace rq {
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

#ifdef _WIN32
Result<std::uint64_t> regularFileSize(const std::string& path) {
    const auto name = fsPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
        return cannotOpen(path, static_cast<int>(GetLastError()));
    }
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return Error{"\"" + path + "\" is not a regular file."};
    }
    // A file that another program holds without sharing would fail every read as "ROM not found!": say
    // instead that it is in use, with the system's reason.
    HANDLE file =
        CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (const DWORD error = GetLastError();
            error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
            return cannotOpen(path, static_cast<int>(error));
        }
    } else {
        CloseHandle(file);
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
#else
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
#endif

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

}  // namespace rq
