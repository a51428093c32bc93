#include "undofile.h"

#include <zlib.h>

#include <filesystem>

#include "files/asciitext.h"
#include "files/common.h"

namespace rq::files {
namespace {

// Both formats are little-endian and end with the CRC32 of all bytes before it.
// First: magic, game file size (8), room count (4), then each room's offset (8), length (4) and old bytes.
// Current: magic, the whole undo file's length (8), game file size (8), device (8), file (8), room count
// (4), the CRC32 of those 44 bytes (4), then the rooms as in the first. The length says when a file was
// cut short; the header's own CRC32 makes that length trustworthy.
constexpr std::string_view kMagicFirst = "RQUNDO1\n";
constexpr std::string_view kMagic = "RQUNDO2\n";
constexpr std::size_t kHeadSize = 48;
constexpr std::string_view kSuffix = ".romquill-undo";

using State = UndoContents::State;

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

bool crcMatches(std::string_view in, std::size_t end) {
    std::size_t pos = end;
    std::uint64_t crc = 0;
    return takeNumber(in, pos, 4, crc) && crc == crcOf(in.substr(0, end));
}

UndoContents damaged(std::string why) {
    return {State::Damaged, {}, std::move(why)};
}

// count rooms from pos; false when the bytes run out first.
bool takeRooms(std::string_view in, std::size_t& pos, std::uint64_t count, std::vector<RoomWrite>& rooms) {
    for (std::uint64_t i = 0; i < count; ++i) {
        RoomWrite room;
        std::uint64_t length = 0;
        if (!takeNumber(in, pos, 8, room.offset) || !takeNumber(in, pos, 4, length) ||
            in.size() - pos < length) {
            return false;
        }
        room.bytes = std::string(in.substr(pos, length));
        pos += length;
        rooms.push_back(std::move(room));
    }
    return true;
}

UndoContents decodeFirst(std::string_view in) {
    std::size_t pos = kMagicFirst.size();
    std::uint64_t count = 0;
    UndoContents read{State::Whole, {}, {}};
    if (!takeNumber(in, pos, 8, read.undo.gameSize) || !takeNumber(in, pos, 4, count) ||
        !takeRooms(in, pos, count, read.undo.rooms) || in.size() - pos < 4) {
        return {State::CutShort, {}, {}};
    }
    if (in.size() - pos > 4) {
        return damaged("it goes on past its end");
    }
    return crcMatches(in, pos) ? read : damaged("its bytes do not match their CRC32");
}

UndoContents decodeCurrent(std::string_view in) {
    if (in.size() < kHeadSize) {
        return {State::CutShort, {}, {}};
    }
    std::size_t pos = kMagic.size();
    std::uint64_t length = 0;
    std::uint64_t count = 0;
    FileIdentity identity;
    UndoContents read{State::Whole, {}, {}};
    static_cast<void>(takeNumber(in, pos, 8, length) && takeNumber(in, pos, 8, read.undo.gameSize) &&
                      takeNumber(in, pos, 8, identity.device) && takeNumber(in, pos, 8, identity.file) &&
                      takeNumber(in, pos, 4, count));
    read.undo.identity = identity;
    if (!crcMatches(in, pos)) {
        return damaged("its header does not match its CRC32");
    }
    pos += 4;
    if (length < kHeadSize + 4) {
        return damaged("its header gives it fewer bytes than the header itself has");
    }
    if (in.size() < length) {
        return {State::CutShort, {}, {}};
    }
    if (in.size() > length) {
        return damaged("it goes on past its end");
    }
    if (!crcMatches(in, in.size() - 4)) {
        return damaged("its bytes do not match their CRC32");
    }
    if (!takeRooms(in.substr(0, in.size() - 4), pos, count, read.undo.rooms) || pos != in.size() - 4) {
        return damaged("its rooms do not fill it as its header says");
    }
    return read;
}

bool present(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(fsPath(path), ec));
}

// The identity an undo file of the current format records, from its first bytes.
std::optional<FileIdentity> recordedIdentity(const std::string& path) {
    const auto file = FileHandle::open(path, FileHandle::Mode::Read);
    if (!file) {
        return std::nullopt;
    }
    const auto head = file->readAt(0, kHeadSize);
    if (!head || head->size() < kHeadSize || !head->starts_with(kMagic) ||
        !crcMatches(*head, kHeadSize - 4)) {
        return std::nullopt;
    }
    std::size_t pos = kMagic.size() + 16;
    FileIdentity identity;
    static_cast<void>(takeNumber(*head, pos, 8, identity.device) && takeNumber(*head, pos, 8, identity.file));
    return identity;
}

}  // namespace

std::string encodeUndo(const Undo& undo) {
    std::string out(kMagic);
    std::uint64_t length = kHeadSize + 4;
    for (const auto& room : undo.rooms) {
        length += 12 + room.bytes.size();
    }
    putNumber(out, length, 8);
    putNumber(out, undo.gameSize, 8);
    putNumber(out, undo.identity.value().device, 8);
    putNumber(out, undo.identity.value().file, 8);
    putNumber(out, undo.rooms.size(), 4);
    putNumber(out, crcOf(out), 4);
    for (const auto& room : undo.rooms) {
        putNumber(out, room.offset, 8);
        putNumber(out, room.bytes.size(), 4);
        out += room.bytes;
    }
    putNumber(out, crcOf(out), 4);
    return out;
}

UndoContents decodeUndo(std::string_view bytes) {
    const std::string_view start = bytes.substr(0, kMagic.size());
    UndoContents read;
    if (start == kMagic) {
        read = decodeCurrent(bytes);
    } else if (start == kMagicFirst) {
        read = decodeFirst(bytes);
    } else if (start.size() < kMagic.size() &&
               (kMagic.starts_with(start) || kMagicFirst.starts_with(start))) {
        return {State::CutShort, {}, {}};
    } else {
        return damaged("it does not begin as an undo file does");
    }
    if (read.state != State::Whole) {
        return read;
    }
    // A room outside the file would make it longer: no save writes one, so none is restored.
    for (const auto& room : read.undo.rooms) {
        const std::uint64_t size = read.undo.gameSize;
        if (room.offset > size || room.bytes.size() > size - room.offset) {
            return damaged("a room at offset 0x" + hexText(room.offset) + ", " +
                           std::to_string(room.bytes.size()) + " bytes, lies outside the " +
                           std::to_string(size) + " bytes the file had");
        }
    }
    return read;
}

std::string undoPath(const std::string& gameFile) {
    return resolvedPath(gameFile) + std::string(kSuffix);
}

UndoPlace findUndoFile(const std::string& gameFile, const std::string& resolved,
                       const std::optional<FileIdentity>& identity) {
    UndoPlace place{resolved + std::string(kSuffix), std::nullopt};
    for (const std::string& name : {place.name, gameFile + std::string(kSuffix)}) {
        if (present(name)) {
            place.interrupted = name;
            return place;
        }
    }
    // Hard links are found only beside each other: a file system cannot be searched for every name.
    if (!identity || identity->names < 2) {
        return place;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    for (auto it = fs::directory_iterator(fsPath(resolved).parent_path(), ec);
         !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = pathText(it->path());
        if (name.ends_with(kSuffix) && it->is_regular_file(ec)) {
            if (const auto recorded = recordedIdentity(name); recorded && recorded->sameFile(*identity)) {
                place.interrupted = name;
                return place;
            }
        }
    }
    return place;
}

}  // namespace rq::files
