#include "patchdecoder.h"

#include <algorithm>

namespace rq::test {
namespace {

std::optional<Decoded> decodeIps(std::string_view patch, std::string out, std::uint64_t maxOutput) {
    if (!patch.starts_with("PATCH")) {
        return std::nullopt;
    }
    std::size_t at = 5;
    std::uint64_t lastEnd = 0;
    Decoded decoded;
    const auto number = [&](int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value = value << 8 | static_cast<unsigned char>(patch[at++]);
        }
        return value;
    };
    while (patch.size() - at >= 3 && patch.substr(at, 3) != "EOF") {
        if (patch.size() - at < 5) {
            return std::nullopt;
        }
        const std::uint64_t offset = number(3);
        std::uint64_t size = number(2);
        std::string data;
        if (size == 0) {
            if (patch.size() - at < 3) {
                return std::nullopt;
            }
            size = number(2);
            data.assign(size, patch[at++]);
        } else {
            if (patch.size() - at < size) {
                return std::nullopt;
            }
            data = patch.substr(at, size);
            at += size;
        }
        decoded.suspicious |= offset < lastEnd || size == 0;
        lastEnd = offset + size;
        // A record of no bytes writes nothing, so it does not lengthen the output either.
        if (size == 0) {
            continue;
        }
        if (lastEnd > maxOutput) {
            return std::nullopt;
        }
        if (out.size() < lastEnd) {
            out.resize(lastEnd, '\0');
        }
        out.replace(offset, size, data);
    }
    if (patch.size() - at < 3) {
        return std::nullopt;
    }
    at += 3;
    if (patch.size() - at == 3) {
        const std::uint64_t cut = number(3);
        if (cut > maxOutput) {
            return std::nullopt;
        }
        out.resize(cut);
    } else if (patch.size() != at) {
        return std::nullopt;
    }
    decoded.bytes = std::move(out);
    return decoded;
}

// A number as BPS and UPS write it, read at at, which it moves past it; broken is set when it runs into end
// or is too large.
std::uint64_t readNumber(std::string_view patch, std::size_t& at, std::size_t end, bool& broken) {
    std::uint64_t value = 0, shift = 1;
    while (true) {
        if (at >= end || shift > (1ull << 56)) {
            broken = true;
            return 0;
        }
        const auto byte = static_cast<unsigned char>(patch[at++]);
        value += (byte & 0x7F) * shift;
        if ((byte & 0x80) != 0) {
            return value;
        }
        shift <<= 7;
        value += shift;
    }
}

std::optional<Decoded> decodeBps(std::string_view patch, std::string_view source, std::uint64_t maxOutput,
                                 bool checkMadeCrcs) {
    if (!patch.starts_with("BPS1") || patch.size() < 19) {
        return std::nullopt;
    }
    const std::size_t end = patch.size() - 12;
    std::size_t at = 4;
    bool broken = false;
    const auto number = [&] { return readNumber(patch, at, end, broken); };
    // Whether the trailer holds the bytes' CRC32 at pos.
    const auto holdsCrc = [&](std::size_t pos, std::string_view bytes) {
        return patch.substr(pos, 4) == littleEndian(crc32Of(bytes));
    };
    const std::uint64_t sourceSize = number(), targetSize = number(), metadataSize = number();
    if (broken || metadataSize > end - at || targetSize > maxOutput) {
        return std::nullopt;
    }
    at += metadataSize;
    if (sourceSize != source.size() || !holdsCrc(end, source) ||
        (checkMadeCrcs && !holdsCrc(end + 8, patch.substr(0, patch.size() - 4)))) {
        return std::nullopt;
    }
    std::string out;
    std::uint64_t sourceCursor = 0, targetCursor = 0;
    while (at < end && !broken) {
        const std::uint64_t data = number(), length = (data >> 2) + 1;
        const std::uint64_t kind = data & 3;
        if (broken || length > targetSize - out.size()) {
            return std::nullopt;
        }
        if (kind == 0 && out.size() + length <= source.size()) {
            out += source.substr(out.size(), length);
        } else if (kind == 1 && end - at >= length) {
            out += patch.substr(at, length);
            at += length;
        } else if (kind >= 2) {
            const std::uint64_t offset = number();
            std::uint64_t& cursor = kind == 2 ? sourceCursor : targetCursor;
            cursor += (offset & 1) != 0 ? 0 - (offset >> 1) : offset >> 1;
            const std::size_t available = kind == 2 ? source.size() : out.size();
            if (broken || cursor >= available || (kind == 2 && length > available - cursor)) {
                return std::nullopt;
            }
            // A target copy may read what it writes itself: byte by byte.
            for (std::uint64_t i = 0; i < length; ++i) {
                out += kind == 2 ? source[cursor++] : out[cursor++];
            }
        } else {
            return std::nullopt;
        }
    }
    if (broken || out.size() != targetSize || (checkMadeCrcs && !holdsCrc(end + 4, out))) {
        return std::nullopt;
    }
    return Decoded{out};
}

// Records of a skip count, then XOR bytes up to a zero byte, which counts one position more; positions
// past the end of the longer file are broken, positions past the target's end are dropped.
std::optional<Decoded> decodeUps(std::string_view patch, std::string_view source, std::uint64_t maxOutput,
                                 bool checkMadeCrcs) {
    if (!patch.starts_with("UPS1") || patch.size() < 18) {
        return std::nullopt;
    }
    const std::size_t end = patch.size() - 12;
    std::size_t at = 4;
    bool broken = false;
    const std::uint64_t sourceSize = readNumber(patch, at, end, broken);
    const std::uint64_t targetSize = readNumber(patch, at, end, broken);
    if (broken || targetSize > maxOutput || sourceSize != source.size() ||
        patch.substr(end, 4) != littleEndian(crc32Of(source)) ||
        (checkMadeCrcs && patch.substr(end + 8) != littleEndian(crc32Of(patch.substr(0, end + 8))))) {
        return std::nullopt;
    }
    const std::uint64_t limit = std::max(sourceSize, targetSize);
    std::string out(source.substr(0, targetSize));
    out.resize(targetSize, '\0');
    std::uint64_t position = 0;
    while (at < end) {
        const std::uint64_t skip = readNumber(patch, at, end, broken);
        if (broken || position > limit || skip > limit - position) {
            return std::nullopt;
        }
        position += skip;
        for (char x = 1; x != 0; ++position) {
            if (at >= end) {
                return std::nullopt;
            }
            x = patch[at++];
            if (x != 0 && position >= limit) {
                return std::nullopt;
            }
            if (position < targetSize) {
                out[position] = static_cast<char>(out[position] ^ x);
            }
        }
    }
    if (checkMadeCrcs && patch.substr(end + 4, 4) != littleEndian(crc32Of(out))) {
        return std::nullopt;
    }
    return Decoded{out};
}

}  // namespace

std::uint32_t crc32Of(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return ~crc;
}

std::optional<Decoded> decodePatch(std::string_view patch, std::string_view source, std::uint64_t maxOutput,
                                   bool checkMadeCrcs) {
    if (patch.starts_with("UPS1")) {
        return decodeUps(patch, source, maxOutput, checkMadeCrcs);
    }
    return patch.starts_with("PATCH") ? decodeIps(patch, std::string(source), maxOutput)
                                      : decodeBps(patch, source, maxOutput, checkMadeCrcs);
}

std::string bpsNumber(std::uint64_t value) {
    std::string out;
    while (true) {
        const auto low = static_cast<char>(value & 0x7F);
        value >>= 7;
        if (value == 0) {
            return out + static_cast<char>(0x80 | low);
        }
        out += low;
        --value;
    }
}

std::string littleEndian(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
    return out;
}

std::string bpsPatch(std::string_view source, std::string_view target, std::string_view actions,
                     std::string_view metadata) {
    std::string patch = "BPS1" + bpsNumber(source.size()) + bpsNumber(target.size()) +
                        bpsNumber(metadata.size()) + std::string(metadata) + std::string(actions) +
                        littleEndian(crc32Of(source)) + littleEndian(crc32Of(target));
    return patch + littleEndian(crc32Of(patch));
}

}  // namespace rq::test
