// Any bytes as a table, a text and a game file, cut at the first two 0xFF bytes: the searches give only hits
// that lie inside the file and that a second look at the same place confirms, and the pointer tables found
// lie inside it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchangeinput.h"
#include "search/pointerfinder.h"
#include "search/relative.h"
#include "search/tablesearch.h"

using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto cut = [&input] {
        const auto at = input.find('\xFF');
        const std::string_view piece = input.substr(0, at);
        input.remove_prefix(at == std::string_view::npos ? input.size() : at + 1);
        return piece;
    };
    const auto table = rq::templates::Table::parse(cut());
    const std::string_view text = cut();
    const std::string_view file = input;

    if (const auto found = rq::search::findTableText(file, table, text)) {
        for (const auto& hit : found->hits) {
            require(hit.length > 0 && hit.offset + hit.length <= file.size());
        }
    }
    const std::u32string word(text.begin(), text.end());
    if (const auto found = rq::search::relativeSearch(file, {word})) {
        for (const auto& hit : found->hits) {
            const auto again = rq::search::relativeHitAt(file, word, hit.offset, hit.layout);
            require(again && again->codes == hit.codes);
        }
    }
    std::vector<std::uint64_t> offsets;
    for (std::size_t i = 0; i + 1 < text.size() && offsets.size() < 20; i += 2) {
        offsets.push_back(static_cast<std::uint8_t>(text[i]) | (static_cast<std::uint8_t>(text[i + 1]) << 8));
    }
    for (const auto& found : rq::search::findPointerTables(file, offsets)) {
        require(found.count >= 2 && found.cells >= 1 &&
                found.table + static_cast<std::uint64_t>(found.cells - 1) * found.stride +
                        static_cast<std::uint64_t>(found.format.size) <=
                    file.size());
    }
    return 0;
}
