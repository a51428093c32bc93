#include "support/templatefiles.h"

#include "files/asciitext.h"

namespace rq::test {

std::string TemplateText::str() const {
    std::string text = "[Ident]\nRQL_game_plugin=" + version + "\n[GameAndFileInfo]\n" + details +
                       "[TextFormattingSystem]\nNumberOfEntries=" + std::to_string(entries.size()) + "\n";
    for (const auto& [key, alphabet] : formats) {
        text += key + "=" + alphabet + "\n";
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const EntryText& e = entries[i];
        const std::string number = std::to_string(i + 1);
        text += "[entry" + number + "]\nComment=" + (e.comment.empty() ? "Entry " + number : e.comment) +
                "\nTextFormat=" + e.format + "\nLength=" + std::to_string(e.length) +
                "\nHexLocation=" + hexText(e.offset) + "\n";
    }
    return text;
}

std::string alphabetText(int charLength, std::string_view load, std::string_view save) {
    return "[AlphabetAndFileInfo]\nCharLength=" + std::to_string(charLength) + "\n[Load]\n" +
           std::string(load) + "[save]\n" + std::string(save);
}

}  // namespace rq::test
