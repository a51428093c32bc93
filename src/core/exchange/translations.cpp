#include "exchange/translations.h"

#include "files/asciitext.h"
#include "files/codepage.h"

namespace rq {

std::string_view unpadded(std::string_view text) {
    const auto end = text.find_last_not_of(' ');
    return text.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

ExportedEntry exportedEntry(const TemplateEntry& entry, const std::string& text) {
    return ExportedEntry{entry.number,
                         hexText(static_cast<std::uint64_t>(entry.offset)),
                         entry.length,
                         entry.limit(),
                         bytesToUtf8(entry.comment),
                         std::string(unpadded(text))};
}

Result<std::map<int, std::string>> takeTranslations(std::span<const Translation> given,
                                                    const std::string& name, const GameTemplate& gameTemplate,
                                                    std::span<const std::string> texts) {
    const auto refuse = [&name](const Translation& item, const std::string& why) {
        return Error{name + ", " + item.where + ": " + why, ErrorKind::Refusal};
    };
    std::map<int, std::string> taken;
    std::vector<bool> seen(gameTemplate.entries.size());
    for (const Translation& item : given) {
        if (item.entry < 1 || static_cast<std::size_t>(item.entry) > gameTemplate.entries.size()) {
            return refuse(item, "the template has no entry " + std::to_string(item.entry) + " (it has " +
                                    std::to_string(gameTemplate.entries.size()) + ").");
        }
        const auto index = static_cast<std::size_t>(item.entry - 1);
        if (seen[index]) {
            return refuse(item, "entry " + std::to_string(item.entry) + " is given twice.");
        }
        seen[index] = true;
        const std::string_view current = unpadded(texts[index]);
        // A translation the file already holds was inserted before: the same file may be inserted again.
        const bool inserted = !item.text.empty() && unpadded(item.text) == current;
        if (item.original != current && !inserted) {
            return refuse(item, "the original text \"" + item.original + "\" is not what entry " +
                                    std::to_string(item.entry) + " holds now (\"" + std::string(current) +
                                    "\"): the file changed since the export.");
        }
        // Padding is the save's to add: a translation equal to the text is no change.
        if (!item.text.empty() && unpadded(item.text) != current) {
            taken.emplace(item.entry, item.text);
        }
    }
    return taken;
}

}  // namespace rq
