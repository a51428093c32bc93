#pragma once

// IPS, BPS and UPS written from the formats' description alone, independent of the program's own patch code:
// the tests and the differential fuzz target check our patches and our patcher against it. Standard library
// only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rq::test {

[[nodiscard]] std::uint32_t crc32Of(std::string_view bytes);

// What the decoder made; suspicious is set for IPS records out of order, overlapping or of no bytes.
struct Decoded {
    std::string bytes;
    bool suspicious = false;
};

// The source with the patch applied (IPS, BPS or UPS by its first bytes), or nothing for a patch the
// decoder finds broken or made for another source, or one whose output would be longer than maxOutput. A BPS
// or UPS patch's CRC32s are checked, the target's and the patch's own only when checkMadeCrcs is set (a fuzz
// target leaves them out to learn what the actions make, then writes them).
[[nodiscard]] std::optional<Decoded> decodePatch(std::string_view patch, std::string_view source,
                                                 std::uint64_t maxOutput = UINT64_MAX,
                                                 bool checkMadeCrcs = true);

// The pieces of a BPS patch: a number as the format writes it, a number of some bytes (a CRC32 as the
// trailer holds it: 4) least significant first, and a whole patch around hand-made actions with right CRCs.
[[nodiscard]] std::string bpsNumber(std::uint64_t value);
[[nodiscard]] std::string littleEndian(std::uint64_t value, int bytes = 4);
[[nodiscard]] std::string bpsPatch(std::string_view source, std::string_view target, std::string_view actions,
                                   std::string_view metadata = {});

}  // namespace rq::test
