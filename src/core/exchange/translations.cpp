#include "exchange/translations.h"

#include <charconv>
#include <functional>
#include <optional>

#include "files/asciitext.h"
#include "files/codepage.h"

namespace rq {
namespace {

// Where a key points: the text's index, or why it points nowhere.
using Resolve = std::function<Result<std::size_t>(const std::string& key)>;
// The text's name in messages: "entry 3", "sonic[0]".
using Describe = std::function<std::string(std::size_t index)>;

// The check every format shares, made on each translation as the reader hands it over; gives the new texts
// by index.
Result<std::map<std::size_t, std::string>> take(const TranslationReader& read, const std::string& name,
                                                const Resolve& resolve, const Describe& describe,
                                                std::span<const std::string> texts) {
    std::map<std::size_t, std::string> taken;
    std::vector<bool> seen(texts.size());
    const Status status = read([&](Translation item) -> Status {
        const auto refusal = [&name, &item](const std::string& why) {
            return Error{name + ", " + item.where + ": " + why, ErrorKind::Refusal};
        };
        const auto index = resolve(item.key);
        if (!index) {
            return refusal(index.error());
        }
        if (seen[*index]) {
            return refusal(describe(*index) + " is given twice.");
        }
        seen[*index] = true;
        const std::string_view current = unpadded(texts[*index]);
        // A translation the file already holds was inserted before: the same file may be inserted again.
        const bool inserted = !item.text.empty() && unpadded(item.text) == current;
        if (item.original != current && !inserted) {
            return refusal("the original text \"" + item.original + "\" is not what " + describe(*index) +
                           " holds now (\"" + std::string(current) +
                           "\"): the file changed since the export.");
        }
        // Padding is the save's to add: a translation equal to the text is no change.
        if (!item.text.empty() && unpadded(item.text) != current) {
            taken.emplace(*index, std::move(item.text));
        }
        return success();
    });
    if (!status) {
        return status.failure();
    }
    return taken;
}

TranslationReader readerOf(std::span<const Translation> given) {
    return [given](const TranslationSink& sink) -> Status {
        for (const Translation& item : given) {
            if (auto taken = sink(item); !taken) {
                return taken;
            }
        }
        return success();
    };
}

}  // namespace

std::vector<ExportedEntry> exportedEntries(const GameTemplate& gameTemplate,
                                           std::span<const std::string> texts) {
    std::vector<ExportedEntry> exported;
    exported.reserve(gameTemplate.entries.size());
    for (std::size_t i = 0; i < gameTemplate.entries.size(); ++i) {
        const TemplateEntry& entry = gameTemplate.entries[i];
        const std::string number = std::to_string(entry.number);
        exported.push_back(ExportedEntry{
            "entry " + number, number, hexText(static_cast<std::uint64_t>(entry.offset)), entry.length,
            entry.limit(), bytesToUtf8(entry.comment), std::string(unpadded(texts[i]))});
    }
    return exported;
}

std::vector<ExportedEntry> exportedRooms(const cutscenes::CutsceneTexts& texts) {
    std::vector<ExportedEntry> exported;
    for (std::size_t i = 0; i < texts.texts.size(); ++i) {
        const auto& room = cutscenes::rooms()[i];
        const auto offset = cutscenes::fileOffset(room, texts.edition);
        if (texts.texts[i] && offset) {
            const std::string key = cutscenes::roomKey(room);
            exported.push_back(ExportedEntry{key,
                                             key,
                                             hexText(static_cast<std::uint64_t>(*offset)),
                                             room.size,
                                             room.size,
                                             {},
                                             std::string(unpadded(*texts.texts[i]))});
        }
    }
    return exported;
}

Result<std::map<int, std::string>> takeTranslations(const TranslationReader& read, const std::string& name,
                                                    const GameTemplate& gameTemplate,
                                                    std::span<const std::string> texts) {
    const int count = static_cast<int>(gameTemplate.entries.size());
    const auto resolve = [count](const std::string& key) -> Result<std::size_t> {
        std::string_view number = key;
        if (number.starts_with("entry ")) {
            number.remove_prefix(6);
        }
        int entry = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), entry);
        if (error != std::errc{} || end != number.data() + number.size() || entry < 1 || entry > count) {
            return Error{"the template has no entry " + std::string(number) + " (it has " +
                         std::to_string(count) + ")."};
        }
        return static_cast<std::size_t>(entry - 1);
    };
    const auto describe = [](std::size_t index) { return "entry " + std::to_string(index + 1); };
    auto taken = take(read, name, resolve, describe, texts);
    if (!taken) {
        return taken.failure();
    }
    std::map<int, std::string> byEntry;
    for (const auto& [index, text] : *taken) {
        byEntry.emplace(static_cast<int>(index) + 1, text);
    }
    return byEntry;
}

Result<std::map<std::string, std::string>> takeRoomTranslations(const TranslationReader& read,
                                                                const std::string& name,
                                                                const cutscenes::CutsceneTexts& texts) {
    std::vector<std::string> current;
    current.reserve(texts.texts.size());
    for (const auto& text : texts.texts) {
        current.push_back(text.value_or(std::string()));
    }
    const auto resolve = [](const std::string& key) -> Result<std::size_t> {
        if (const auto room = cutscenes::findRoom(key)) {
            return *room;
        }
        return Error{"\"" + key + "\" names no cutscene text."};
    };
    const auto describe = [](std::size_t index) { return cutscenes::roomKey(cutscenes::rooms()[index]); };
    auto taken = take(read, name, resolve, describe, current);
    if (!taken) {
        return taken.failure();
    }
    std::map<std::string, std::string> byKey;
    for (const auto& [index, text] : *taken) {
        byKey.emplace(cutscenes::roomKey(cutscenes::rooms()[index]), text);
    }
    return byKey;
}

Result<std::map<int, std::string>> takeTranslations(std::span<const Translation> given,
                                                    const std::string& name, const GameTemplate& gameTemplate,
                                                    std::span<const std::string> texts) {
    return takeTranslations(readerOf(given), name, gameTemplate, texts);
}

Result<std::map<std::string, std::string>> takeRoomTranslations(std::span<const Translation> given,
                                                                const std::string& name,
                                                                const cutscenes::CutsceneTexts& texts) {
    return takeRoomTranslations(readerOf(given), name, texts);
}

}  // namespace rq
