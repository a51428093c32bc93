#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq::files {

// The system's own words for an error number ("No such file or directory"): errno, or on Windows a
// GetLastError() code.
[[nodiscard]] std::string systemReason(int error);

// Why a path cannot be opened: "does not exist" for a missing file, else the system's reason.
[[nodiscard]] Error cannotOpen(const std::string& path, int error);

// What tells a file from every other whatever name it is reached by: the device and inode, or on Windows
// the volume's serial number and the file index. names counts its hard links and is no part of it.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t names = 1;

    [[nodiscard]] bool sameFile(const FileIdentity& other) const {
        return device == other.device && file == other.file;
    }
};

// A regular file opened without ever blocking: a FIFO, a device or a folder is refused on the open
// descriptor, so nothing can be swapped in between a check and the open. Errors name the path and the
// system's reason.
class FileHandle {
  public:
    enum class Mode { Read, Update };  // Update: read and write in place, never created or truncated

    [[nodiscard]] static Result<FileHandle> open(const std::string& path, Mode mode);
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    [[nodiscard]] const std::string& path() const { return m_path; }

    // The size seen on the descriptor when it was opened, and the size now.
    [[nodiscard]] std::uint64_t openedSize() const { return m_openedSize; }
    [[nodiscard]] Result<std::uint64_t> currentSize() const;
    [[nodiscard]] Result<FileIdentity> identity() const;

    // Up to count bytes at offset; fewer only at the end of the file.
    [[nodiscard]] Result<std::string> readAt(std::uint64_t offset, std::size_t count) const;
    // The same into memory the caller keeps, for reads in a loop: the bytes read.
    [[nodiscard]] Result<std::size_t> readInto(std::uint64_t offset, char* data, std::size_t count) const;

    // All of the bytes at offset, or an error naming the system's reason.
    [[nodiscard]] Status writeAt(std::uint64_t offset, std::string_view bytes);

    // Advisory and exclusive, released when the handle closes; refused at once when another holds it.
    [[nodiscard]] Status lockExclusive();

    // Disk blocks for a range inside the file, so that a full disk is found before anything is written.
    [[nodiscard]] Status reserve(std::uint64_t offset, std::uint64_t length);

    // Everything written so far on the disk itself.
    [[nodiscard]] Status sync();

  private:
    friend class NewFile;  // hands out a reader of a file still being made
    FileHandle(int fd, std::string path, std::uint64_t size);
    [[nodiscard]] Error failed(std::string_view what, int error) const;

    int m_fd = -1;
    std::string m_path;
    std::uint64_t m_openedSize = 0;
};

// The whole of a small file (an INI file, a JSON input), refused when it is not a regular file or has more
// than limit bytes: a stray device or a huge file must cost neither a hang nor the machine's memory.
[[nodiscard]] Result<std::string> readFileBytes(const std::string& path, std::uint64_t limit);

}  // namespace rq::files
