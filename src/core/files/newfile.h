#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/filehandle.h"
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

    // A reader of what is written so far, as a file of its own, for a command that makes a file only to read
    // it (a game file mended before a patch is applied to it): the file is never committed, has no name
    // anyone else can reach, and is gone with the NewFile. name: what messages call it.
    [[nodiscard]] Result<FileHandle> reader(const std::string& name);

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

// A folder of this run's own in the system's temporary folder, under a name nobody can guess and readable by
// its owner only, so that no one else can put a file or a link where its files go; removed with all it holds
// when it goes. For files that must have names (a copy of standard input that a command reads by name).
class TemporaryFolder {
  public:
    [[nodiscard]] static Result<TemporaryFolder> create();
    TemporaryFolder(TemporaryFolder&& other) noexcept;
    TemporaryFolder& operator=(TemporaryFolder&&) = delete;
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    [[nodiscard]] const std::string& path() const { return m_path; }

  private:
    explicit TemporaryFolder(std::string path) : m_path(std::move(path)) {}
    std::string m_path;
};

}  // namespace rq::files
