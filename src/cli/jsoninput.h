#pragma once

#include <istream>
#include <string>

#include "files/result.h"

namespace rq::cli {

// The JSON input of insert and cutscenes insert, and its name for messages.
struct JsonInput {
    std::string bytes;
    std::string name;
};

// The file, or standard input for "-", bounded as the core bounds a file.
[[nodiscard]] Result<JsonInput> readJsonInput(const std::string& path, std::istream& in);

}  // namespace rq::cli
