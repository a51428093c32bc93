#pragma once

// IPS: "PATCH", records (3-byte offset, 2-byte size, data; size 0: a 2-byte run length and one byte),
// "EOF", then optionally the 3-byte length the output is cut to. All numbers big-endian.
#include <cstdint>
#include <string>

namespace rq::patch {

// A literal record, or a run of one byte (its bytes empty).
struct Record {
    std::uint64_t offset = 0;
    std::string bytes;  // empty for a run
    std::uint64_t runLength = 0;
    char runByte = 0;

    [[nodiscard]] std::uint64_t length() const { return bytes.empty() ? runLength : bytes.size(); }
    [[nodiscard]] std::uint64_t end() const { return offset + length(); }
    [[nodiscard]] char first() const { return bytes.empty() ? runByte : bytes.front(); }
    [[nodiscard]] char last() const { return bytes.empty() ? runByte : bytes.back(); }
    void dropFirst() {
        ++offset;
        bytes.empty() ? void(--runLength) : void(bytes.erase(0, 1));
    }
    void dropLast() { bytes.empty() ? void(--runLength) : bytes.pop_back(); }
};

}  // namespace rq::patch
