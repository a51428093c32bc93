#include "entrytexts.h"

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/readwritetext.h"

namespace rq {
namespace {

Error invalidCharacter(const TemplateEntry& entry, const std::string& key, const std::string& paddedText) {
    // Control characters would break the message's lines or vanish from it, so they are shown escaped.
    const auto shown = [](const std::string& utf8) {
        std::string text;
        for (const char32_t ch : decodeUtf8(utf8).value_or(std::u32string())) {
            if (const auto named = std::u32string_view(U"\0\t\n\r", 4).find(ch);
                named != std::u32string_view::npos) {
                text += std::string("\\") + "0tnr"[named];
            } else if (ch < 0x20 || (ch >= 0x7F && ch < 0xA0)) {
                text += "\\x" + hexText(ch, 2);
            } else {
                text += encodeUtf8(ch);
            }
        }
        return text;
    };
    return Error{entryName(entry) + ": The character '" + shown(key) + "' in the string '" +
                     shown(paddedText) +
                     "' is invalid. Please replace it with a valid character.\r\n"
                     "Note: this error may not apply to every text string in the game.",
                 ErrorKind::Refusal};
}

// The code bytes of an entry's first limit characters, or the refusal of the first that cannot be saved.
// More than limit characters can stand in a text when a code shows as several; the rest are not saved.
Result<std::string> encodeText(const TemplateEntry& entry, const std::string& text) {
    const auto chars = decodeUtf8(text);
    if (!chars) {
        return Error{entryName(entry) + " is not valid UTF-8. Nothing was written.", ErrorKind::Refusal};
    }
    std::string bytes;
    for (std::size_t k = 0; k < chars->size() && k < static_cast<std::size_t>(entry.limit()); ++k) {
        const auto byte = unicodeToByte((*chars)[k]);
        if (!byte) {
            return invalidCharacter(entry, encodeUtf8((*chars)[k]), text);
        }
        const auto code = entry.alphabet->encode(static_cast<char>(*byte));
        if (!code) {
            return invalidCharacter(entry, bytesToUtf8(characterKey(static_cast<char>(*byte))), text);
        }
        bytes += *code;
    }
    return bytes;
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
        result.texts.push_back(bytesToUtf8(entry.alphabet->decode(*bytes)));
    }
    return result;
}

std::string padToLimit(const std::string& text, int limit) {
    const std::size_t count = characterCount(text);
    if (limit <= 0 || count >= static_cast<std::size_t>(limit)) {
        return text;
    }
    return text + std::string(static_cast<std::size_t>(limit) - count, ' ');
}

Result<std::vector<PlannedWrite>> planSave(const GameTemplate& gameTemplate,
                                           std::span<const std::string> paddedTexts, std::uint64_t fileSize) {
    if (gameTemplate.entries.size() != paddedTexts.size()) {
        return Error{"The template " + gameTemplate.path + " now has " +
                         std::to_string(gameTemplate.entries.size()) + " entries, not the " +
                         std::to_string(paddedTexts.size()) +
                         " this editor shows. Nothing was written; close the editor and launch it again.",
                     ErrorKind::Refusal};
    }
    std::vector<PlannedWrite> writes;
    writes.reserve(paddedTexts.size());
    for (std::size_t i = 0; i < paddedTexts.size(); ++i) {
        const TemplateEntry& entry = gameTemplate.entries[i];
        auto bytes = encodeText(entry, paddedTexts[i]);
        if (!bytes) {
            return bytes.failure();
        }
        PlannedWrite write{entry.offset, std::move(bytes).value()};
        if (write.bytes.size() > static_cast<std::size_t>(entry.length)) {
            return Error{entryName(entry) + " needs " + std::to_string(write.bytes.size()) +
                             " bytes, but its room in the file is " + std::to_string(entry.length) +
                             " bytes. Nothing was written.",
                         ErrorKind::Refusal};
        }
        if (static_cast<std::uint64_t>(entry.offset) + write.bytes.size() > fileSize) {
            return Error{entryName(entry) + " lies past the end of the file (offset " +
                             hexText(static_cast<std::uint64_t>(entry.offset)) + ", " +
                             std::to_string(write.bytes.size()) + " bytes; the file has " +
                             hexText(fileSize) + " bytes). Nothing was written.",
                         ErrorKind::Refusal};
        }
        writes.push_back(std::move(write));
    }
    return writes;
}

Status writeEntryTexts(const GameTemplate& gameTemplate, const std::string& gameFile,
                       std::span<const std::string> paddedTexts) {
    const auto size = regularFileSize(gameFile);
    if (!size) {
        return size.failure();
    }
    const auto writes = planSave(gameTemplate, paddedTexts, *size);
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
