#include "jsoninput.h"

#include <array>
#include <ostream>

#include "exchange/jsontexts.h"
#include "exchange/textencoding.h"
#include "files/asciitext.h"
#include "files/filehandle.h"

namespace rq::cli {
namespace {

// Standard input, bounded as a file is: a pipe has no size to check first.
Result<std::string> readStandardInput(std::istream& in) {
    std::string bytes;
    std::array<char, 1 << 16> chunk{};
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kJsonTextsByteLimit) {
            return Error{"Standard input has more than " + std::to_string(kJsonTextsByteLimit) +
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
    auto bytes = standardInput ? readStandardInput(in) : readFileBytes(path, kJsonTextsByteLimit);
    if (!bytes) {
        return bytes.failure();
    }
    const std::string name = standardInput ? "standard input" : path;
    auto text = utf8Input(std::move(bytes).value(), name);
    if (!text) {
        return text.failure();
    }
    return JsonInput{std::move(text).value(), name};
}

std::optional<FormatOption> takeFormatOption(std::string_view verb, Arguments args, Streams io, int& status) {
    status = kExitUsage;
    FormatOption taken;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--format") {
            taken.rest.push_back(args[i]);
            continue;
        }
        const std::string value = i + 1 < args.size() ? args[++i] : std::string();
        const std::optional<TextsFormat> format = value == "json"  ? TextsFormat::Json
                                                  : value == "po"  ? TextsFormat::Po
                                                  : value == "csv" ? std::optional(TextsFormat::Csv)
                                                                   : std::nullopt;
        if (!format || taken.format) {
            io.err << "romquill-cli: --format needs one of json, po or csv, once\n";
            printVerbUsage(verb, io.err);
            return std::nullopt;
        }
        taken.format = format;
    }
    status = kExitOk;
    return taken;
}

TextsFormat formatOfPath(const std::string& path) {
    const std::string lower = lowerAscii(path);
    if (lower.ends_with(".po")) {
        return TextsFormat::Po;
    }
    return lower.ends_with(".csv") ? TextsFormat::Csv : TextsFormat::Json;
}

}  // namespace rq::cli
