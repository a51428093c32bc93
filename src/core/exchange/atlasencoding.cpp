#include "exchange/atlasencoding.h"

#include <algorithm>
#include <array>

#include "files/asciitext.h"

namespace rq::exchange {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::vector<ScriptLabel> scriptLabels(const templates::Table& table) {
    std::vector<ScriptLabel> labels;
    // An end token or a line break may also stand as its bytes, "<$FF>", as a dump writes one without a
    // label: the inserter writes those bytes, and the editors read them as what they are.
    const auto addRaw = [&labels](const templates::Table::Entry& entry, std::string text, std::string end) {
        for (const bool upper : {true, false}) {
            std::string script;
            for (const char byte : entry.code) {
                const std::string hex = files::hexText(static_cast<unsigned char>(byte), 2);
                script += "<$" + (upper ? hex : files::lowerAscii(hex)) + ">";
            }
            labels.push_back({std::move(script), text, end});
        }
    };
    for (const auto& entry : table.entries()) {
        if (entry.kind == templates::Table::Kind::End) {
            addRaw(entry, {}, entry.code);
        } else if (entry.kind == templates::Table::Kind::LineBreak) {
            addRaw(entry, "\n", {});
        }
        if (entry.kind == templates::Table::Kind::End && !entry.text.empty()) {
            labels.push_back({entry.text, {}, entry.code});
        } else if (entry.kind == templates::Table::Kind::LineBreak && !entry.label.empty()) {
            labels.push_back({entry.label, "\n", {}});
        } else if (entry.kind == templates::Table::Kind::Text && entry.text.find('\n') != std::string::npos) {
            std::string script = entry.text;
            std::erase(script, '\n');
            if (!script.empty()) {
                labels.push_back({script, entry.text, {}});
            }
        }
    }
    std::ranges::stable_sort(labels, std::greater<>(),
                             [](const ScriptLabel& label) { return label.script.size(); });
    return labels;
}

Result<std::string> scriptTextBytes(const templates::Table& table, std::string_view text) {
    // The texts that can stand at a place, by their first byte, longest first (in table order among equals):
    // the first that stands there is the inserter's choice.
    std::array<std::vector<const templates::Table::Entry*>, 256> byFirst;
    for (const auto& entry : table.entries()) {
        if (entry.kind != templates::Table::Kind::End && !entry.text.empty()) {
            byFirst[static_cast<unsigned char>(entry.text.front())].push_back(&entry);
        }
    }
    for (auto& entries : byFirst) {
        std::ranges::stable_sort(entries, std::greater<>(),
                                 [](const templates::Table::Entry* entry) { return entry->text.size(); });
    }
    std::string bytes;
    for (std::size_t at = 0; at < text.size();) {
        if (text.size() - at >= 5 && text[at] == '<' && text[at + 1] == '$' && isHexDigit(text[at + 2]) &&
            isHexDigit(text[at + 3]) && text[at + 4] == '>') {
            bytes += static_cast<char>(*files::parseHex(text.substr(at + 2, 2)));
            at += 5;
            continue;
        }
        const auto& entries = byFirst[static_cast<unsigned char>(text[at])];
        const auto longest = std::ranges::find_if(entries, [&](const templates::Table::Entry* entry) {
            return text.substr(at).starts_with(entry->text);
        });
        if (longest == entries.end()) {
            std::size_t length = 1;
            while (at + length < text.size() &&
                   (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) {
                ++length;
            }
            return Error{"has no code for \"" + std::string(text.substr(at, length)) + "\" in the table",
                         ErrorKind::Refusal};
        }
        bytes += (*longest)->code;
        at += (*longest)->text.size();
    }
    return bytes;
}

}  // namespace rq::exchange
