#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/iniReadWriteDelete.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Every name the parser reports must be found again through the lookup, and no value may pass the
// limit that Windows's buffer sets.
void checkLookups(const rq::files::IniFile& ini, std::string_view bytes) {
    for (const auto& section : ini.sections()) {
        require(ini.section(section.name) == &section);
        for (const auto& line : section.lines) {
            const auto value = ini.value(section.name, line.key);
            require(!value || value->size() <= rq::files::kIniValueLimit);
        }
    }
    // Names taken from the input itself, so that near-misses and odd bytes are asked for too.
    const auto cut = bytes.find('\n');
    const std::string_view head = bytes.substr(0, cut);
    const std::string_view tail = cut == std::string_view::npos ? std::string_view() : bytes.substr(cut + 1);
    const auto value = ini.value(head, tail.substr(0, tail.find('\n')));
    require(!value || value->size() <= rq::files::kIniValueLimit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const rq::files::IniFile ini = rq::files::IniFile::parse(bytes);
    checkLookups(ini, bytes);
    return 0;
}
