#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "support/testfiles.h"

namespace rq::test {

// The fields that make a synthetic image valid for its platform, exactly as long as they are tested.
[[nodiscard]] std::vector<Patch> validHeader(std::string_view extension);

// One known game: a synthetic image that must be identified as exactly this name.
struct CatalogueRow {
    std::string name;
    std::string extension;
    std::vector<Patch> patches;  // everything written: the platform header, filler and the keys
    std::vector<Patch> keys;     // the game's fields: a change to any of their bytes must lose the name
    std::uint64_t size = 0;      // 0: just long enough for the patches
};

// Names the row in test output instead of dumping its bytes.
void PrintTo(const CatalogueRow& row, std::ostream* out);

// Every game of the catalogue, one row each, written from the game list rather than from the code's table.
[[nodiscard]] const std::vector<CatalogueRow>& catalogueRows();

// Writes the row's image into the folder (named after the row) and returns its path.
std::string writeRowImage(const CatalogueRow& row, const std::filesystem::path& folder);

}  // namespace rq::test
