#pragma once

// What the exchange targets share: an input cut into texts, and texts as an export hands them over.

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/translations.h"
#include "files/asciitext.h"
#include "files/codepage.h"

namespace fuzz {

inline void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The input cut at every 0xFF byte, which UTF-8 never holds, into at most 64 texts. A piece that is not
// UTF-8 is taken as code-page bytes, as a game file's text is read: every export's texts are UTF-8.
inline std::vector<rq::exchange::ExportedEntry> exportedFrom(std::string_view input) {
    std::vector<rq::exchange::ExportedEntry> entries;
    while (entries.size() < 64) {
        const auto cut = input.find('\xFF');
        const std::string_view piece = input.substr(0, cut);
        std::string text = rq::files::decodeUtf8(piece) ? std::string(piece) : rq::files::bytesToUtf8(piece);
        // A template's comment is an INI value: one line.
        std::string comment;
        for (const char c : text) {
            if (c != '\r' && c != '\n') {
                comment += c;
            }
        }
        const std::string number = std::to_string(entries.size() + 1);
        const int length = static_cast<int>(text.size());
        entries.push_back(rq::exchange::ExportedEntry{
            "entry " + number, number, rq::files::hexText(entries.size() * 0x20), length, length,
            std::move(comment), std::string(rq::files::unpadded(text))});
        if (cut == std::string_view::npos) {
            break;
        }
        input.remove_prefix(cut + 1);
    }
    return entries;
}

// What a reader gives back for an export: every text once, in order, by its key, with no translation. A PO
// file (read by its context) holds an empty original as a single space: an empty msgid is the header's.
template <class Read>
void requireReadBack(const std::vector<rq::exchange::ExportedEntry>& entries, const Read& read,
                     bool byContext) {
    require(read.size() == entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        require(read[i].key == (byContext ? entries[i].context : entries[i].key));
        const bool space = byContext && entries[i].original.empty();
        require(read[i].original == (space ? " " : entries[i].original));
        require(read[i].text.empty());
    }
}

}  // namespace fuzz
