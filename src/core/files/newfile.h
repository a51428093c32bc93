#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/result.h"
#include "files/temporaryfile.h"

namespace rq::files {

// A whole new file (a patch, a patched game file, an exported alphabet) written into a temporary file in
// the folder of its path and renamed over it only by commit(), so that a failure, a cancel or a crash
// leaves no half-made file and an older file at the path stays until the end (see temporaryfile.h for
// what a crash may leave and how it is cleared).
//
// What stands at the path is looked at first (placeOfOutput): a folder, a device, a FIFO or a socket is
// refused, never replaced by a regular file; a symbolic link is kept, and the file it leads to is what is
// replaced. A file replaced keeps its permissions; a new one gets what the umask allows.
//
// Writes at the end are buffered; positioned writes and reads serve records that land anywhere and copies
// of bytes already written.
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
    // The bytes still free to it in its folder's file system, or nothing when the system does not say.
    [[nodiscard]] std::optional<std::uint64_t> spaceLeft() const;

    [[nodiscard]] Status append(std::string_view bytes);
    // Past the end, the file grows and the gap reads as zero bytes.
    [[nodiscard]] Status writeAt(std::uint64_t offset, std::string_view bytes);
    [[nodiscard]] Result<std::string> readAt(std::uint64_t offset, std::size_t count);
    [[nodiscard]] Status resize(std::uint64_t size);

    // Flushes the file to the disk, looks again at what stands at the path, renames the file over it (or
    // over the file a link there leads to) and flushes the folder.
    [[nodiscard]] Status commit();

  private:
    NewFile(TemporaryFile file, std::string path, std::string target);
    [[nodiscard]] Status flush();
    // Writes bytes that end at m_size.
    [[nodiscard]] Status writeAtEnd(std::string_view bytes);
    [[nodiscard]] Error failed(int error) const;

    TemporaryFile m_file;
    std::string m_path;    // as given, for messages
    std::string m_target;  // what the rename replaces: the path, or the file a link at it leads to
    std::string m_buffer;  // the bytes at the end, not yet written
    std::uint64_t m_size = 0;
};

}  // namespace rq::files
