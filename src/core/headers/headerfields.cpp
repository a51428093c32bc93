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

using namespace std::string_view_literals;

constexpr Field text(std::string_view control, std::int32_t offset, std::int16_t size, int limit,
                     std::string_view toolTip) {
    return Field{control, offset, size, limit, true, Display::Text, toolTip};
}

constexpr std::array kGbaFields = {
    text("romtitle", 0xA0, 12, 12, "12 characters with the name of the game."),
    text("shortname", 0xAD, 2, 2,
         "2 characters with the short name of the game. These are assigned by Nintendo."),
    text("region", 0xAF, 1, 1,
         "A single character that has the rom's region. J for Japan, E for the USA, P for Europe."),
    text("maker", 0xB0, 2, 2,
         "Two characters which indicate the game's maker. This really should be read from the ROM as a hex "
         "number (coming soon)."),
    Field{"devicetype", 0xB4, 1, 15, false, Display::HexByte,
          "A hex value. This only differs from 00 if it's read from a Nintendo flash cart. Not editable at "
          "present."},
    Field{"version", 0xBC, 1, 15, false, Display::HexByte,
          "Version number of the ROM - a hex value. Not editable at present."},
};

// The separator between product code and version is shown (when it is not "-") but never written.
constexpr std::array kMegaDriveFields = {
    text("consolename", 0x100, 15, 15,
         "The console name - either \"SEGA MEGA DRIVE\" or \"SEGA GENESIS\" goes here."),
    text("copyrightcompany", 0x113, 4, 4, "The company code."),
    text("year", 0x118, 4, 4, "Year of manufacture."),
    text("month", 0x11D, 3, 3, "Month of manufacture."),
    text("domesticname", 0x120, 48, 48, "Domestic game name."),
    text("overseasname", 0x150, 48, 48, "Overseas game name."),
    text("typeofproduct", 0x180, 2, 2, "GM for game, Al for Education."),
    text("productcode", 0x183, 8, 8, "ROM product code."),
    Field{"dash", 0x18B, 1, 2, false, Display::Text, "ROM version number."},
    text("versionnumber", 0x18C, 2, 2, "ROM version number."),
    text("iosupport", 0x190, 16, 16, "Input/Output vevices supported."),
    text("modem", 0x1BC, 12, 12, "If no modem support, leave blank."),
    text("memo", 0x1C8, 40, 40, "Memo field. Anything can be entered here."),
    text("region", 0x1F0, 3, 3, "ROM regions."),
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

Error refused(std::string message) {
    return Error{std::move(message) + " Nothing was written.", ErrorKind::Refusal};
}

// How a field shows its bytes: a text up to its first zero byte, or a byte in hexadecimal when the file
// holds it.
std::string shown(const Field& field, const std::string& bytes, std::uint64_t fileSize) {
    if (field.display == Display::HexByte) {
        return static_cast<std::uint64_t>(field.offset) < fileSize
                   ? hexText(static_cast<std::uint8_t>(bytes.front()), 2)
                   : std::string();
    }
    return bytesToUtf8(std::string_view(bytes).substr(0, bytes.find('\0')));
}

Result<std::uint32_t> gbaComplement(const FileHandle& file) {
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
Result<std::uint32_t> megaDriveSum(const FileHandle& file) {
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
    const std::string extension = pathExtension(path);
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
    const auto size = regularFileSize(path);
    const std::uint64_t fileSize = size ? *size : 0;
    for (const Field& field : fields(kind)) {
        const auto bytes = readRange(path, field.offset, field.size, 0);
        result.readFailed = result.readFailed || !bytes;
        result.texts.push_back(bytes ? shown(field, *bytes, fileSize) : std::string());
    }
    return result;
}

Result<std::vector<RoomWrite>> planHeaderSave(Kind kind, std::span<const FieldEdit> edits) {
    const auto all = fields(kind);
    std::vector<RoomWrite> writes;
    writes.reserve(edits.size());
    for (const FieldEdit& edit : edits) {
        if (edit.field >= all.size()) {
            return refused("The header has no field " + std::to_string(edit.field) + ".");
        }
        const Field& field = all[edit.field];
        const std::string control(field.control);
        if (!field.writable) {
            return refused(control + " is shown only and cannot be written.");
        }
        const std::size_t length = characterCount(edit.text);
        if (length > static_cast<std::size_t>(field.size)) {
            return refused(control + " has room for " + std::to_string(field.size) +
                           (field.size == 1 ? " character" : " characters") + ", not the " +
                           std::to_string(length) + " of its new text.");
        }
        auto bytes = utf8ToBytes(edit.text);
        if (!bytes) {
            return refused(control + ": " + bytes.error());
        }
        std::string room = std::move(bytes).value();
        room.resize(static_cast<std::size_t>(field.size), padding(kind));
        writes.push_back(RoomWrite{static_cast<std::uint64_t>(field.offset), std::move(room), control});
    }
    return writes;
}

Status saveHeader(const std::string& path, Kind kind, std::span<const FieldEdit> edits) {
    const auto writes = planHeaderSave(kind, edits);
    if (!writes) {
        return writes.failure();
    }
    return writeRooms(path, *writes);
}

Result<Checksum> readChecksum(const std::string& path, Kind kind) {
    const auto opened = FileHandle::open(path, FileHandle::Mode::Read);
    if (!opened) {
        return opened.failure();
    }
    const FileHandle& file = *opened;
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
        return Error{checksum.error() + " Nothing was written.", checksum.failure().kind};
    }
    if (checksum->right()) {
        return success();
    }
    const CheckValue& check = checkValue(kind);
    std::string bytes;
    for (std::size_t i = check.size; i-- > 0;) {
        bytes += static_cast<char>(checksum->computed >> (8 * i) & 0xFFu);
    }
    const std::array rooms = {RoomWrite{check.offset, std::move(bytes), "The " + std::string(check.name)}};
    return writeRooms(path, rooms);
}

// --- Maker codes -----------------------------------------------------------------------------------------

namespace {

constexpr std::string_view kBoxTitle = "Romquill - GBA ROM Header Editor";
constexpr std::string_view kLaterBoxTitle = "Romquill - GBA Rom Header Editor";
constexpr std::string_view kLastBoxTitle = "GBA Rom Header Editor";

constexpr std::array kBox1 = {
    "01 - Nintendo"sv,
    "02 - Rocket Games"sv,
    "08 - Capcom"sv,
    "09 - Hot B Co."sv,
    "0A - Jaleco"sv,
    "0B - Coconuts"sv,
    "0C - Coconuts Japan/Elite"sv,
    "0H - Starfish"sv,
    "0L - Warashi Inc."sv,
    "13 - Electronic Arts Japan"sv,
    "18 - Hudson Soft Japan"sv,
    "1A - Yonoman/Japan Art Media"sv,
    "1P - Creatures Inc."sv,
    "20 - Destination Software"sv,
    "22 - VR 1 Japan"sv,
    "25 - San-X"sv,
    "28 - Kemco Japan"sv,
    "29 - Seta"sv,
    "2K - NEC InterChannel"sv,
    "2L - Tam"sv,
    "2M - GU Inc/Gajin/Jordan"sv,
    "2N - Smilesoft"sv,
    "2Q - Mediakite/Systemsoft Alpha Corp"sv,
    "36 - Codemasters"sv,
    "37 - GAGA Communications"sv,
    "38 - Laguna"sv,
    "39 - Telstar Fun and Games"sv,
    "41 - Ubi Soft Entertainment"sv,
    "47 - Spectrum Holobyte"sv,
    "49 - IREM"sv,
};

// Ends with 5X, which sorts after 5W: the next box opens with 5W.
constexpr std::array kBox2 = {
    "4D - Malibu Games"sv,
    "4F - U.S. Gold"sv,
    "4J - Fox Interactive"sv,
    "4K - Time Warner Interactive"sv,
    "4Q - Disney"sv,
    "4S - EA SPORTS/THQ"sv,
    "4X - GT Interactive"sv,
    "4Y - RARE"sv,
    "4Z - Crave Entertainment"sv,
    "50 - Absolute Entertainment"sv,
    "51 - Acclaim"sv,
    "52 - Activision"sv,
    "53 - American Sammy Corp."sv,
    "54 - Take 2 Interactive"sv,
    "55 - Hi Tech"sv,
    "56 - LJN LTD."sv,
    "58 - Mattel"sv,
    "5A - Red Orb Entertainment"sv,
    "5C - Taxan"sv,
    "5D - Midway"sv,
    "5G - Majesco Sales Inc"sv,
    "5H - 3DO"sv,
    "5K - Hasbro"sv,
    "5L - NewKidCo"sv,
    "5M - Telegames"sv,
    "5N - Metro3D"sv,
    "5P - Vatical Entertainment"sv,
    "5Q - LEGO Media"sv,
    "5S - Xicat Interactive"sv,
    "5T - Cryo Interactive"sv,
    "5X - Microids"sv,
};

constexpr std::array kBox3 = {
    "5W - BKN Ent./Red Storm Ent."sv,
    "5Z - Conspiracy Entertainment Corp."sv,
    "60 - Titus Interactive Studios"sv,
    "61 - Virgin Interactive"sv,
    "64 - LucasArts Entertainment"sv,
    "67 - Ocean"sv,
    "69 - Electronic Arts"sv,
    "6E - Elite Systems Ltd."sv,
    "6F - Electro Brain"sv,
    "6H - Crawfish"sv,
    "6L - BAM! Entertainment"sv,
    "6M - Studio 3"sv,
    "6Q - Classified Games"sv,
    "6S - TDK Mediactive"sv,
    "6U - DreamCatcher"sv,
    "6V - JoWood Productions"sv,
    "6W - SEGA"sv,
    "6Y - LSP"sv,
    "70 - Infogrames"sv,
    "71 - Interplay"sv,
    "72 - JVC Musical Industries Inc"sv,
    "75 - SCI"sv,
    "78 - THQ"sv,
    "79 - Accolade"sv,
    "7A - Triffix Ent. Inc."sv,
    "7C - Microprose Software"sv,
    "7D - Universal Interactive Studios"sv,
    "7F - Kemco"sv,
    "7G - Rage Software"sv,
};

constexpr std::array kBox4 = {
    "7M - Asmik Ace Entertainment Inc./AIA"sv,
    "83 - LOZC/G.Amusements"sv,
    "8B - Bulletproof Software"sv,
    "8C - Vic Tokai Inc."sv,
    "8J - General Entertainment"sv,
    "8N - Success"sv,
    "8P - SEGA Japan"sv,
    "91 - Chun Soft"sv,
    "93 - BEC"sv,
    "97 - Kaneko"sv,
    "99 - Victor Interactive Software"sv,
    "9B - Tecmo"sv,
    "9C - Imagineer"sv,
    "9H - Bottom Up"sv,
    "9N - Marvelous Entertainment"sv,
    "9P - Keynet Inc."sv,
    "9Q - Hands-On Entertainment"sv,
    "A0 - Telenet/Olympia"sv,
    "A1 - Hori"sv,
    "A4 - Konami"sv,
    "A6 - Kawada"sv,
    "A7 - Takara"sv,
    "A9 - Technos Japan Corp."sv,
    "AC - Toei Animation"sv,
    "AD - Toho"sv,
    "AF - Namco"sv,
    "AG - Media Rings Corporation/Amedio/Playmates"sv,
    "AH - J-Wing"sv,
    "AK - KID"sv,
    "AL - MediaFactory"sv,
};

constexpr std::array kBox5 = {
    "B0 - Acclaim Japan"sv,
    "B1 - Nexoft"sv,
    "B2 - Bandai"sv,
    "B4 - Enix"sv,
    "B6 - HAL Laboratory"sv,
    "B7 - SNK"sv,
    "B9 - Pony Canyon"sv,
    "BA - Culture Brain"sv,
    "BB - Sunsoft"sv,
    "BD - Sony Imagesoft"sv,
    "BF - Sammy"sv,
    "BG - Magical"sv,
    "BJ - Compile"sv,
    "BL - MTO Inc."sv,
    "BN - Sunrise Interactive"sv,
    "BP - Global A Entertainment"sv,
    "BQ - Fuuki"sv,
    "C0 - Taito"sv,
    "C2 - Kemco"sv,
    "C3 - Square Soft"sv,
    "C5 - Data East"sv,
    "C6 - Broderbund Japan"sv,
    "C8 - Koei"sv,
    "CA - Ultra Games"sv,
    "CB - Vapinc/NTVIC"sv,
    "CC - Use Co.,Ltd."sv,
    "CE - FCI"sv,
    "CF - Angel"sv,
    "CM - Konami Computer Enterteinment Osaka"sv,
    "D1 - Sofel"sv,
    "D3 - Sigma Enterprises"sv,
    "D4 - Ask Kodansa/Lenar"sv,
};

constexpr std::array kBox6 = {
    "D7 - Copya System"sv,
    "D9 - Banpresto"sv,
    "DA - TOMY"sv,
    "DD - NCS"sv,
    "DF - Altron Corporation"sv,
    "E2 - Lad/Shogakukan.Nas/Yutaka"sv,
    "E3 - Varie"sv,
    "E5 - Epoch"sv,
    "E7 - Athena"sv,
    "E8 - Asmik Ace Entertainment Inc."sv,
    "E9 - Natsume"sv,
    "EA - King Records"sv,
    "EB - Atlus"sv,
    "EC - Epic/Sony/Ocean"sv,
    "EE - IGS"sv,
    "EL - Vaill"sv,
    "EM - Konami Computer Entertainment Tokyo"sv,
    "EN - Alphadream Corporation"sv,
    "F0 - A Wave"sv,
    "HY - Sachen"sv,
};

constexpr std::array kMakerCodeBoxes = {
    MakerCodeBox{kBoxTitle, kBox1},      MakerCodeBox{kBoxTitle, kBox2},
    MakerCodeBox{kBoxTitle, kBox3},      MakerCodeBox{kLaterBoxTitle, kBox4},
    MakerCodeBox{kLaterBoxTitle, kBox5}, MakerCodeBox{kLastBoxTitle, kBox6},
};

}  // namespace

std::span<const MakerCodeBox> makerCodeBoxes() {
    return kMakerCodeBoxes;
}

}  // namespace rq::headers
