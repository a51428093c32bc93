#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace rq::identify {

// The bytes expected at an absolute file offset; the length is the text's size. Matched as Text, any bytes
// of that length pass that hold no zero byte: a text's room, whatever it now says.
struct FieldTest {
    enum class Match { Bytes, Text };
    std::int32_t offset = 0;
    std::string_view bytes;
    Match match = Match::Bytes;
};

// Passes when every given field test passes, or, with fileSize set, when the file is exactly that long.
struct Condition {
    std::array<FieldTest, 2> fields{};
    std::uint64_t fileSize = 0;
};

struct Catalogue;

struct Outcome {
    enum class Kind { Game, NotSupported, Silent, Catalogue };
    Kind kind = Kind::NotSupported;
    std::string_view game;
    const Catalogue* next = nullptr;  // Kind::Catalogue: identify by another catalogue
};

struct Rule {
    Condition when;
    Outcome then;
};

struct Entry {
    FieldTest key;
    std::span<const Rule> rules;  // tried in order; the first that passes decides
    Outcome otherwise;            // when no rule passes, or the entry has none
};

struct Catalogue {
    std::span<const Entry> entries;
    Outcome noMatch;
};

struct Platform {
    std::string_view extension;
    std::span<const Condition> validity;  // any one passing makes the file valid; none listed: always valid
    std::string_view notValid;
    std::string_view notSupported;
    const Catalogue* catalogue;
};

// In the order they are tried; the first row whose extension matches is the only one used.
[[nodiscard]] std::span<const Platform> platforms();

}  // namespace rq::identify
