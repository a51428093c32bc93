// Any bytes as an XLIFF file of translations, and the input cut into texts, written as XLIFF and read back.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "exchange/xlifftexts.h"
#include "exchangeinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string name = "texts.xlf";

    // A refusal starts with the file's name, and a place in it when it has one.
    const auto read = rq::exchange::parseXliffTexts(input, name);
    fuzz::require(read.ok() || read.error().starts_with(name + " ") || read.error().starts_with(name + ", "));
    for (const auto& item : read.ok() ? *read : std::vector<rq::exchange::Translation>{}) {
        fuzz::require(item.where.starts_with("line ") &&
                      (item.problem.empty() || item.problem.starts_with(name)));
    }

    // What the writer writes, the reader reads back; what it cannot carry, it refuses before writing.
    const auto entries = fuzz::exportedFrom(input);
    std::ostringstream written;
    if (!rq::exchange::writeXliffTexts(written, entries, "fuzz")) {
        fuzz::require(written.str().empty());
        return 0;
    }
    const auto back = rq::exchange::parseXliffTexts(written.str(), name);
    fuzz::require(back.ok());
    fuzz::requireReadBack(entries, *back, false);
    return 0;
}
