#include "search/madefiles.h"

#include <algorithm>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/iniReadWriteDelete.h"
#include "search/pointerfinder.h"

namespace rq::search {
namespace {

// A code as the bytes lie in the file, in upper-case hexadecimal.
std::string keyOf(std::uint32_t code, CodeLayout layout) {
    const std::string hex = files::hexText(code, layout.width * 2);
    return layout.width == 2 && !layout.bigEndian ? hex.substr(2) + hex.substr(0, 2) : hex;
}

std::string layoutText(CodeLayout layout) {
    return layout.width == 1
               ? "one byte a code"
               : std::string("two bytes a code, ") + (layout.bigEndian ? "high" : "low") + " byte first";
}

}  // namespace

std::string tableFromHit(const RelativeHit& hit, std::u32string_view word) {
    std::string made = "# Made by Romquill from the relative search hit for \"";
    for (const char32_t ch : word) {
        made += files::encodeUtf8(ch);
    }
    made += "\" at 0x" + files::hexText(hit.offset) + " (" + layoutText(hit.layout) + ").\n";
    const std::int64_t codes = std::int64_t{1} << (8 * hit.layout.width);
    for (const auto& [first, last] : {std::pair{U'A', U'Z'}, std::pair{U'a', U'z'}, std::pair{U'0', U'9'}}) {
        const auto known =
            std::find_if(hit.codes.begin(), hit.codes.end(), [first = first, last = last](const auto& code) {
                return code.first >= first && code.first <= last;
            });
        if (known == hit.codes.end()) {
            continue;
        }
        for (char32_t ch = first; ch <= last; ++ch) {
            const std::int64_t code = static_cast<std::int64_t>(known->second) + ch - known->first;
            if (code >= 0 && code < codes) {
                made +=
                    keyOf(static_cast<std::uint32_t>(code), hit.layout) + "=" + files::encodeUtf8(ch) + "\n";
            }
        }
    }
    return made;
}

Result<std::string> templateForPointers(const std::string& name, const std::string& tableName,
                                        const PointerTablePlace& place) {
    for (const auto& [what, value] : {std::pair{"name", &name}, std::pair{"table's name", &tableName}}) {
        if (!files::writableIniValue(*value)) {
            return Error{"The " + std::string(what) + " \"" + files::escapeControls(*value) +
                             "\" holds a line break or another control character, which a template cannot "
                             "hold.",
                         ErrorKind::Refusal};
        }
    }
    const templates::PointerFormat& format = place.format;
    std::string made =
        "; Made by Romquill: the strings of a pointer table, each read through " + tableName +
        " up to its end token.\n\n[Ident]\nRQL_game_plugin=v1.0\n\n[GameAndFileInfo]\nGameName=" + name +
        "\nAuthor=\nVersionOfFile=1.0\nDateCreated=\nNotes=\n\n"
        "[TextFormattingSystem]\nNumberOfEntries=0\nText=" +
        tableName + "\n\n[Pointers]\nFormat=" + formatName(format) + "\nBase=" + files::hexText(format.base) +
        "\n";
    if (format.regionStart != 0 || format.regionEnd != UINT64_MAX) {
        made +=
            "Region=" + files::hexText(format.regionStart) + "-" + files::hexText(format.regionEnd) + "\n";
    }
    made += "\n[PointerTable1]\nOffset=" + files::hexText(place.offset) +
            "\nCount=" + std::to_string(place.count) + "\n";
    if (place.stride != 0 && place.stride != static_cast<std::uint32_t>(format.size)) {
        made += "Stride=" + files::hexText(place.stride) + "\n";
    }
    return made + "TextFormat=Text\nComment=Line\n";
}

}  // namespace rq::search
