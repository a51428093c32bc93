#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq {

// A whole new file (a patch, a patched game file, an exported alphabet) written under a temporary name
// beside its path and renamed over it only by commit(), so that a failure or a cancel leaves no half-made
// file and an older file at the path stays until the end. Writes at the end are buffered; positioned
// writes and reads serve records that land anywhere and copies of bytes already written.
class NewFile {
  public:
    [[nodiscard]] static Result<NewFile> create(const std::string& path);
    NewFile(NewFile&& other) noexcept;
    NewFile& operator=(NewFile&&) = delete;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~NewFile();

    [[nodiscard]] const std::string& path() const { return m_path; }
    // The size written so far.
    [[nodiscard]] std::uint64_t size() const { return m_size; }

    [[nodiscard]] Status append(std::string_view bytes);
    // Past the end, the file grows and the gap reads as zero bytes.
    [[nodiscard]] Status writeAt(std::uint64_t offset, std::string_view bytes);
    [[nodiscard]] Result<std::string> readAt(std::uint64_t offset, std::size_t count);
    [[nodiscard]] Status resize(std::uint64_t size);

    // Flushes the file to the disk, renames it over the path and flushes the folder.
    [[nodiscard]] Status commit();

  private:
    NewFile(int fd, std::string path, std::string temporary);
    [[nodiscard]] Status flush();
    // Writes bytes that end at m_size.
    [[nodiscard]] Status writeAtEnd(std::string_view bytes);
    [[nodiscard]] Error failed(int error) const;

    int m_fd = -1;
    std::string m_path;
    std::string m_temporary;
    std::string m_buffer;  // the bytes at the end, not yet written
    std::uint64_t m_size = 0;
    bool m_committed = false;
};

// The folder's entry for a new or removed file reaches the disk only when the folder itself is flushed.
void syncFolderOf(const std::string& path);

}  // namespace rq
