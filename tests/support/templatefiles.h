#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rq::test {

// One [entryN] section of a template.
struct EntryText {
    std::string format;  // a key of [TextFormattingSystem]
    int length = 0;
    std::uint64_t offset = 0;  // written in hexadecimal, as HexLocation holds it
    std::string comment = {};  // empty: "Entry N"
};

// The text of a game template: its version, details, text formats and entries, in the code page.
struct TemplateText {
    std::vector<EntryText> entries;
    std::vector<std::pair<std::string, std::string>> formats;  // key of [TextFormattingSystem] -> alphabet
    std::string details = {};                                  // lines of [GameAndFileInfo]: "Notes=...\n"
    std::string version = "v1.0";

    [[nodiscard]] std::string str() const;
};

// The text of an alphabet: its CharLength, then the lines of [Load] and [save] as given ("41=A\n").
[[nodiscard]] std::string alphabetText(int charLength, std::string_view load, std::string_view save);

}  // namespace rq::test
