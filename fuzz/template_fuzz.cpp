#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/entrytexts.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/iniReadWriteDelete.h"
#include "templates/gametemplate.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::filesystem::path folderPath;

void removeFolder() {
    std::error_code ec;
    std::filesystem::remove_all(folderPath, ec);
}

// A program folder per process, laid out once: the files in it are rewritten for every input.
const std::filesystem::path& programFolder() {
    static const bool made = [] {
        folderPath =
            std::filesystem::temp_directory_path() / ("romquill-template-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folderPath / "plugins" / "games");
        std::filesystem::create_directories(folderPath / "plugins" / "alphabets");
        rq::files::setApplicationFolder(folderPath.string());
        std::atexit(removeFolder);
        return true;
    }();
    require(made);
    return folderPath;
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    require(static_cast<bool>(out));
}

// The parse cache reuses a parse only while the file's bytes stay the same: new bytes must come back as a
// new parse, or every run after the first would test stale text, and the same bytes as the parse held.
// The previous parse is held, so a new one cannot reuse its address.
struct SeenIni {
    std::string bytes;
    std::shared_ptr<const rq::files::IniFile> parse;
};

void requireParseOfTheseBytes(const std::filesystem::path& path, std::string_view bytes, SeenIni& previous) {
    auto now = rq::files::loadIniFile(path.string());
    require(now != nullptr);
    require((now == previous.parse) == (previous.parse != nullptr && bytes == previous.bytes));
    previous = {std::string(bytes), std::move(now)};
}

std::string_view cutAtNul(std::string_view& rest) {
    const auto nul = rest.find('\0');
    const std::string_view part = rest.substr(0, nul);
    rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    return part;
}

}  // namespace

// The input is the template, a 0x00 byte, the alphabet "alphabet.ini", a 0x00 byte, and the game file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view templateText = cutAtNul(rest);
    const std::string_view alphabetText = cutAtNul(rest);
    const std::string_view gameBytes = rest;

    const auto& folder = programFolder();
    const auto templatePath = folder / "plugins" / "games" / "fuzz.ini";
    const auto alphabetPath = folder / "plugins" / "alphabets" / "alphabet.ini";
    const auto gamePath = folder / "game.bin";
    writeFile(templatePath, templateText);
    writeFile(alphabetPath, alphabetText);
    writeFile(gamePath, gameBytes);

    static SeenIni previousTemplate;
    static SeenIni previousAlphabet;
    requireParseOfTheseBytes(templatePath, templateText, previousTemplate);
    requireParseOfTheseBytes(alphabetPath, alphabetText, previousAlphabet);

    const auto gameTemplate = rq::templates::readGameTemplate(templatePath.string());
    if (!gameTemplate) {
        return 0;
    }
    require(gameTemplate->entries.size() <= static_cast<std::size_t>(rq::templates::kEntrySlots));
    for (std::size_t i = 0; i < gameTemplate->entries.size(); ++i) {
        const auto& entry = gameTemplate->entries[i];
        require(entry.number == static_cast<int>(i) + 1);
        require(entry.length >= 0 && entry.offset >= 0 && entry.alphabet != nullptr);
        require(entry.limit() >= 0);
    }

    // The game file is there and regular: a range past its end reads as zeros, it never fails.
    const auto read = rq::editor::readEntryTexts(*gameTemplate, gamePath.string());
    require(!read.readFailed);
    require(read.texts.size() == gameTemplate->entries.size());

    // Every text as read, padded to its limit and saved back as an edit: a text read longer than its box is
    // refused, as is any character its alphabet cannot save.
    std::vector<rq::editor::EntryEdit> edits;
    edits.reserve(read.texts.size());
    for (std::size_t i = 0; i < read.texts.size(); ++i) {
        edits.push_back({i, rq::files::padToLimit(read.texts[i], gameTemplate->entries[i].limit())});
    }
    const auto writes = rq::editor::planSave(*gameTemplate, edits, gameTemplate->entries.size());
    if (!writes) {
        return 0;
    }
    require(writes->size() == gameTemplate->entries.size());
    for (std::size_t i = 0; i < writes->size(); ++i) {
        const auto& write = (*writes)[i];
        const auto& entry = gameTemplate->entries[i];
        require(write.offset == static_cast<std::uint64_t>(entry.offset));
        require(write.bytes.size() <= static_cast<std::size_t>(entry.length));
    }
    // A template that changed its number of entries since they were shown is refused.
    require(!rq::editor::planSave(*gameTemplate, edits, gameTemplate->entries.size() + 1));
    return 0;
}
