#include "pointerformat.h"

#include <algorithm>
#include <charconv>

#include "files/asciitext.h"

namespace rq::templates {
namespace {

Error broken(std::string_view phrase) {
    return Error{std::string(phrase), ErrorKind::Refusal};
}

std::optional<std::uint64_t> hexNumber(std::string_view value) {
    return value.size() <= 8 ? files::parseHex(value) : std::nullopt;
}

// The pieces of a list separated by commas, each without the blanks around it.
std::vector<std::string_view> listParts(std::string_view value) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= value.size();) {
        const std::size_t end = std::min(value.find(',', start), value.size());
        std::string_view part = value.substr(start, end - start);
        while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) {
            part.remove_prefix(1);
        }
        while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) {
            part.remove_suffix(1);
        }
        parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::uint64_t PointerFormat::value(std::string_view cell) const {
    std::uint64_t result = 0;
    for (int i = 0; i < size && static_cast<std::size_t>(i) < cell.size(); ++i) {
        const auto byte =
            static_cast<std::uint8_t>(cell[static_cast<std::size_t>(bigEndian ? i : size - 1 - i)]);
        result = (result << 8) | byte;
    }
    return result;
}

std::string PointerFormat::cell(std::uint64_t value) const {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<char>((value >> (8 * i)) & 0xFF);
        bytes[static_cast<std::size_t>(bigEndian ? size - 1 - i : i)] = byte;
    }
    return bytes;
}

std::optional<std::uint64_t> PointerFormat::offsetOf(std::uint64_t value) const {
    if (value < base) {
        return std::nullopt;
    }
    const std::uint64_t offset = value - base + regionStart;
    if (offset < regionStart || offset >= regionEnd) {
        return std::nullopt;
    }
    return offset;
}

std::optional<std::uint64_t> PointerFormat::valueOf(std::uint64_t offset) const {
    if (offset < regionStart || offset >= regionEnd) {
        return std::nullopt;
    }
    const std::uint64_t value = offset - regionStart + base;
    if (size < 8 && value >> (8 * size) != 0) {
        return std::nullopt;
    }
    return value;
}

std::uint64_t PointerFormat::reachEnd() const {
    const std::uint64_t values = std::uint64_t{1} << (8 * size);
    return base >= values ? regionStart : std::min(regionEnd, regionStart + (values - base));
}

Status parsePointerFormat(std::string_view value, PointerFormat& format) {
    const std::string name = files::lowerAscii(value);
    const bool little = name.starts_with("le");
    if (name.size() != 4 || (!little && !name.starts_with("be")) ||
        (name.substr(2) != "16" && name.substr(2) != "24" && name.substr(2) != "32")) {
        return broken("is not a pointer format: le16, be16, le24, be24, le32 or be32");
    }
    format.bigEndian = !little;
    format.size = ((name[2] - '0') * 10 + (name[3] - '0')) / 8;  // bits to bytes
    return success();
}

Result<std::uint64_t> parsePointerBase(std::string_view value) {
    const auto base = hexNumber(value);
    if (!base) {
        return broken("is not a hexadecimal number of one to eight digits");
    }
    return *base;
}

Result<ByteRange> parseByteRange(std::string_view value) {
    const auto dash = value.find('-');
    const auto start = dash == std::string_view::npos ? std::nullopt : hexNumber(value.substr(0, dash));
    const auto end = dash == std::string_view::npos ? std::nullopt : hexNumber(value.substr(dash + 1));
    if (!start || !end || *end <= *start) {
        return broken("is not a range START-END of hexadecimal offsets, the end after the start");
    }
    return ByteRange{*start, *end};
}

Result<std::vector<ByteRange>> parseByteRanges(std::string_view value) {
    std::vector<ByteRange> ranges;
    for (const std::string_view part : listParts(value)) {
        auto range = parseByteRange(part);
        if (!range) {
            return broken(
                "is not a list of ranges START-END of hexadecimal offsets, each end after its start");
        }
        ranges.push_back(*range);
    }
    return ranges;
}

Result<std::vector<std::uint32_t>> parseCells(std::string_view value) {
    std::vector<std::uint32_t> cells;
    for (const std::string_view part : listParts(value)) {
        const auto offset = hexNumber(part);
        if (!offset || *offset > 0x7FFFFFFFu) {
            return broken("is not a list of hexadecimal offsets from 0 to 7FFFFFFF");
        }
        cells.push_back(static_cast<std::uint32_t>(*offset));
    }
    return cells;
}

Result<int> parseCellCount(std::string_view value) {
    int count = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size() || count < 1 ||
        count > kMostTableCells) {
        return broken("is not a count of cells from 1 to " + std::to_string(kMostTableCells));
    }
    return count;
}

Result<std::uint32_t> parseStride(std::string_view value) {
    const auto stride = hexNumber(value);
    if (!stride || *stride == 0) {
        return broken("is not a hexadecimal number of bytes from 1 to FFFFFFFF");
    }
    return static_cast<std::uint32_t>(*stride);
}

Result<std::vector<std::uint32_t>> tableCells(std::uint64_t offset, int count, std::uint32_t stride) {
    std::vector<std::uint32_t> cells;
    cells.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const std::uint64_t cell = offset + static_cast<std::uint64_t>(i) * stride;
        if (cell > 0x7FFFFFFFu) {
            return broken("puts cells past offset 7FFFFFFF, with its Offset and Stride");
        }
        cells.push_back(static_cast<std::uint32_t>(cell));
    }
    return cells;
}

}  // namespace rq::templates
