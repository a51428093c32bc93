#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
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
enum class TextsFormat { Json, Po, Csv };

// The verb's arguments without --format F, and F (nothing when not given). A usage mistake (no value, a
// format other than json, po or csv, --format given twice) prints the verb's usage and sets status to
// kExitUsage.
struct FormatOption {
    std::vector<std::string> rest;
    std::optional<TextsFormat> format;
};
[[nodiscard]] std::optional<FormatOption> takeFormatOption(std::string_view verb, Arguments args, Streams io,
                                                           int& status);

// The format of an input file by its extension (.po, .csv; anything else is JSON).
[[nodiscard]] TextsFormat formatOfPath(const std::string& path);

}  // namespace rq::cli
