#pragma once

// What making and reading BPS and UPS patches share: BPS's four kinds of action, the numbers both write, and
// the CRC32s of their trailers.
#include "patch/patchio.h"

namespace rq::patch {

enum Action { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// A number as BPS and UPS write it: 7 bits a byte, the high bit on the last, each further byte adding one.
void putNumber(std::string& out, std::uint64_t value);
// False when the number is cut short or does not fit 64 bits.
[[nodiscard]] bool readNumber(Reader& reader, std::uint64_t& value);

// A CRC32 as the trailers hold it: little-endian.
void putCrc(std::string& out, std::uint32_t crc);
[[nodiscard]] std::uint32_t crcAt(std::string_view bytes);

// Refuses a patch whose bytes before its last four do not have the CRC32 recorded there.
[[nodiscard]] Status checkPatchCrc(const files::FileHandle& patch, std::uint32_t recorded,
                                   Progress& progress);
// Refuses an output of size bytes that the free space of out's folder cannot hold: a few bytes of patch may
// declare any size, and one larger than the disk would be written until the disk is full.
[[nodiscard]] Status checkOutputSpace(const files::FileHandle& patch, const files::NewFile& out,
                                      std::uint64_t size);

// How many of the first count bytes of a and b are equal.
[[nodiscard]] std::size_t equalPrefix(const char* a, const char* b, std::size_t count);

}  // namespace rq::patch
