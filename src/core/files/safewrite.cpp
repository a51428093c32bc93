#include "safewrite.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

#include "files/asciitext.h"
#include "files/common.h"
#include "files/filehandle.h"
#include "files/newfile.h"
#include "files/platform.h"
#include "files/undofile.h"

namespace rq::files {
namespace {

constexpr std::uint64_t kUndoLimit = 256u << 20;

WriteFaults& faults() {
    static WriteFaults injected;
    return injected;
}

// A new file (never one that is there), all of bytes, flushed and closed; 0 or the system's error number.
int createWritten(const std::string& path, std::string_view bytes) {
    int fd = -1;
    if (const int error = platform::createNew(path, fd); error != 0) {
        return error;
    }
    int error = platform::writeAt(fd, 0, bytes);
    if (error == 0) {
        error = platform::flushFile(fd);
    }
    const int closed = platform::closeFile(fd);
    return error != 0 ? error : closed;
}

Status writeUndoFile(const std::string& path, std::string_view bytes) {
    if (const int error = createWritten(path, bytes); error != 0) {
        if (!platform::isAlreadyThere(error)) {
            static_cast<void>(platform::removeFile(path));
        }
        return Error{"The undo file \"" + path + "\" cannot be made: " + systemReason(error) + "."};
    }
    platform::syncFolderOf(path);
    return success();
}

Status removeUndoFile(const std::string& path) {
    if (const int error = platform::removeFile(path); error != 0 && !platform::isNotFound(error)) {
        return Error{"The undo file \"" + path + "\" cannot be removed: " + systemReason(error) + "."};
    }
    platform::syncFolderOf(path);
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
Error failedPartWay(const std::string& undo, const Error& cause, std::span<const RoomWrite> rooms,
                    std::size_t written) {
    return Error{cause.message + " Written: " + names(rooms.first(written)) +
                 ". Not written: " + names(rooms.subspan(written)) + ". The bytes these rooms had before " +
                 "this save are kept in \"" + undo + "\": load the file again in the " +
                 "launcher, or run romquill-cli recover on it, to put them back."};
}

// Every room inside the allowed ranges, and rooms that overlap agreeing on the bytes they share: a planner
// that forgets a rule of what it may write, or plans two texts into one place, is stopped here.
Status checkRooms(std::span<const RoomWrite> rooms, const SaveGuard& guard) {
    std::vector<FileRange> allowed = guard.allowed;
    std::sort(allowed.begin(), allowed.end(),
              [](const FileRange& a, const FileRange& b) { return a.start < b.start; });
    std::vector<FileRange> merged;
    for (const FileRange& range : allowed) {
        if (!merged.empty() && range.start <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, range.end);
        } else if (range.start < range.end) {
            merged.push_back(range);
        }
    }
    const auto span = [](const RoomWrite& room) {
        return "0x" + hexText(room.offset) + " to 0x" + hexText(room.offset + room.bytes.size() - 1);
    };
    std::vector<const RoomWrite*> byOffset;
    for (const RoomWrite& room : rooms) {
        if (room.bytes.empty()) {
            continue;
        }
        const std::uint64_t end = room.offset + room.bytes.size();
        const auto after =
            std::upper_bound(merged.begin(), merged.end(), room.offset,
                             [](std::uint64_t at, const FileRange& r) { return at < r.start; });
        if (after == merged.begin() || std::prev(after)->end < end || end < room.offset) {
            return refused(sentenceStart(room.name) + " would write bytes " + span(room) +
                           ", which lie outside " + guard.allowedName + ".");
        }
        byOffset.push_back(&room);
    }
    std::stable_sort(byOffset.begin(), byOffset.end(),
                     [](const RoomWrite* a, const RoomWrite* b) { return a->offset < b->offset; });
    // Compared with the room that reaches furthest so far, which covers whatever two earlier rooms share.
    const RoomWrite* furthest = nullptr;
    for (const RoomWrite* room : byOffset) {
        if (furthest != nullptr && room->offset < furthest->offset + furthest->bytes.size()) {
            const std::uint64_t from = room->offset;
            const std::uint64_t to =
                std::min(room->offset + room->bytes.size(), furthest->offset + furthest->bytes.size());
            for (std::uint64_t at = from; at < to; ++at) {
                if (room->bytes[at - room->offset] != furthest->bytes[at - furthest->offset]) {
                    return refused(sentenceStart(furthest->name) + " and " + room->name +
                                   " would write different bytes at 0x" + hexText(at) +
                                   ": they share bytes of the file.");
                }
            }
        }
        if (furthest == nullptr ||
            room->offset + room->bytes.size() > furthest->offset + furthest->bytes.size()) {
            furthest = room;
        }
    }
    return success();
}

// Each room as the file now holds it: what was written must be what the disk gives back.
Status readBack(const FileHandle& file, std::span<const RoomWrite> rooms) {
    for (const RoomWrite& room : rooms) {
        const auto read = file.readAt(room.offset, room.bytes.size());
        if (!read) {
            return read.failure();
        }
        if (*read != room.bytes) {
            return Error{sentenceStart(room.name) + " read back other bytes than were written.",
                         ErrorKind::Refusal};
        }
    }
    return success();
}

constexpr std::string_view kNothingDone = " Nothing was done.";

// A game file open and locked, so that no save runs beside it, with its undo file's name.
struct LockedGame {
    FileHandle file;
    FileIdentity identity;
    std::string undoName;             // the name a new undo file gets
    std::optional<std::string> undo;  // the undo file of an interrupted save, if there is one
};

// Saves say that another save holds the lock in the lock's own words, recovery in its own. Discarding
// writes nothing into the file, so a file it may not write is no obstacle.
enum class Purpose { Save, Recovery, Discard };

Result<LockedGame> lockGame(const std::string& gameFile, Purpose purpose) {
    const std::string nothing(purpose == Purpose::Save ? kNothingWritten : kNothingDone);
    auto opened = FileHandle::open(
        gameFile, purpose == Purpose::Discard ? FileHandle::Mode::Read : FileHandle::Mode::Update);
    if (!opened) {
        return Error{opened.error() + nothing};
    }
    FileHandle file = std::move(opened).value();
    if (const auto locked = file.lockExclusive(); !locked) {
        if (purpose != Purpose::Save && locked.failure().kind == ErrorKind::Refusal) {
            return Error{
                "\"" + gameFile +
                    "\": a save of this file is running. Nothing was done; try again when it is done.",
                ErrorKind::Refusal};
        }
        return locked.failure();
    }
    const auto identity = file.identity();
    if (!identity) {
        return Error{identity.error() + nothing};
    }
    // The undo file is named after the resolved path: that name must still lead to the file locked here.
    const std::string resolved = resolvedPath(gameFile);
    if (resolved != gameFile) {
        const auto there = FileHandle::open(resolved, FileHandle::Mode::Read);
        const auto thereIdentity = there ? there->identity() : Result<FileIdentity>(there.failure());
        if (!thereIdentity || !thereIdentity->sameFile(*identity)) {
            return Error{"\"" + gameFile + "\" was replaced while it was opened." + nothing + " Try again."};
        }
    }
    auto [undoName, undo] = findUndoFile(gameFile, resolved, *identity);
    return LockedGame{std::move(file), *identity, std::move(undoName), std::move(undo)};
}

bool isSymlink(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(fsPath(path), ec));
}

}  // namespace

bool hasInterruptedSave(const std::string& gameFile) {
    std::optional<FileIdentity> identity;
    if (const auto file = FileHandle::open(gameFile, FileHandle::Mode::Read)) {
        if (const auto found = file->identity()) {
            identity = *found;
        }
    }
    return findUndoFile(gameFile, resolvedPath(gameFile), identity).interrupted.has_value();
}

void setWriteFaults(WriteFaults injected) {
    faults() = std::move(injected);
}

std::vector<FileRange> rangesOf(std::span<const RoomWrite> rooms) {
    std::vector<FileRange> ranges;
    ranges.reserve(rooms.size());
    for (const RoomWrite& room : rooms) {
        ranges.push_back({room.offset, room.offset + room.bytes.size()});
    }
    return ranges;
}

Status writeRooms(const std::string& gameFile, std::span<const RoomWrite> rooms, const SaveGuard& guard) {
    if (!guard.proof) {
        throw std::logic_error("a save of \"" + gameFile + "\" was given no proof");
    }
    if (const auto fits = checkRooms(rooms, guard); !fits) {
        return fits;
    }
    auto locked = lockGame(gameFile, Purpose::Save);
    if (!locked) {
        return locked.failure();
    }
    auto [file, identity, undoName, interrupted] = std::move(locked).value();
    if (interrupted) {
        return Error{"An earlier save of \"" + gameFile + "\" was interrupted; its undo file \"" +
                         *interrupted + "\" is still there." + std::string(kNothingWritten) +
                         " Load the file again in the launcher, or run romquill-cli recover on it, first.",
                     ErrorKind::Refusal};
    }
    if (rooms.empty()) {
        return success();
    }
    const std::uint64_t size = file.openedSize();
    Undo undo{size, identity, {}};
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
            return nothingWritten(old.failure());
        }
        if (const auto reserved = file.reserve(room.offset, room.bytes.size()); !reserved) {
            return nothingWritten(reserved.failure());
        }
        undo.rooms.push_back(RoomWrite{room.offset, std::move(old).value(), room.name});
    }
    if (const auto kept = writeUndoFile(undoName, encodeUndo(undo)); !kept) {
        return nothingWritten(kept.failure());
    }
    for (std::size_t i = 0; i < rooms.size(); ++i) {
        const RoomWrite& room = rooms[i];
        // Another program may have cut the file short since the check: never write it long again.
        const auto now = file.currentSize();
        if (!now || *now < room.offset + room.bytes.size()) {
            return failedPartWay(undoName,
                                 now ? Error{"\"" + gameFile + "\" was cut short to " + std::to_string(*now) +
                                             " bytes while it was saved."}
                                     : now.failure(),
                                 rooms, i);
        }
        const bool injected = faults().failingWrite == static_cast<int>(i) + 1;
        const auto written = injected ? Status(Error{"Writing to \"" + gameFile + "\" failed: " +
                                                     systemReason(platform::diskFullError()) + "."})
                                      : file.writeAt(room.offset, room.bytes);
        if (!written) {
            return failedPartWay(undoName, written.failure(), rooms, i);
        }
    }
    if (const auto flushed = file.sync(); !flushed) {
        return failedPartWay(undoName, flushed.failure(), rooms, rooms.size());
    }
    if (faults().beforeProof) {
        faults().beforeProof();
    }
    // The readers' proof first, which names an entry; then the bytes themselves, fill bytes among them.
    auto proved = guard.proof();
    if (proved) {
        proved = readBack(file, rooms);
    }
    if (!proved) {
        // Back to what the file held, in the opposite order: the undo file stays until that is done.
        for (auto room = undo.rooms.rbegin(); room != undo.rooms.rend(); ++room) {
            if (const auto restored = file.writeAt(room->offset, room->bytes); !restored) {
                return failedPartWay(undoName, restored.failure(), rooms, rooms.size());
            }
        }
        if (const auto flushed = file.sync(); !flushed) {
            return failedPartWay(undoName, flushed.failure(), rooms, rooms.size());
        }
        if (const auto removed = removeUndoFile(undoName); !removed) {
            return removed;
        }
        return Error{proved.error() + " Every byte was put back.", ErrorKind::Refusal};
    }
    return removeUndoFile(undoName);
}

Result<std::string> recoverInterruptedSave(const std::string& gameFile) {
    // The lock first: an undo file read while a save runs is gone, or stale, by the time it is used.
    auto locked = lockGame(gameFile, Purpose::Recovery);
    if (!locked) {
        return locked.failure();
    }
    auto [file, identity, undoName, interrupted] = std::move(locked).value();
    if (!interrupted) {
        return Error{"\"" + gameFile + "\" has no interrupted save: there is no \"" + undoName + "\".",
                     ErrorKind::Refusal};
    }
    const std::string& path = *interrupted;
    const std::string kept = " Nothing was restored; the undo file \"" + path + "\" is kept.";
    if (isSymlink(path)) {
        return Error{"The undo file \"" + path + "\" is a symbolic link, which no save makes." + kept,
                     ErrorKind::Refusal};
    }
    auto bytes = readFileBytes(path, kUndoLimit);
    if (!bytes) {
        return Error{bytes.error() + kept};
    }
    const auto read = decodeUndo(*bytes);
    if (read.state == UndoContents::State::CutShort) {
        if (const auto removed = removeUndoFile(path); !removed) {
            return removed.failure();
        }
        return "The undo file \"" + path + "\" was incomplete: the save stopped before it changed \"" +
               gameFile + "\", which is as it was. The undo file was removed.";
    }
    if (read.state == UndoContents::State::Damaged) {
        return Error{"The undo file \"" + path + "\" is damaged: " + read.damage + "." + kept,
                     ErrorKind::Refusal};
    }
    const Undo& undo = read.undo;
    if (undo.identity && !undo.identity->sameFile(identity)) {
        return Error{"The undo file \"" + path + "\" was made for another file than the one now at \"" +
                         gameFile + "\" (it was replaced or moved since the save was interrupted)." + kept,
                     ErrorKind::Refusal};
    }
    if (file.openedSize() != undo.gameSize) {
        return Error{"\"" + gameFile + "\" has " + std::to_string(file.openedSize()) + " bytes, not the " +
                         std::to_string(undo.gameSize) + " it had when the interrupted save began." + kept,
                     ErrorKind::Refusal};
    }
    for (const auto& room : undo.rooms) {
        if (const auto written = file.writeAt(room.offset, room.bytes); !written) {
            return Error{written.error() + " The undo file \"" + path + "\" is kept; try again."};
        }
    }
    if (const auto flushed = file.sync(); !flushed) {
        return Error{flushed.error() + " The undo file \"" + path + "\" is kept; try again."};
    }
    if (const auto removed = removeUndoFile(path); !removed) {
        return removed.failure();
    }
    return "\"" + gameFile + "\" has the bytes it had before the interrupted save again (" +
           std::to_string(undo.rooms.size()) + " rooms restored).";
}

Status discardInterruptedSave(const std::string& gameFile) {
    // No save runs on a file that is not there: its undo file is all that is left.
    std::error_code ec;
    if (!std::filesystem::exists(fsPath(gameFile), ec) && !ec) {
        return removeUndoFile(undoPath(gameFile));
    }
    auto locked = lockGame(gameFile, Purpose::Discard);
    if (!locked) {
        return locked.failure();
    }
    return locked->undo ? removeUndoFile(*locked->undo) : success();
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

}  // namespace rq::files
