// The file services' system calls on Windows: wide paths from UTF-8, share modes that let other programs
// read and write as on POSIX, handles wrapped in C runtime descriptors. Error numbers are GetLastError()
// codes.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "files/common.h"
#include "files/filehandle.h"
#include "files/platform.h"

namespace rq::files {

std::string systemReason(int error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason;
    if (length > 0) {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        reason.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), reason.data(), size, nullptr,
                            nullptr);
    }
    LocalFree(text);
    // The system's texts end in ".\r\n"; messages here add their own full stop.
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason.empty() ? "error " + std::to_string(error) : reason;
}

std::filesystem::path fsPath(std::string_view utf8) {
    // The library's own conversion throws on bytes that are not UTF-8; a name with a replacement character
    // is simply not found.
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return std::filesystem::path(std::move(wide));
}

std::string pathText(const std::filesystem::path& path) {
    // As in fsPath: a name that is not valid UTF-16 gets a replacement character rather than an exception.
    const std::wstring& wide = path.native();
    const int size = static_cast<int>(wide.size());
    std::string text(static_cast<std::size_t>(
                         WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), static_cast<int>(text.size()), nullptr,
                        nullptr);
    return text;
}

namespace platform {
namespace {

// One transfer is at most this, so that its size fits the DWORD the calls take.
constexpr std::size_t kMostAtOnce = 1u << 30;

// Saves lock one byte far past the end of any game file: a lock on Windows is mandatory and would otherwise
// stop every other reader of the locked bytes, where POSIX's advisory lock stops only other saves.
constexpr std::uint64_t kLockOffset = 0x7FFFFFFF00000000ull;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int lastError() {
    return static_cast<int>(GetLastError());
}

HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The handle as a C runtime descriptor, which owns it from then on.
int wrap(HANDLE handle, int flags, int& fd) {
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        CloseHandle(handle);
        return ERROR_TOO_MANY_OPEN_FILES;
    }
    return 0;
}

// A new file, never one that is there, as a descriptor; removed again when it cannot be wrapped.
int createWrapped(const std::string& path, DWORD access, DWORD share, int flags, int& fd) {
    fd = -1;
    HANDLE handle =
        CreateFileW(fsPath(path).c_str(), access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    const int error = wrap(handle, flags, fd);
    if (error != 0) {
        DeleteFileW(fsPath(path).c_str());
    }
    return error;
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

// The final name of an open handle, as the system gives it ("\\?\C:\...", "\\?\UNC\server\share\...").
std::optional<std::wstring> finalName(HANDLE handle) {
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= buffer.size()) {
        return std::nullopt;
    }
    return std::wstring(buffer.data(), n);
}

std::uint64_t ticksOf(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace
}  // namespace platform

std::string resolvedPath(const std::string& path) {
    HANDLE handle = CreateFileW(fsPath(path).c_str(), 0, platform::kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return path;
    }
    auto name = platform::finalName(handle);
    CloseHandle(handle);
    if (!name) {
        return path;
    }
    if (name->starts_with(L"\\\\?\\UNC\\")) {
        *name = L"\\\\" + name->substr(8);
    } else if (name->starts_with(L"\\\\?\\")) {
        *name = name->substr(4);
    }
    return pathText(std::filesystem::path(*name));
}

namespace platform {

bool isNotFound(int error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool isBadName(int error) {
    return error == ERROR_INVALID_NAME;
}

bool isInUse(int error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool isAlreadyThere(int error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

bool isLockHeld(int error) {
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
}

int diskFullError() {
    return ERROR_DISK_FULL;
}

std::string executableFolder() {
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return pathText(std::filesystem::path(std::wstring(buffer.data(), n)).parent_path());
}

int openRegular(const std::string& path, bool update, int& fd, std::uint64_t& size) {
    fd = -1;
    const auto name = fsPath(path);
    HANDLE handle = CreateFileW(name.c_str(), update ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, kShareAll,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const int error = lastError();
        // A folder cannot be opened this way at all; say what it is, as on POSIX.
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return kNotRegularFile;
        }
        return error;
    }
    // A device (CON, NUL, a COM port) opens like a file: only files on a disk are taken.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return kNotRegularFile;
    }
    if (const int error = wrap(handle, update ? _O_RDWR : _O_RDONLY, fd); error != 0) {
        return error;
    }
    if (const int error = fileSize(fd, size); error != 0) {
        _close(std::exchange(fd, -1));
        return error;
    }
    return 0;
}

int createNew(const std::string& path, int& fd) {
    return createWrapped(path, GENERIC_WRITE, 0, _O_WRONLY, fd);
}

int closeFile(int fd) {
    return _close(fd) == 0 ? 0 : ERROR_WRITE_FAULT;
}

int duplicate(int fd, int& copy) {
    copy = _dup(fd);
    return copy >= 0 ? 0 : ERROR_INVALID_HANDLE;
}

int fileSize(int fd, std::uint64_t& size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(handleOf(fd), &value)) {
        return lastError();
    }
    size = static_cast<std::uint64_t>(value.QuadPart);
    return 0;
}

int fileIdentity(int fd, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handleOf(fd), &info)) {
        return lastError();
    }
    identity = FileIdentity{info.dwVolumeSerialNumber,
                            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                            info.nNumberOfLinks};
    return 0;
}

int readAt(int fd, std::uint64_t offset, char* out, std::size_t count, std::size_t& got) {
    for (got = 0; got < count;) {
        OVERLAPPED where = at(offset + got);
        DWORD n = 0;
        const auto part = static_cast<DWORD>(std::min(count - got, kMostAtOnce));
        if (!ReadFile(handleOf(fd), out + got, part, &n, &where)) {
            return GetLastError() == ERROR_HANDLE_EOF ? 0 : lastError();
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return 0;
}

int writeAt(int fd, std::uint64_t offset, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        OVERLAPPED where = at(offset + done);
        DWORD n = 0;
        const auto part = static_cast<DWORD>(std::min(bytes.size() - done, kMostAtOnce));
        if (!WriteFile(handleOf(fd), bytes.data() + done, part, &n, &where)) {
            return lastError();
        }
        if (n == 0) {
            return ERROR_WRITE_FAULT;
        }
        done += n;
    }
    return 0;
}

int setFileSize(int fd, std::uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return SetFileInformationByHandle(handleOf(fd), FileEndOfFileInfo, &end, sizeof end) ? 0 : lastError();
}

int flushFile(int fd) {
    return FlushFileBuffers(handleOf(fd)) ? 0 : lastError();
}

void startWriteBack(int /*fd*/, std::uint64_t /*offset*/, std::size_t /*count*/) {}

int reserveRange(int /*fd*/, std::uint64_t /*offset*/, std::uint64_t /*length*/) {
    // Rooms lie inside the file, whose clusters Windows allocated when it grew: there is nothing to reserve.
    return 0;
}

int lockFile(int fd) {
    OVERLAPPED where = at(kLockOffset);
    return LockFileEx(handleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)
               ? 0
               : lastError();
}

int fileSizeAt(const std::string& path, std::uint64_t& size) {
    const auto name = fsPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
        return lastError();
    }
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return kNotRegularFile;
    }
    // A file that another program holds without sharing would fail every read as "ROM not found!": say
    // instead that it is in use, with the system's reason.
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (const int error = lastError(); isInUse(error)) {
            return error;
        }
    } else {
        CloseHandle(file);
    }
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return 0;
}

int removeFile(const std::string& path) {
    return DeleteFileW(fsPath(path).c_str()) ? 0 : lastError();
}

// NTFS journals its folders: a rename with MOVEFILE_WRITE_THROUGH is on the disk when it returns.
void syncFolderOf(const std::string& /*path*/) {}

int entryAt(const std::string& path, PathEntry& entry) {
    entry = PathEntry{PathEntry::Kind::Missing, false, path, std::nullopt};
    const auto name = fsPath(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (const int error = lastError(); isNotFound(error)) {
            return 0;
        }
    }
    entry.link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    // Opened without access and through any link: the handle's type tells a file from a device (NUL and
    // CON answer in every folder) or a pipe, and its final name is where a link leads.
    HANDLE handle =
        CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const int error = lastError();
        return entry.link && isNotFound(error) ? 0 : error;
    }
    const DWORD type = GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool folder =
        GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (entry.link) {
        if (const auto final = finalName(handle)) {
            entry.target = pathText(std::filesystem::path(*final));
        }
    }
    CloseHandle(handle);
    using Kind = PathEntry::Kind;
    entry.kind = folder                   ? Kind::Folder
                 : type == FILE_TYPE_CHAR ? Kind::Device
                 : type == FILE_TYPE_PIPE ? Kind::Pipe
                 : type != FILE_TYPE_DISK ? Kind::Other
                                          : Kind::File;
    return 0;
}

int openUnnamed(const std::string& /*folder*/, int& fd) {
    fd = -1;
    return ERROR_NOT_SUPPORTED;
}

int linkUnnamed(int /*fd*/, const std::string& /*name*/) {
    return ERROR_NOT_SUPPORTED;
}

// Held open until it is closed just before the rename: a cleaner's exclusive open fails while it is.
int createHeld(const std::string& name, int& fd) {
    return createWrapped(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, _O_RDWR,
                         fd);
}

int setPermissions(int /*fd*/, unsigned /*mode*/) {
    return 0;
}

int moveOpenFile(int& fd, const std::string& from, const std::string& to) {
    // Closed before the rename: Windows renames no file that is open without FILE_SHARE_DELETE elsewhere.
    if (_close(std::exchange(fd, -1)) != 0) {
        return ERROR_WRITE_FAULT;
    }
    if (!MoveFileExW(fsPath(from).c_str(), fsPath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return lastError();
    }
    return 0;
}

void discardFile(int& fd, std::string& name) {
    if (fd >= 0) {
        _close(std::exchange(fd, -1));
    }
    if (!name.empty()) {
        DeleteFileW(fsPath(std::exchange(name, {})).c_str());
    }
}

// A writer holds its file open without sharing delete access until it closes it just before the rename,
// so a file is taken for stale only when it cannot be held and was not written in the last minute.
void removeStaleFiles(const std::string& folder, const std::function<bool(std::string_view)>& ours) {
    const auto where = fsPath(folder);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((where / L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    constexpr std::uint64_t kMinute = 60ull * 10'000'000;  // in the 100 ns ticks of FILETIME
    do {
        const std::filesystem::path leaf(found.cFileName);
        if (!ours(pathText(leaf)) ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
            ticksOf(now) - ticksOf(found.ftLastWriteTime) < kMinute) {
            continue;
        }
        HANDLE held = CreateFileW((where / leaf).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace platform
}  // namespace rq::files
