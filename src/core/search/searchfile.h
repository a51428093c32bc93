#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "files/result.h"

// What the searches share: the file they search, held whole, and their progress.
namespace rq::search {

// Called now and then with the bytes searched and the bytes to search; false cancels the search, which then
// gives nothing. The patch jobs report progress the same way.
using SearchProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// The largest file a search reads: a game file is held whole while it is searched.
inline constexpr std::uint64_t kLargestSearchedFile = std::uint64_t{256} << 20;

// A game file's bytes for a search; refused when it is larger than kLargestSearchedFile or cannot be read.
[[nodiscard]] Result<std::string> readSearchedFile(const std::string& path);

// Whole bytes in hexadecimal, with or without "0x", 1 to `most` of them, first byte first: a table's key, an
// end token, a fill byte as they lie in the file. Nothing when the text is not that.
[[nodiscard]] std::optional<std::string> hexBytes(std::string_view text, std::size_t most);

}  // namespace rq::search
