#include "entrytexts.h"

#include "files/codepage.h"
#include "files/readwritetext.h"

namespace rq {
namespace {

std::string hex(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return out;
}

}  // namespace

EntryTexts readEntryTexts(const GameTemplate& gameTemplate, const std::string& gameFile) {
    EntryTexts result;
    result.texts.reserve(gameTemplate.entries.size());
    for (const auto& entry : gameTemplate.entries) {
        auto bytes = readRange(gameFile, entry.offset, entry.length, 0);
        if (!bytes) {
            result.readFailed = true;
            result.texts.emplace_back();
            continue;
        }
        result.texts.push_back(entry.alphabet->decode(*bytes));
    }
    return result;
}

std::string padToLimit(const std::string& text, int limit) {
    if (static_cast<int>(text.size()) >= limit) {
        return text;
    }
    return text + std::string(static_cast<std::size_t>(limit) - text.size(), ' ');
}

Result<std::vector<PlannedWrite>> planSave(const GameTemplate& gameTemplate,
                                           std::span<const std::string> paddedTexts, std::uint64_t fileSize,
                                           std::span<const std::size_t> unencodable) {
    if (gameTemplate.entries.size() != paddedTexts.size()) {
        return Error{"The template " + gameTemplate.path + " now has " +
                         std::to_string(gameTemplate.entries.size()) + " entries, not the " +
                         std::to_string(paddedTexts.size()) +
                         " this editor shows. Nothing was written; close the editor and launch it again.",
                     kTemplateChanged, gameTemplate.path};
    }
    std::vector<PlannedWrite> writes;
    writes.reserve(paddedTexts.size());
    for (std::size_t i = 0; i < paddedTexts.size(); ++i) {
        const TemplateEntry& entry = gameTemplate.entries[i];
        const std::string& text = paddedTexts[i];
        PlannedWrite write{entry.offset, {}};
        const int limit = entry.limit();
        // Only the first limit characters are saved; more can stand in a box when a code shows as several.
        const std::size_t noByteAt = i < unencodable.size() ? unencodable[i] : kAllEncodable;
        for (int k = 0; k < limit && k < static_cast<int>(text.size()); ++k) {
            const auto at = static_cast<std::size_t>(k);
            if (at == noByteAt) {
                return Error{
                    "A character of entry " + std::to_string(entry.number) + " has no byte in the code page.",
                    kUnencodableCharacter, std::to_string(entry.number)};
            }
            const auto code = entry.alphabet->encode(text[at]);
            if (!code) {
                return Error{invalidCharacterMessage(bytesToUtf8(characterKey(text[at])), bytesToUtf8(text)),
                             kInvalidCharacter, std::to_string(entry.number)};
            }
            write.bytes += *code;
        }
        if (write.bytes.size() > static_cast<std::size_t>(entry.length)) {
            return Error{entryName(entry) + " needs " + std::to_string(write.bytes.size()) +
                             " bytes, but its room in the file is " + std::to_string(entry.length) +
                             " bytes. Nothing was written.",
                         kEntryDoesNotFit, std::to_string(entry.number)};
        }
        if (static_cast<std::uint64_t>(entry.offset) + write.bytes.size() > fileSize) {
            return Error{entryName(entry) + " lies past the end of the file (offset " + hex(entry.offset) +
                             ", " + std::to_string(write.bytes.size()) + " bytes; the file has " +
                             hex(fileSize) + " bytes). Nothing was written.",
                         kEntryDoesNotFit, std::to_string(entry.number)};
        }
        writes.push_back(std::move(write));
    }
    return writes;
}

Status writePlanned(const std::string& gameFile, std::span<const PlannedWrite> writes) {
    auto file = OpenFile::open(gameFile);
    if (!file) {
        return Error{file.error()};
    }
    for (const auto& write : writes) {
        if (const auto written = (*file)->write(write.offset, write.bytes, 0); !written) {
            return Error{written.error() + " The file may be partly written."};
        }
    }
    return (*file)->close();
}

Status writeEntryTexts(const GameTemplate& gameTemplate, const std::string& gameFile,
                       std::span<const std::string> paddedTexts, std::span<const std::size_t> unencodable) {
    const auto size = regularFileSize(gameFile);
    if (!size) {
        return size.failure();
    }
    const auto writes = planSave(gameTemplate, paddedTexts, *size, unencodable);
    if (!writes) {
        return writes.failure();
    }
    return writePlanned(gameFile, *writes);
}

Result<std::vector<std::string>> saveEntryTexts(const std::string& templatePath, const std::string& gameFile,
                                                std::span<const std::string> texts) {
    auto gameTemplate = readGameTemplate(templatePath);
    if (!gameTemplate) {
        return gameTemplate.failure();
    }
    std::vector<std::string> padded;
    padded.reserve(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const int limit = i < gameTemplate->entries.size() ? gameTemplate->entries[i].limit() : 0;
        padded.push_back(padToLimit(texts[i], limit));
    }
    if (const auto written = writeEntryTexts(*gameTemplate, gameFile, padded); !written) {
        return written.failure();
    }
    return padded;
}

}  // namespace rq
