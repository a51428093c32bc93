// Any bytes as a CSV file of translations, and the input cut into texts, written as CSV and read back.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "exchange/csvtexts.h"
#include "exchangeinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string name = "texts.csv";

    // A refusal starts with the file's name and its row; every row taken says where it stands.
    const auto read = rq::exchange::parseCsvTexts(input, name);
    if (read) {
        for (const auto& translation : *read) {
            fuzz::require(translation.where.starts_with("row "));
        }
    } else {
        fuzz::require(read.error().starts_with(name + ", row "));
    }

    const auto entries = fuzz::exportedFrom(input);
    std::ostringstream written;
    rq::exchange::writeCsvTexts(written, entries);
    const auto back = rq::exchange::parseCsvTexts(written.str(), name);
    fuzz::require(back.ok());
    fuzz::requireReadBack(entries, *back, false);
    return 0;
}
