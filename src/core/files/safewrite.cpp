#include "safewrite.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "files/asciitext.h"
#include "files/common.h"
#include "files/filehandle.h"
#include "files/newfile.h"

namespace rq {
namespace {

// The undo file: magic, the game file's size, the room count, each room's offset, length and old bytes,
// then the CRC32 of all that. Little-endian.
constexpr std::string_view kUndoMagic = "RQUNDO1\n";
constexpr std::uint64_t kUndoLimit = 256u << 20;

WriteFaults& faults() {
    static WriteFaults injected;
    return injected;
}

void putNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// Reads a little-endian number at pos; false when the bytes run out.
bool takeNumber(std::string_view in, std::size_t& pos, int bytes, std::uint64_t& value) {
    if (in.size() - pos < static_cast<std::size_t>(bytes)) {
        return false;
    }
    value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[pos + i])) << (8 * i);
    }
    pos += static_cast<std::size_t>(bytes);
    return true;
}

std::uint32_t crcOf(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

struct Undo {
    std::uint64_t gameSize = 0;
    std::vector<RoomWrite> rooms;  // the old bytes
};

std::string encodeUndo(const Undo& undo) {
    std::string out(kUndoMagic);
    putNumber(out, undo.gameSize, 8);
    putNumber(out, undo.rooms.size(), 4);
    for (const auto& room : undo.rooms) {
        putNumber(out, room.offset, 8);
        putNumber(out, room.bytes.size(), 4);
        out += room.bytes;
    }
    putNumber(out, crcOf(out), 4);
    return out;
}

// Nothing when the bytes are not a whole undo file (cut short while it was written).
std::optional<Undo> decodeUndo(std::string_view in) {
    std::size_t pos = kUndoMagic.size();
    std::uint64_t count = 0;
    std::uint64_t crc = 0;
    Undo undo;
    if (in.size() < pos + 4 || in.substr(0, pos) != kUndoMagic || !takeNumber(in, pos, 8, undo.gameSize) ||
        !takeNumber(in, pos, 4, count)) {
        return std::nullopt;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        RoomWrite room;
        std::uint64_t length = 0;
        if (!takeNumber(in, pos, 8, room.offset) || !takeNumber(in, pos, 4, length) ||
            in.size() - pos < length) {
            return std::nullopt;
        }
        room.bytes = std::string(in.substr(pos, length));
        pos += length;
        undo.rooms.push_back(std::move(room));
    }
    const std::size_t body = pos;
    if (!takeNumber(in, pos, 4, crc) || pos != in.size() || crc != crcOf(in.substr(0, body))) {
        return std::nullopt;
    }
    return undo;
}

// The few calls that make and remove whole files. Each gives 0 or the system's error number (errno,
// or GetLastError() on Windows), which systemReason words.
#ifdef _WIN32
constexpr int kDiskFull = ERROR_DISK_FULL;
constexpr int kNotThere = ERROR_FILE_NOT_FOUND;

bool alreadyThere(int error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// A new file (never one that is there), all of bytes, flushed and closed.
int createWritten(const std::string& path, std::string_view bytes) {
    HANDLE file = CreateFileW(fsPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return static_cast<int>(GetLastError());
    }
    int error = 0;
    for (std::size_t done = 0; done < bytes.size() && error == 0;) {
        DWORD n = 0;
        const auto part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (WriteFile(file, bytes.data() + done, part, &n, nullptr) && n > 0) {
            done += n;
        } else {
            error = n == 0 && GetLastError() == 0 ? ERROR_WRITE_FAULT : static_cast<int>(GetLastError());
        }
    }
    if (error == 0 && !FlushFileBuffers(file)) {
        error = static_cast<int>(GetLastError());
    }
    CloseHandle(file);
    return error;
}

int removeFile(const std::string& path) {
    return DeleteFileW(fsPath(path).c_str()) ? 0 : static_cast<int>(GetLastError());
}
#else
constexpr int kDiskFull = ENOSPC;
constexpr int kNotThere = ENOENT;

bool alreadyThere(int error) {
    return error == EEXIST;
}

// A new file (never one that is there), all of bytes, flushed and closed.
int createWritten(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            error = errno;
        }
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

int removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}
#endif

Status writeUndoFile(const std::string& path, std::string_view bytes) {
    if (const int error = createWritten(path, bytes); error != 0) {
        if (!alreadyThere(error)) {
            static_cast<void>(removeFile(path));
        }
        return Error{"The undo file \"" + path + "\" cannot be made: " + systemReason(error) + "."};
    }
    syncFolderOf(path);
    return success();
}

Status removeUndoFile(const std::string& gameFile) {
    const std::string path = undoPath(gameFile);
    if (const int error = removeFile(path); error != 0 && error != kNotThere) {
        return Error{"The undo file \"" + path + "\" cannot be removed: " + systemReason(error) + "."};
    }
    syncFolderOf(path);
    return success();
}

std::string roomBytes(std::uint64_t offset, std::uint64_t length) {
    return "offset 0x" + hexText(offset) + ", " + std::to_string(length) + " bytes";
}

std::string names(std::span<const RoomWrite> rooms) {
    std::string list;
    for (const auto& room : rooms) {
        list += (list.empty() ? "" : ", ") + room.name;
    }
    return list.empty() ? "none" : list;
}

// A write that failed after the undo file was made: what reached the file and how to take it back.
Error failedPartWay(const std::string& gameFile, const Error& cause, std::span<const RoomWrite> rooms,
                    std::size_t written) {
    return Error{cause.message + " Written: " + names(rooms.first(written)) +
                 ". Not written: " + names(rooms.subspan(written)) + ". The bytes these rooms had before " +
                 "this save are kept in \"" + undoPath(gameFile) + "\": load the file again in the " +
                 "launcher, or run romquill-cli recover on it, to put them back."};
}

constexpr std::string_view kNothingWritten = " Nothing was written.";

Result<FileHandle> openLocked(const std::string& gameFile) {
    auto file = FileHandle::open(gameFile, FileHandle::Mode::Update);
    if (!file) {
        return Error{file.error() + std::string(kNothingWritten)};
    }
    FileHandle handle = std::move(file).value();
    if (const auto locked = handle.lockExclusive(); !locked) {
        return locked.failure();
    }
    return handle;
}

}  // namespace

std::string undoPath(const std::string& gameFile) {
    return gameFile + ".romquill-undo";
}

bool hasInterruptedSave(const std::string& gameFile) {
    std::error_code ec;
    return std::filesystem::exists(fsPath(undoPath(gameFile)), ec);
}

void setWriteFaults(WriteFaults injected) {
    faults() = std::move(injected);
}

Status writeRooms(const std::string& gameFile, std::span<const RoomWrite> rooms) {
    auto opened = openLocked(gameFile);
    if (!opened) {
        return opened.failure();
    }
    FileHandle file = std::move(opened).value();
    if (hasInterruptedSave(gameFile)) {
        return Error{"An earlier save of \"" + gameFile + "\" was interrupted; its undo file \"" +
                         undoPath(gameFile) + "\" is still there." + std::string(kNothingWritten) +
                         " Load the file again in the launcher, or run romquill-cli recover on it, first.",
                     ErrorKind::Refusal};
    }
    if (rooms.empty()) {
        return success();
    }
    const std::uint64_t size = file.openedSize();
    Undo undo{size, {}};
    for (const auto& room : rooms) {
        if (room.offset > size || room.bytes.size() > size - room.offset) {
            return Error{sentenceStart(room.name) + " lies past the end of the file (" +
                             roomBytes(room.offset, room.bytes.size()) + "; the file has " +
                             std::to_string(size) + " bytes)." + std::string(kNothingWritten),
                         ErrorKind::Refusal};
        }
    }
    if (faults().afterCheck) {
        faults().afterCheck();
    }
    for (const auto& room : rooms) {
        auto old = file.readAt(room.offset, room.bytes.size());
        if (!old) {
            return Error{old.error() + std::string(kNothingWritten)};
        }
        if (const auto reserved = file.reserve(room.offset, room.bytes.size()); !reserved) {
            return Error{reserved.error() + std::string(kNothingWritten)};
        }
        undo.rooms.push_back(RoomWrite{room.offset, std::move(old).value(), room.name});
    }
    if (const auto kept = writeUndoFile(undoPath(gameFile), encodeUndo(undo)); !kept) {
        return Error{kept.error() + std::string(kNothingWritten)};
    }
    for (std::size_t i = 0; i < rooms.size(); ++i) {
        const RoomWrite& room = rooms[i];
        // Another program may have cut the file short since the check: never write it long again.
        const auto now = file.currentSize();
        if (!now || *now < room.offset + room.bytes.size()) {
            return failedPartWay(gameFile,
                                 now ? Error{"\"" + gameFile + "\" was cut short to " + std::to_string(*now) +
                                             " bytes while it was saved."}
                                     : now.failure(),
                                 rooms, i);
        }
        const bool injected = faults().failingWrite == static_cast<int>(i) + 1;
        const auto written =
            injected
                ? Status(Error{"Writing to \"" + gameFile + "\" failed: " + systemReason(kDiskFull) + "."})
                : file.writeAt(room.offset, room.bytes);
        if (!written) {
            return failedPartWay(gameFile, written.failure(), rooms, i);
        }
    }
    if (const auto flushed = file.sync(); !flushed) {
        return failedPartWay(gameFile, flushed.failure(), rooms, rooms.size());
    }
    return removeUndoFile(gameFile);
}

Result<std::string> recoverInterruptedSave(const std::string& gameFile) {
    const std::string path = undoPath(gameFile);
    auto bytes = readFileBytes(path, kUndoLimit);
    if (!bytes) {
        return bytes.failure();
    }
    auto opened = openLocked(gameFile);
    if (!opened) {
        return opened.failure();
    }
    FileHandle file = std::move(opened).value();
    const auto undo = decodeUndo(*bytes);
    if (!undo) {
        if (const auto removed = removeUndoFile(gameFile); !removed) {
            return removed.failure();
        }
        return "The undo file \"" + path + "\" was incomplete: the save stopped before it changed \"" +
               gameFile + "\", which is as it was. The undo file was removed.";
    }
    if (file.openedSize() != undo->gameSize) {
        return Error{"\"" + gameFile + "\" has " + std::to_string(file.openedSize()) + " bytes, not the " +
                         std::to_string(undo->gameSize) + " it had when the interrupted save began. " +
                         "Nothing was restored; the undo file \"" + path + "\" is kept.",
                     ErrorKind::Refusal};
    }
    for (const auto& room : undo->rooms) {
        if (const auto written = file.writeAt(room.offset, room.bytes); !written) {
            return Error{written.error() + " The undo file \"" + path + "\" is kept; try again."};
        }
    }
    if (const auto flushed = file.sync(); !flushed) {
        return Error{flushed.error() + " The undo file \"" + path + "\" is kept; try again."};
    }
    if (const auto removed = removeUndoFile(gameFile); !removed) {
        return removed.failure();
    }
    return "\"" + gameFile + "\" has the bytes it had before the interrupted save again (" +
           std::to_string(undo->rooms.size()) + " rooms restored).";
}

Status discardInterruptedSave(const std::string& gameFile) {
    return removeUndoFile(gameFile);
}

Status writeNewFile(const std::string& path, std::string_view bytes) {
    auto file = NewFile::create(path);
    if (!file) {
        return file.failure();
    }
    NewFile out = std::move(file).value();
    if (const auto written = out.append(bytes); !written) {
        return written;
    }
    return out.commit();
}

}  // namespace rq
