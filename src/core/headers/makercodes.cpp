#include <array>
#include <string_view>

#include "headerfields.h"

namespace rq::headers {

using namespace std::string_view_literals;

// The GBA maker codes as "Game Maker Codes..." shows them, in six boxes of their own titles.
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
