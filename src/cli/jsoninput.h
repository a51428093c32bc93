#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq::cli {

// The input of insert and cutscenes insert, and its name for messages.
struct JsonInput {
    std::string bytes;
    std::string name;
};

// The file, or standard input for "-", bounded as the core bounds a file, as UTF-8 (utf8Input).
[[nodiscard]] Result<JsonInput> readJsonInput(const std::string& path, std::istream& in);

// The formats texts go out and come back in.
enum class TextsFormat { Json, Po, Csv, Atlas };

// The format --format names ("json", "po", "csv", "atlas"), or nothing when it was not given.
[[nodiscard]] std::optional<TextsFormat> textsFormat(const std::string& name);

// The format of an input file by its extension (.po, .csv; anything else is JSON: an inserter script is
// only ever named by --format atlas, since its files end in anything).
[[nodiscard]] TextsFormat formatOfPath(const std::string& path);

}  // namespace rq::cli
