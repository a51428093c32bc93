#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rq::files {

struct FileIdentity;

// The system calls of the file services, for this folder's sources only: platform_posix.cpp and
// platform_windows.cpp hold them (with systemReason, fsPath, pathText and resolvedPath, declared where their
// callers find them), so that no other source here tells the systems apart.
//
// A file is an int on both systems: a descriptor, or on Windows a C runtime descriptor that wraps the handle
// CreateFileW gave. The calls give 0 or the system's error number (errno, or a GetLastError() code on
// Windows), which systemReason words.
namespace platform {

// No system's error number: what stands at the path is no regular file (a folder, a device, a FIFO).
inline constexpr int kNotRegularFile = -1;

// What an error number means where the callers decide differently.
[[nodiscard]] bool isNotFound(int error);      // nothing at the path, or no folder on the way to it
[[nodiscard]] bool isBadName(int error);       // Windows: a name no file can have
[[nodiscard]] bool isInUse(int error);         // Windows: another program holds the file without sharing it
[[nodiscard]] bool isAlreadyThere(int error);  // a new file's name is taken
[[nodiscard]] bool isLockHeld(int error);      // lockFile: another descriptor holds the lock
[[nodiscard]] int diskFullError();

// The folder of the running executable (UTF-8).
[[nodiscard]] std::string executableFolder();

// An existing regular file, opened without ever blocking (a FIFO would wait for a writer), for reading or
// for reading and writing in place; its size as opened. kNotRegularFile for anything else.
[[nodiscard]] int openRegular(const std::string& path, bool update, int& fd, std::uint64_t& size);
// A new file for writing, never one that is there (on Windows, shared with no other program while open).
[[nodiscard]] int createNew(const std::string& path, int& fd);
[[nodiscard]] int closeFile(int fd);
// A second descriptor of the same open file, closed on its own.
[[nodiscard]] int duplicate(int fd, int& copy);

[[nodiscard]] int fileSize(int fd, std::uint64_t& size);
[[nodiscard]] int fileIdentity(int fd, FileIdentity& identity);
// Up to count bytes at offset; got says how many (fewer only at the end of the file).
[[nodiscard]] int readAt(int fd, std::uint64_t offset, char* out, std::size_t count, std::size_t& got);
// All of the bytes at offset; past the end the file grows.
[[nodiscard]] int writeAt(int fd, std::uint64_t offset, std::string_view bytes);
[[nodiscard]] int setFileSize(int fd, std::uint64_t size);
// Everything written so far on the disk itself.
[[nodiscard]] int flushFile(int fd);
// Starts the disk on bytes written, so that a later flush has less to wait for; where the system can.
void startWriteBack(int fd, std::uint64_t offset, std::size_t count);
// Disk blocks for a range inside the file, where the file system can give them ahead.
[[nodiscard]] int reserveRange(int fd, std::uint64_t offset, std::uint64_t length);
// Exclusive and refused at once when held (isLockHeld); advisory on POSIX, so it stops only other saves.
[[nodiscard]] int lockFile(int fd);

// The size of a regular file, looked up by its path; kNotRegularFile for anything else.
[[nodiscard]] int fileSizeAt(const std::string& path, std::uint64_t& size);
[[nodiscard]] int removeFile(const std::string& path);
// The folder's entry for a new or removed file reaches the disk only when the folder itself is flushed.
void syncFolderOf(const std::string& path);

// What stands at a path, a symbolic link there followed. Missing with link: a link that leads nowhere.
struct PathEntry {
    enum class Kind { Missing, File, Folder, Device, Fifo, Pipe, Socket, Other };
    Kind kind = Kind::Missing;
    bool link = false;             // the path itself is a symbolic link
    std::string target;            // the path, or the file its link leads to
    std::optional<unsigned> mode;  // POSIX: a file's permission bits
};
[[nodiscard]] int entryAt(const std::string& path, PathEntry& entry);

// For the temporary files of new files (temporaryfile.cpp):
// A file without a name in folder, locked against cleaners; not supported everywhere.
[[nodiscard]] int openUnnamed(const std::string& folder, int& fd);
// Gives an unnamed file the name, which must be new.
[[nodiscard]] int linkUnnamed(int fd, const std::string& name);
// A new file at name, held so that no cleaner takes it for stale; isAlreadyThere when the name is taken.
[[nodiscard]] int createHeld(const std::string& name, int& fd);
[[nodiscard]] int setPermissions(int fd, unsigned mode);
// Renames the open file over to and closes it (on POSIX after the rename, so that it stays locked
// throughout; Windows renames no file open here). On failure fd may be closed already.
[[nodiscard]] int moveOpenFile(int& fd, const std::string& from, const std::string& to);
// Closes fd and removes the file at name, where either is still there.
void discardFile(int& fd, std::string& name);
// Removes the files in folder whose names ours accepts and that no process holds (on Windows, also none
// written in the last minute): the leftovers of writers that died.
void removeStaleFiles(const std::string& folder, const std::function<bool(std::string_view)>& ours);

}  // namespace platform
}  // namespace rq::files
