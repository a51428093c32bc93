#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "exchange/jsontexts.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Keyed texts as cutscenes insert reads them: exactly the string values of the tree's "texts" object.
void checkKeyed(std::string_view json, const std::string& name) {
    const auto texts = rq::exchange::parseJsonKeyedTexts(json, name);
    if (!texts) {
        require(texts.error().starts_with(name));
        return;
    }
    const auto document = nlohmann::json::parse(json);
    std::map<std::string, std::string> expected;
    for (const auto& [key, text] : document.at("texts").items()) {
        expected.emplace(key, text.get<std::string>());
    }
    require(*texts == expected);
}

}  // namespace

// The first byte picks the shape: with its top bit set, texts by key; else its value is the template's entry
// count. The rest is the JSON input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view json(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string name = "fuzz.json";
    if ((data[0] & 0x80) != 0) {
        checkKeyed(json, name);
        return 0;
    }
    const int entryCount = data[0];
    const auto texts = rq::exchange::parseJsonTexts(json, name, entryCount);
    if (!texts) {
        require(texts.error().starts_with(name));
        return 0;
    }
    // What was taken is what the library's own tree holds: with no key given twice, nothing was merged.
    const auto document = nlohmann::json::parse(json);
    std::map<int, std::string> expected;
    for (const auto& item : document.at("entries")) {
        const auto number = item.at("entry").get<std::int64_t>();
        require(number >= 1 && number <= entryCount);
        require(expected.emplace(static_cast<int>(number), item.at("text").get<std::string>()).second);
    }
    require(*texts == expected);
    return 0;
}
