// Any bytes as a PO file of translations, and the input cut into texts, written as PO and read back.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "exchange/potexts.h"
#include "exchangeinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string name = "texts.po";

    // A refusal starts with the file's name, and a place in it when it has one.
    const auto read = rq::exchange::parsePoTexts(input, name);
    fuzz::require(read.ok() || read.error().starts_with(name + " ") || read.error().starts_with(name + ", "));

    // What the writer writes, the reader reads back; what it cannot carry, it refuses before writing.
    const auto entries = fuzz::exportedFrom(input);
    std::ostringstream written;
    if (!rq::exchange::writePoTexts(written, entries, "fuzz")) {
        fuzz::require(written.str().empty());
        return 0;
    }
    const auto back = rq::exchange::parsePoTexts(written.str(), name);
    fuzz::require(back.ok());
    fuzz::requireReadBack(entries, *back, true);
    return 0;
}
