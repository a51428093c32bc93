#include "codepage.h"

#include <array>

#include "files/asciitext.h"

namespace rq::files {
namespace {

constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char32_t byteToUnicode(std::uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

std::optional<std::uint8_t> unicodeToByte(char32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
        return static_cast<std::uint8_t>(ch);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == ch) {
            return static_cast<std::uint8_t>(0x80 + i);
        }
    }
    return std::nullopt;
}

void appendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

std::string encodeUtf8(char32_t ch) {
    std::string out;
    appendUtf8(out, ch);
    return out;
}

std::string bytesToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        appendUtf8(out, byteToUnicode(static_cast<std::uint8_t>(c)));
    }
    return out;
}

std::optional<std::u32string> decodeUtf8(std::string_view utf8) {
    std::u32string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t ch = 0;
        if (lead < 0x80) {
            ch = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            ch = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            ch = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            ch = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + extra >= utf8.size() && extra > 0) {
            return std::nullopt;
        }
        for (int k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(utf8[i + k]);
            if ((cont & 0xC0) != 0x80) {
                return std::nullopt;
            }
            ch = (ch << 6) | (cont & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are malformed too: accepting them would let
        // "C1 81" pass for "A" and "C0 80" smuggle in a NUL byte.
        constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (ch < kSmallest[extra] || (ch >= 0xD800 && ch <= 0xDFFF) || ch > 0x10FFFF) {
            return std::nullopt;
        }
        out += ch;
        i += extra + 1;
    }
    return out;
}

bool isControlCharacter(char32_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch < 0xA0);
}

std::string escapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const auto decoded = decodeUtf8(text.substr(i, length));
        if (!decoded || decoded->size() != 1) {
            out += "\\x" + hexText(lead, 2);
            ++i;
            continue;
        }
        const char32_t ch = decoded->front();
        if (const auto named = std::u32string_view(U"\0\t\n\r", 4).find(ch);
            named != std::u32string_view::npos) {
            out += std::string("\\") + "0tnr"[named];
        } else if (isControlCharacter(ch)) {
            out += "\\x" + hexText(ch, 2);
        } else {
            out += text.substr(i, length);
        }
        i += length;
    }
    return out;
}

std::size_t characterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

Result<std::string> utf8ToBytes(std::string_view utf8) {
    const auto chars = decodeUtf8(utf8);
    if (!chars) {
        return Error{"The text is not valid UTF-8."};
    }
    std::string out;
    out.reserve(chars->size());
    for (const char32_t ch : *chars) {
        const auto byte = unicodeToByte(ch);
        if (!byte) {
            return Error{"The character '" + encodeUtf8(ch) + "' has no byte in code page 1252."};
        }
        out += static_cast<char>(*byte);
    }
    return out;
}

std::u32string charactersWithoutByte(std::string_view utf8) {
    std::u32string found;
    for (const char32_t ch : decodeUtf8(utf8).value_or(std::u32string())) {
        if (!unicodeToByte(ch) && found.find(ch) == std::u32string::npos) {
            found += ch;
        }
    }
    return found;
}

std::string padToLimit(const std::string& text, int limit) {
    const std::size_t count = characterCount(text);
    if (limit <= 0 || count >= static_cast<std::size_t>(limit)) {
        return text;
    }
    return text + std::string(static_cast<std::size_t>(limit) - count, ' ');
}

bool textChanged(const std::string& before, const std::string& after, int limit) {
    return padToLimit(after, limit) != padToLimit(before, limit);
}

std::string_view unpadded(std::string_view text) {
    const auto end = text.find_last_not_of(' ');
    return text.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

}  // namespace rq::files
