#include "cutscenerooms.h"

#include <array>
#include <utility>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/readwritetext.h"

namespace rq::cutscenes {
namespace {

constexpr std::int32_t kMarkerOffset = 0x3C;
constexpr std::int16_t kShiftE = 16;

// Sonic's subtitles by box, the Tikal texts, the playable-character messages; layout as the window shows it.
constexpr std::array kRooms = {
    Room{Group::Sonic, 0, 0x47B0C5, 0, 29, 1, false, 360},
    Room{Group::Sonic, 1, 0x47B0B9, 0, 10, 1, false, 720},
    Room{Group::Sonic, 2, 0x4727A1, 0, 30, 1, false, 1080},
    Room{Group::Sonic, 3, 0x472789, 0, 19, 1, false, 1440},
    Room{Group::Sonic, 4, 0x47275D, 0, 20, 1, false, 1800},
    Room{Group::Sonic, 5, 0x472775, 0, 15, 1, false, 2160},
    Room{Group::Sonic, 6, 0x472739, 0, 9, 1, false, 2520},
    Room{Group::Sonic, 7, 0x4726F1, 0, 29, 1, false, 3600},
    Room{Group::Sonic, 8, 0x472743, 0, 24, 1, false, 2880},
    Room{Group::Sonic, 9, 0x472711, 0, 36, 1, false, 3240},
    Room{Group::Sonic, 10, 0x47AF91, 0, 23, 2, false, 240},
    Room{Group::Sonic, 11, 0x47AFA9, 0, 15, 2, false, 600},
    Room{Group::Sonic, 12, 0x47AF51, 0, 26, 2, false, 960},
    Room{Group::Sonic, 13, 0x47AF6C, 0, 35, 2, false, 1320},
    Room{Group::Sonic, 14, 0x47AF29, 0, 33, 2, false, 1680},
    Room{Group::Sonic, 15, 0x45165D, 0, 4, 2, false, 2040},
    Room{Group::Sonic, 16, 0x47ABB9, 0, 12, 2, false, 2400},
    Room{Group::Sonic, 17, 0x47AB8D, 0, 13, 2, false, 2760},
    Room{Group::Sonic, 18, 0x47AB9B, 0, 26, 2, false, 3120},
    Room{Group::Sonic, 19, 0x47AB81, 0, 8, 2, false, 3480},
    Room{Group::Sonic, 20, 0x47AB61, 0, 28, 2, false, 3840},
    Room{Group::Sonic, 21, 0x47A801, 0, 12, 3, false, 240},
    Room{Group::Sonic, 22, 0x47A80E, 0, 22, 3, false, 600},
    Room{Group::Sonic, 23, 0x47A7E5, 0, 26, 3, false, 960},
    Room{Group::Sonic, 24, 0x47A7CD, 0, 22, 3, false, 1320},
    Room{Group::Sonic, 25, 0x47A795, 0, 27, 3, false, 1680},
    Room{Group::Sonic, 26, 0x47A7B1, 0, 24, 3, false, 2040},
    Room{Group::Sonic, 27, 0x47A755, 0, 26, 3, false, 2400},
    Room{Group::Sonic, 28, 0x47A770, 0, 34, 3, false, 2760},
    Room{Group::Sonic, 29, 0x47A731, 0, 32, 3, false, 3120},
    Room{Group::Sonic, 30, 0x47A705, 0, 27, 3, false, 3480},
    Room{Group::Sonic, 31, 0x47A721, 0, 12, 3, false, 3840},
    Room{Group::Sonic, 32, 0x47A6C9, 0, 31, 3, false, 4200},
    Room{Group::Sonic, 33, 0x47A6E9, 0, 23, 3, false, 4560},
    Room{Group::Sonic, 34, 0x47A6BD, 0, 9, 3, false, 4920},
    Room{Group::Sonic, 35, 0x47A6A1, 0, 8, 3, false, 5280},
    Room{Group::Sonic, 36, 0x47A6AA, 0, 16, 3, true, 240},
    Room{Group::Sonic, 37, 0x47A669, 0, 29, 3, true, 600},
    Room{Group::Sonic, 38, 0x47A687, 0, 21, 3, true, 960},
    Room{Group::Sonic, 39, 0x47A645, 0, 31, 3, true, 1320},
    Room{Group::Sonic, 40, 0x47A615, 0, 33, 3, true, 1680},
    Room{Group::Sonic, 41, 0x47A637, 0, 10, 3, true, 2040},
    Room{Group::Sonic, 42, 0x47A5D1, 0, 29, 3, true, 2400},
    Room{Group::Sonic, 43, 0x47A5EF, 0, 33, 3, true, 2760},
    Room{Group::Sonic, 44, 0x47A5A1, 0, 23, 3, true, 3120},
    Room{Group::Sonic, 45, 0x47A5B9, 0, 19, 3, true, 3480},
    Room{Group::Sonic, 46, 0x47A575, 0, 29, 3, true, 3840},
    Room{Group::Sonic, 47, 0x47A594, 0, 9, 3, true, 4200},
    Room{Group::Sonic, 48, 0x47A539, 0, 25, 3, true, 4560},
    Room{Group::Sonic, 49, 0x47A556, 0, 28, 3, true, 4920},
    Room{Group::Sonic, 50, 0x46DF41, 0, 9, 3, true, 5280},
    Room{Group::Sonic, 51, 0x479B85, 0, 14, 4, false, 240},
    Room{Group::Sonic, 52, 0x479B94, 0, 18, 4, false, 600},
    Room{Group::Sonic, 53, 0x479B61, 0, 8, 4, false, 960},
    Room{Group::Sonic, 54, 0x479B6A, 0, 25, 4, false, 1320},
    Room{Group::Sonic, 55, 0x470F3D, 0, 8, 4, false, 1680},
    Room{Group::Sonic, 56, 0x470F29, 0, 18, 4, false, 2040},
    Room{Group::Sonic, 57, 0x479B31, 0, 31, 4, false, 2400},
    Room{Group::Sonic, 58, 0x479B51, 0, 13, 4, false, 2760},
    Room{Group::Sonic, 59, 0x479B15, 0, 25, 4, false, 3120},
    Room{Group::Sonic, 60, 0x479AD1, 0, 32, 4, false, 3480},
    Room{Group::Sonic, 61, 0x479AF2, 0, 31, 4, true, 240},
    Room{Group::Sonic, 62, 0x479A9D, 0, 28, 4, true, 600},
    Room{Group::Sonic, 63, 0x479ABA, 0, 19, 4, true, 960},
    Room{Group::Sonic, 64, 0x479A79, 0, 33, 4, true, 1320},
    Room{Group::Sonic, 65, 0x479A55, 0, 24, 4, true, 1680},
    Room{Group::Sonic, 66, 0x479A6E, 0, 8, 4, true, 2040},
    Room{Group::Sonic, 67, 0x479A35, 0, 8, 4, true, 2400},
    Room{Group::Sonic, 68, 0x479A3E, 0, 19, 4, true, 2760},
    Room{Group::Sonic, 69, 0x4799F9, 0, 31, 4, true, 3120},
    Room{Group::Sonic, 70, 0x479A19, 0, 25, 4, true, 3480},
    Room{Group::Sonic, 71, 0x479339, 0, 26, 5, false, 240},
    Room{Group::Sonic, 72, 0x479331, 0, 4, 5, false, 600},
    Room{Group::Sonic, 73, 0x479311, 0, 27, 5, false, 960},
    Room{Group::Sonic, 74, 0x479309, 0, 6, 5, false, 1320},
    Room{Group::Sonic, 75, 0x4792E5, 0, 34, 5, false, 1680},
    Room{Group::Sonic, 76, 0x4792CD, 0, 22, 5, false, 2040},
    Room{Group::Sonic, 77, 0x479291, 0, 26, 5, false, 2400},
    Room{Group::Sonic, 78, 0x4792AC, 0, 28, 5, false, 2760},
    Room{Group::Sonic, 79, 0x4749F9, 0, 15, 5, false, 3120},
    Room{Group::Sonic, 80, 0x479251, 0, 33, 5, false, 3480},
    Room{Group::Sonic, 81, 0x479273, 0, 27, 5, false, 3840},
    Room{Group::Sonic, 82, 0x479219, 0, 28, 5, false, 4200},
    Room{Group::Sonic, 83, 0x479236, 0, 20, 5, false, 4560},
    Room{Group::Sonic, 84, 0x479205, 0, 16, 5, false, 4920},
    Room{Group::Sonic, 85, 0x4791D9, 0, 23, 5, false, 5280},
    Room{Group::Sonic, 86, 0x4791F2, 0, 15, 5, true, 240},
    Room{Group::Sonic, 87, 0x479199, 0, 29, 5, true, 600},
    Room{Group::Sonic, 88, 0x4791B7, 0, 32, 5, true, 960},
    Room{Group::Sonic, 89, 0x479179, 0, 25, 5, true, 1320},
    Room{Group::Sonic, 90, 0x47913D, 0, 28, 5, true, 1680},
    Room{Group::Sonic, 91, 0x47915A, 0, 26, 5, true, 2040},
    Room{Group::Sonic, 92, 0x46A341, 0, 6, 5, true, 2400},
    Room{Group::Sonic, 93, 0x479109, 0, 26, 5, true, 2760},
    Room{Group::Sonic, 94, 0x479124, 0, 20, 5, true, 3120},
    Room{Group::Sonic, 95, 0x4790F9, 0, 14, 5, true, 3480},
    Room{Group::Sonic, 96, 0x4790BD, 0, 22, 5, true, 3840},
    Room{Group::Sonic, 97, 0x4790D5, 0, 34, 5, true, 4200},
    Room{Group::Sonic, 98, 0x479081, 0, 33, 5, true, 4560},
    Room{Group::Sonic, 99, 0x4790A3, 0, 24, 5, true, 4920},
    Room{Group::Tikal, 0, 0x3E8B0D, 0, 20, 0, false, 240},
    Room{Group::Tikal, 1, 0x3E8B22, 0, 35, 0, false, 600},
    Room{Group::Tikal, 2, 0x3E8AD1, 0, 36, 0, false, 960},
    Room{Group::Tikal, 3, 0x3E8AF6, 0, 20, 0, false, 1320},
    Room{Group::PlayAs, 1, 0x3E04ED, 0x3E050D, 29, 0, false, 240},
    Room{Group::PlayAs, 2, 0x3E0455, 0x3E0475, 29, 0, false, 600},
    Room{Group::PlayAs, 3, 0x3E03B5, 0x3E03D5, 32, 0, false, 960},
    Room{Group::PlayAs, 4, 0x3E0315, 0x3E0335, 27, 0, false, 1320},
    Room{Group::PlayAs, 5, 0x3E0289, 0x3E02A9, 28, 0, false, 1680},
    Room{Group::PlayAs, 6, 0x3E01F1, 0x3E0211, 27, 0, false, 2040},
};

}  // namespace

std::span<const Room> rooms() {
    return kRooms;
}

std::string roomKey(const Room& room) {
    switch (room.group) {
        case Group::Sonic:
            return "sonic[" + std::to_string(room.index) + "]";
        case Group::Tikal:
            return "tikaltxt[" + std::to_string(room.index) + "]";
        case Group::PlayAs:
            break;
    }
    return "playas" + std::to_string(room.index);
}

int roomLine(const Room& room) {
    int line = 1;
    for (const Room& other : kRooms) {
        const bool sameFrame = other.group == room.group && other.cutscene == room.cutscene;
        if (sameFrame && std::pair(other.rightColumn, other.top) < std::pair(room.rightColumn, room.top)) {
            ++line;
        }
    }
    return line;
}

std::string roomName(const Room& room) {
    const std::string line = ", line " + std::to_string(roomLine(room));
    switch (room.group) {
        case Group::Sonic:
            return "Cutscene " + std::to_string(room.cutscene) + line;
        case Group::Tikal:
            return "Tikal Text" + line;
        case Group::PlayAs:
            break;
    }
    return "Now You Can Play With..." + line;
}

std::optional<std::size_t> findRoom(std::string_view key) {
    for (std::size_t i = 0; i < kRooms.size(); ++i) {
        if (roomKey(kRooms[i]) == key) {
            return i;
        }
    }
    return std::nullopt;
}

Edition readEdition(const std::string& path) {
    const auto marker = files::readRange(path, kMarkerOffset, 1, 0);
    if (!marker) {
        return Edition::None;
    }
    return *marker == "0" ? Edition::E : *marker == "(" ? Edition::J : Edition::None;
}

Status checkCutsceneFile(const std::string& path) {
    const auto start = files::readRange(path, 0, 2, 0);
    const auto marker = files::readRange(path, kMarkerOffset, 1, 0);
    if (!start || !marker) {
        return Error{std::string(files::kRomNotFound)};
    }
    if (*start != "MZ") {
        return refused("\"" + path +
                       "\" is not a PC executable (it does not start with \"MZ\"), so it holds no " +
                       "cutscene texts.");
    }
    if (readEdition(path) == Edition::None) {
        return refused("\"" + path +
                       "\" is neither the (E) nor the (J) edition of the game (its byte at 0x3C is 0x" +
                       files::hexText(static_cast<std::uint8_t>(marker->front()), 2) +
                       "), so the places of its texts are not known.");
    }
    return success();
}

std::string_view editionName(Edition edition) {
    return edition == Edition::E ? "E" : edition == Edition::J ? "J" : "";
}

std::optional<std::int64_t> fileOffset(const Room& room, Edition edition) {
    const std::int64_t shift = edition == Edition::E ? kShiftE : 0;
    if (room.group != Group::PlayAs) {
        return room.offset + shift;
    }
    if (edition == Edition::None) {
        return std::nullopt;
    }
    return (edition == Edition::E ? room.offset : room.offsetJ) + shift;
}

CutsceneTexts readCutsceneTexts(const std::string& path) {
    CutsceneTexts result;
    result.edition = readEdition(path);
    result.texts.reserve(kRooms.size());
    for (const Room& room : kRooms) {
        const auto offset = fileOffset(room, result.edition);
        if (!offset) {
            result.texts.emplace_back();
            continue;
        }
        const auto bytes = files::readRange(path, static_cast<std::int32_t>(*offset), room.size, 0);
        result.readFailed = result.readFailed || !bytes;
        const std::string_view shown = bytes ? std::string_view(*bytes) : std::string_view();
        result.texts.emplace_back(files::bytesToUtf8(shown.substr(0, shown.find('\0'))));
    }
    return result;
}

std::vector<CutsceneEdit> changedRooms(std::span<const std::optional<std::string>> before,
                                       std::span<const std::optional<std::string>> after) {
    std::vector<CutsceneEdit> edits;
    for (std::size_t i = 0; i < after.size() && i < kRooms.size(); ++i) {
        if (!after[i]) {
            continue;
        }
        const int size = kRooms[i].size;
        const bool read = i < before.size() && before[i].has_value();
        if (!read || files::textChanged(*before[i], *after[i], size)) {
            edits.push_back(CutsceneEdit{i, *after[i]});
        }
    }
    return edits;
}

Result<std::vector<files::RoomWrite>> planCutsceneSave(Edition edition, std::span<const CutsceneEdit> edits) {
    std::vector<files::RoomWrite> writes;
    writes.reserve(edits.size());
    for (const CutsceneEdit& edit : edits) {
        const Room& room = kRooms.at(edit.room);
        const std::string name = roomName(room);
        const auto offset = fileOffset(room, edition);
        if (!offset) {
            return refused(name + " has no place in a file that names neither edition.");
        }
        const std::size_t length = files::characterCount(edit.text);
        if (length > static_cast<std::size_t>(room.size)) {
            return refused(name + " has room for " + std::to_string(room.size) + " characters, not the " +
                           std::to_string(length) + " of its new text.");
        }
        auto bytes = files::utf8ToBytes(files::padToLimit(edit.text, room.size));
        if (!bytes) {
            return refused(name + ": " + bytes.error());
        }
        writes.push_back(
            files::RoomWrite{static_cast<std::uint64_t>(*offset), std::move(bytes).value(), name});
    }
    return writes;
}

Status saveCutsceneTexts(const std::string& path, Edition edition, std::span<const CutsceneEdit> edits) {
    const auto writes = planCutsceneSave(edition, edits);
    if (!writes) {
        return writes.failure();
    }
    // Read back as the editor reads them: each edited room its edit, every other room as it was.
    std::vector<std::optional<std::string>> expected = readCutsceneTexts(path).texts;
    for (const CutsceneEdit& edit : edits) {
        expected.at(edit.room) = edit.text;
    }
    auto proof = [path, expected = std::move(expected)]() -> Status {
        const CutsceneTexts again = readCutsceneTexts(path);
        for (std::size_t i = 0; i < expected.size() && i < kRooms.size(); ++i) {
            const auto& read = i < again.texts.size() ? again.texts[i] : std::nullopt;
            if (expected[i] &&
                (again.readFailed || !read || files::textChanged(*expected[i], *read, kRooms[i].size))) {
                return Error{roomName(kRooms[i]) + " read \"" + files::escapeControls(read.value_or("")) +
                                 "\" after the save, not \"" + files::escapeControls(*expected[i]) + "\".",
                             ErrorKind::Refusal};
            }
        }
        return success();
    };
    return files::writeRooms(
        path, *writes,
        files::SaveGuard{files::rangesOf(*writes), "the rooms of the texts saved", std::move(proof)});
}

}  // namespace rq::cutscenes
