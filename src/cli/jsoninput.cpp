#include "jsoninput.h"

#include <array>

#include "exchange/csvtexts.h"
#include "exchange/jsontexts.h"
#include "exchange/potexts.h"
#include "exchange/xlifftexts.h"
#include "files/asciitext.h"
#include "files/filehandle.h"
#include "files/textencoding.h"

namespace rq::cli {
namespace {

// Standard input, bounded as a file is: a pipe has no size to check first.
Result<std::string> readStandardInput(std::istream& in) {
    std::string bytes;
    std::array<char, 1 << 16> chunk{};
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > exchange::kJsonTextsByteLimit) {
            return Error{"Standard input has more than " + std::to_string(exchange::kJsonTextsByteLimit) +
                         " bytes; texts of more than that are not read."};
        }
    }
    if (in.bad()) {
        return Error{"Reading standard input failed."};
    }
    return bytes;
}

}  // namespace

Result<JsonInput> readJsonInput(const std::string& path, std::istream& in) {
    const bool standardInput = path == "-";
    auto bytes =
        standardInput ? readStandardInput(in) : files::readFileBytes(path, exchange::kJsonTextsByteLimit);
    if (!bytes) {
        return bytes.failure();
    }
    const std::string name = standardInput ? "standard input" : path;
    auto text = files::utf8Input(std::move(bytes).value(), name);
    if (!text) {
        return text.failure();
    }
    return JsonInput{std::move(text).value(), name};
}

std::optional<TextsFormat> textsFormat(const std::string& name) {
    if (name == "po") {
        return TextsFormat::Po;
    }
    if (name == "csv") {
        return TextsFormat::Csv;
    }
    if (name == "atlas") {
        return TextsFormat::Atlas;
    }
    if (name == "xliff") {
        return TextsFormat::Xliff;
    }
    return name == "json" ? std::optional(TextsFormat::Json) : std::nullopt;
}

TextsFormat formatOfPath(const std::string& path) {
    const std::string lower = files::lowerAscii(path);
    if (lower.ends_with(".po")) {
        return TextsFormat::Po;
    }
    if (lower.ends_with(".xlf") || lower.ends_with(".xliff")) {
        return TextsFormat::Xliff;
    }
    return lower.ends_with(".csv") ? TextsFormat::Csv : TextsFormat::Json;
}

Status writeTranslatorsFile(std::ostream& out, TextsFormat format,
                            std::span<const exchange::ExportedEntry> entries,
                            const std::string& projectName) {
    if (format == TextsFormat::Csv) {
        exchange::writeCsvTexts(out, entries);
        return success();
    }
    return format == TextsFormat::Xliff ? exchange::writeXliffTexts(out, entries, projectName)
                                        : exchange::writePoTexts(out, entries, projectName);
}

Status readTranslatorsFile(TextsFormat format, const JsonInput& input,
                           const std::function<std::vector<exchange::ExportedEntry>()>& exported,
                           const exchange::TranslationSink& take) {
    if (format == TextsFormat::Po) {
        return exchange::readPoTexts(input.bytes, input.name, exchange::poByteLimit(exported()), take);
    }
    if (format == TextsFormat::Xliff) {
        return exchange::readXliffTexts(input.bytes, input.name, exchange::xliffByteLimit(exported()), take);
    }
    return exchange::readCsvTexts(input.bytes, input.name, take);
}

}  // namespace rq::cli
