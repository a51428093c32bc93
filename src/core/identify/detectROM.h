#pragma once

#include <string>
#include <string_view>

#include "files/result.h"

namespace rq::identify {

inline constexpr std::string_view kNoRomLoaded = "No ROM Loaded";

// What identifying one file gave: the new detectedGame and what the user is to be told, in order.
struct Identification {
    std::string game;         // a catalogue name, the empty text, or kNoRomLoaded
    bool readFailed = false;  // a header read failed: the read's own message comes first
    std::string message;      // the refusal, shown without an icon; empty when none

    [[nodiscard]] bool recognised() const { return !game.empty() && game != kNoRomLoaded; }
};

// Identifies a file from its extension and header fields, reading only the fields it tests.
// Fails, leaving the caller's detectedGame alone, when the file does not exist or is not a regular file.
[[nodiscard]] Result<Identification> detectGame(const std::string& path);

}  // namespace rq::identify
