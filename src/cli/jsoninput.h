#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/translations.h"
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
enum class TextsFormat { Json, Po, Csv, Atlas, Xliff };

// The format --format names ("json", "po", "csv", "atlas", "xliff"), or nothing when it was not given.
[[nodiscard]] std::optional<TextsFormat> textsFormat(const std::string& name);

// The format of an input file by its extension (.po, .csv, .xlf or .xliff; anything else is JSON: an
// inserter script is only ever named by --format atlas, since its files end in anything).
[[nodiscard]] TextsFormat formatOfPath(const std::string& path);

// The texts as a translator's file of the format (CSV, PO or XLIFF), or why they cannot be.
[[nodiscard]] Status writeTranslatorsFile(std::ostream& out, TextsFormat format,
                                          std::span<const exchange::ExportedEntry> entries,
                                          const std::string& projectName);

// The translations of a translator's file (PO, CSV or XLIFF), handed to take as they are read; exported gives
// the texts as exported, which bound a file that is held whole while it is read.
[[nodiscard]] Status readTranslatorsFile(
    TextsFormat format, const JsonInput& input,
    const std::function<std::vector<exchange::ExportedEntry>()>& exported,
    const exchange::TranslationSink& take);

}  // namespace rq::cli
