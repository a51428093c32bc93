#include "headerfields.h"

#include <algorithm>
#include <array>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/filehandle.h"
#include "files/readwritetext.h"

namespace rq::headers {
namespace {

constexpr Field text(std::string_view control, std::string_view name, std::int32_t offset, std::int16_t size,
                     std::string_view toolTip) {
    return Field{control, name, offset, size, size, true, Display::Text, toolTip};
}

constexpr std::array kGbaFields = {
    text("romtitle", "the title", 0xA0, 12, "12 characters with the name of the game."),
    text("shortname", "the short name", 0xAD, 2,
         "2 characters with the short name of the game. These are assigned by Nintendo."),
    text("region", "the region", 0xAF, 1,
         "A single character that has the rom's region. J for Japan, E for the USA, P for Europe."),
    text("maker", "the maker code", 0xB0, 2,
         "Two characters which indicate the game's maker. This really should be read from the ROM as a hex "
         "number (coming soon)."),
    Field{"devicetype", "the device type", 0xB4, 1, 15, false, Display::HexByte,
          "A hex value. This only differs from 00 if it's read from a Nintendo flash cart. Not editable at "
          "present."},
    Field{"version", "the version", 0xBC, 1, 15, false, Display::HexByte,
          "Version number of the ROM - a hex value. Not editable at present."},
};

// The separator between product code and version is shown (when it is not "-") but never written.
constexpr std::array kMegaDriveFields = {
    text("consolename", "the console name", 0x100, 15,
         "The console name - either \"SEGA MEGA DRIVE\" or \"SEGA GENESIS\" goes here."),
    text("copyrightcompany", "the company code", 0x113, 4, "The company code."),
    text("year", "the year", 0x118, 4, "Year of manufacture."),
    text("month", "the month", 0x11D, 3, "Month of manufacture."),
    text("domesticname", "the domestic name", 0x120, 48, "Domestic game name."),
    text("overseasname", "the overseas name", 0x150, 48, "Overseas game name."),
    text("typeofproduct", "the product type", 0x180, 2, "GM for game, Al for Education."),
    text("productcode", "the product code", 0x183, 8, "ROM product code."),
    Field{"dash", "the separator", 0x18B, 1, 2, false, Display::Text, "ROM version number."},
    text("versionnumber", "the version number", 0x18C, 2, "ROM version number."),
    text("iosupport", "the I/O support", 0x190, 16, "Input/Output vevices supported."),
    text("modem", "the modem field", 0x1BC, 12, "If no modem support, leave blank."),
    text("memo", "the memo", 0x1C8, 40, "Memo field. Anything can be entered here."),
    text("region", "the region", 0x1F0, 3, "ROM regions."),
};

// Each header pads a shortened text with its own filler.
constexpr char padding(Kind kind) {
    return kind == Kind::Gba ? '\0' : ' ';
}

// GBA: the complement byte over 0xA0..0xBC. Mega Drive: the big-endian word summing 0x200 to the end.
struct CheckValue {
    std::uint64_t offset;
    std::size_t size;
    std::string_view name;
};
constexpr CheckValue kGbaCheck{0xBD, 1, "check byte at 0xBD"};
constexpr CheckValue kMegaDriveCheck{0x18E, 2, "checksum at 0x18E"};
constexpr std::uint64_t kGbaSumStart = 0xA0;
constexpr std::uint64_t kMegaDriveSumStart = 0x200;
constexpr std::size_t kSumBlock = 1 << 16;  // even, so that no word straddles two blocks

constexpr const CheckValue& checkValue(Kind kind) {
    return kind == Kind::Gba ? kGbaCheck : kMegaDriveCheck;
}

// How a field shows its bytes: a text up to its first zero byte, or a byte in hexadecimal when the file
// holds it.
std::string shown(const Field& field, const std::string& bytes, std::uint64_t fileSize) {
    if (field.display == Display::HexByte) {
        return static_cast<std::uint64_t>(field.offset) < fileSize
                   ? files::hexText(static_cast<std::uint8_t>(bytes.front()), 2)
                   : std::string();
    }
    return files::bytesToUtf8(std::string_view(bytes).substr(0, bytes.find('\0')));
}

Result<std::uint32_t> gbaComplement(const files::FileHandle& file) {
    const auto bytes = file.readAt(kGbaSumStart, kGbaCheck.offset - kGbaSumStart);
    if (!bytes) {
        return bytes.failure();
    }
    std::uint32_t sum = 0;
    for (const char c : *bytes) {
        sum += static_cast<std::uint8_t>(c);
    }
    return (0u - (sum + 0x19)) & 0xFFu;
}

// Block by block, so that a large image never has to fit in memory; a trailing odd byte counts for nothing.
Result<std::uint32_t> megaDriveSum(const files::FileHandle& file) {
    std::uint32_t sum = 0;
    const std::uint64_t end = file.openedSize();
    for (std::uint64_t at = kMegaDriveSumStart; at + 1 < end; at += kSumBlock) {
        const auto block =
            file.readAt(at, static_cast<std::size_t>(std::min<std::uint64_t>(kSumBlock, end - at)));
        if (!block) {
            return block.failure();
        }
        for (std::size_t i = 0; i + 1 < block->size(); i += 2) {
            sum += static_cast<std::uint8_t>((*block)[i]) << 8 | static_cast<std::uint8_t>((*block)[i + 1]);
        }
    }
    return sum & 0xFFFFu;
}

}  // namespace

std::optional<Kind> kindOf(const std::string& path) {
    const std::string extension = files::pathExtension(path);
    if (extension == "gba") {
        return Kind::Gba;
    }
    if (extension == "bin") {
        return Kind::MegaDrive;
    }
    return std::nullopt;
}

std::span<const Field> fields(Kind kind) {
    if (kind == Kind::Gba) {
        return kGbaFields;
    }
    return kMegaDriveFields;
}

std::optional<std::size_t> findField(Kind kind, std::string_view control) {
    const auto all = fields(kind);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].control == control) {
            return i;
        }
    }
    return std::nullopt;
}

HeaderTexts readHeader(const std::string& path, Kind kind) {
    HeaderTexts result;
    const auto size = files::regularFileSize(path);
    const std::uint64_t fileSize = size ? *size : 0;
    for (const Field& field : fields(kind)) {
        const auto bytes = files::readRange(path, field.offset, field.size, 0);
        result.readFailed = result.readFailed || !bytes;
        result.texts.push_back(bytes ? shown(field, *bytes, fileSize) : std::string());
    }
    return result;
}

Result<std::vector<files::RoomWrite>> planHeaderSave(Kind kind, std::span<const FieldEdit> edits) {
    const auto all = fields(kind);
    std::vector<files::RoomWrite> writes;
    writes.reserve(edits.size());
    for (const FieldEdit& edit : edits) {
        if (edit.field >= all.size()) {
            return refused("The header has no field " + std::to_string(edit.field) + ".");
        }
        const Field& field = all[edit.field];
        const std::string name = files::sentenceStart(field.name);
        if (!field.writable) {
            return refused(name + " is shown only and cannot be written.");
        }
        // A header's texts are names and codes; a control character in one is a mistake or a trap.
        const auto characters = files::decodeUtf8(edit.text).value_or(std::u32string());
        if (const auto found = std::find_if(characters.begin(), characters.end(), files::isControlCharacter);
            found != characters.end()) {
            return refused(name + ": The control character '" +
                           files::escapeControls(files::encodeUtf8(*found)) +
                           "' cannot be written into a header.");
        }
        const std::size_t length = files::characterCount(edit.text);
        if (length > static_cast<std::size_t>(field.size)) {
            return refused(name + " has room for " + std::to_string(field.size) +
                           (field.size == 1 ? " character" : " characters") + ", not the " +
                           std::to_string(length) + " of its new text.");
        }
        auto bytes = files::utf8ToBytes(edit.text);
        if (!bytes) {
            return refused(name + ": " + bytes.error());
        }
        std::string room = std::move(bytes).value();
        room.resize(static_cast<std::size_t>(field.size), padding(kind));
        writes.push_back(files::RoomWrite{static_cast<std::uint64_t>(field.offset), std::move(room),
                                          std::string(field.name)});
    }
    return writes;
}

std::string_view shownText(Kind kind, std::size_t field, std::string_view text) {
    const bool padded =
        kind == Kind::MegaDrive && field < fields(kind).size() && fields(kind)[field].writable;
    return padded ? files::unpadded(text) : text;
}

Result<std::vector<FieldEdit>> changedFields(Kind kind, std::span<const std::string> before,
                                             std::span<const std::optional<std::string>> after) {
    const auto all = fields(kind);
    std::vector<FieldEdit> given, changed;
    for (std::size_t f = 0; f < after.size(); ++f) {
        if (after[f]) {
            given.push_back({f, *after[f]});
        }
    }
    if (const auto plan = planHeaderSave(kind, given); !plan) {
        return plan.failure();
    }
    // Padded as the save pads; a text is never longer than its field here, as the plan has checked.
    const auto padded = [kind](std::string text, const Field& field) {
        const std::size_t count = files::characterCount(text);
        return text.append(static_cast<std::size_t>(field.size) - count, padding(kind));
    };
    for (FieldEdit& edit : given) {
        const Field& field = all[edit.field];
        const std::string was = edit.field < before.size() ? before[edit.field] : std::string();
        if (files::characterCount(was) > static_cast<std::size_t>(field.size) ||
            padded(edit.text, field) != padded(was, field)) {
            changed.push_back(std::move(edit));
        }
    }
    return changed;
}

Status saveHeader(const std::string& path, Kind kind, std::span<const FieldEdit> edits) {
    const auto writes = planHeaderSave(kind, edits);
    if (!writes) {
        return writes.failure();
    }
    // Read back as the window reads them: each edited field its edit, every other field as it was.
    std::vector<std::string> expected = readHeader(path, kind).texts;
    for (const FieldEdit& edit : edits) {
        expected.at(edit.field) = edit.text;
    }
    auto proof = [path, kind, expected = std::move(expected)]() -> Status {
        const HeaderTexts again = readHeader(path, kind);
        for (std::size_t f = 0; f < expected.size(); ++f) {
            const std::string read = f < again.texts.size() ? again.texts[f] : std::string();
            if (again.readFailed || shownText(kind, f, read) != shownText(kind, f, expected[f])) {
                return Error{files::sentenceStart(fields(kind)[f].name) + " read \"" +
                                 files::escapeControls(read) + "\" after the save, not \"" +
                                 files::escapeControls(expected[f]) + "\".",
                             ErrorKind::Refusal};
            }
        }
        return success();
    };
    return files::writeRooms(
        path, *writes, files::SaveGuard{files::rangesOf(*writes), "the header's fields", std::move(proof)});
}

Result<Checksum> readChecksum(const std::string& path, Kind kind) {
    const auto opened = files::FileHandle::open(path, files::FileHandle::Mode::Read);
    if (!opened) {
        return opened.failure();
    }
    const files::FileHandle& file = *opened;
    const CheckValue& check = checkValue(kind);
    if (file.openedSize() < check.offset + check.size) {
        return Error{"\"" + path + "\" has " + std::to_string(file.openedSize()) +
                         " bytes, too few to hold the " + std::string(check.name) + ".",
                     ErrorKind::Refusal};
    }
    const auto storedBytes = file.readAt(check.offset, check.size);
    if (!storedBytes) {
        return storedBytes.failure();
    }
    if (storedBytes->size() < check.size) {
        return Error{"\"" + path + "\" was cut short while it was read."};
    }
    Checksum checksum;
    for (const char c : *storedBytes) {
        checksum.stored = checksum.stored << 8 | static_cast<std::uint8_t>(c);
    }
    const auto computed = kind == Kind::Gba ? gbaComplement(file) : megaDriveSum(file);
    if (!computed) {
        return computed.failure();
    }
    checksum.computed = *computed;
    return checksum;
}

Status fixChecksum(const std::string& path, Kind kind) {
    const auto checksum = readChecksum(path, kind);
    if (!checksum) {
        return nothingWritten(checksum.failure());
    }
    if (checksum->right()) {
        return success();
    }
    const CheckValue& check = checkValue(kind);
    std::string bytes;
    for (std::size_t i = check.size; i-- > 0;) {
        bytes += static_cast<char>(checksum->computed >> (8 * i) & 0xFFu);
    }
    const std::array rooms = {
        files::RoomWrite{check.offset, std::move(bytes), "The " + std::string(check.name)}};
    auto proof = [path, kind, name = std::string(check.name)]() -> Status {
        const auto again = readChecksum(path, kind);
        if (!again || !again->right()) {
            return Error{"The " + name + " is not right after the save.", ErrorKind::Refusal};
        }
        return success();
    };
    return writeRooms(
        path, rooms,
        files::SaveGuard{files::rangesOf(rooms), "the " + std::string(check.name), std::move(proof)});
}

}  // namespace rq::headers
