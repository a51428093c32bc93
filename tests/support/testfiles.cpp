#include "testfiles.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <atomic>
#include <cctype>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "files/asciitext.h"
#include "files/common.h"

namespace rq::test {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        m_path = base / ("romquill-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(m_path)) {
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::file(std::string_view name) const {
    return files::pathText((m_path / files::fsPath(name)).make_preferred());
}

void writeImage(const std::string& path, const std::vector<Patch>& patches, std::uint64_t size) {
    std::uint64_t end = size;
    for (const auto& patch : patches) {
        end = size != 0 ? size : std::max(end, patch.offset + patch.bytes.size());
    }
    writeText(path, "");
    std::filesystem::resize_file(files::fsPath(path), end);
    std::fstream out(files::fsPath(path), std::ios::binary | std::ios::in | std::ios::out);
    for (const auto& patch : patches) {
        out.seekp(static_cast<std::streamoff>(patch.offset));
        out.write(patch.bytes.data(), static_cast<std::streamsize>(patch.bytes.size()));
    }
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string cutsceneText(std::size_t room) {
    return "t" + std::to_string(room);
}

std::string writeCutsceneExecutable(const TempDir& dir, const std::string& marker, cutscenes::Edition edition,
                                    std::vector<Patch> more) {
    std::vector<Patch> patches = {{0, "MZ"}, {0x3C, marker}};
    const auto rooms = cutscenes::rooms();
    for (std::size_t i = 0; i < rooms.size(); ++i) {
        if (const auto offset = cutscenes::fileOffset(rooms[i], edition)) {
            const std::string text = cutsceneText(i) + '\0';
            patches.push_back(
                {static_cast<std::uint64_t>(*offset), text + std::string(rooms[i].size - text.size(), '~')});
        }
    }
    patches.insert(patches.end(), more.begin(), more.end());
    const std::string path = dir.file("sonic" + marker + ".exe");
    writeImage(path, patches, 0x480000);
    return path;
}

std::string distinctBytes(std::size_t size) {
    std::string bytes(size, ' ');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(0x21 + i % 94);
    }
    return bytes;
}

std::string utf16(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    }
    return bytes;
}

void writeText(const std::string& path, std::string_view text) {
    std::filesystem::create_directories(files::fsPath(path).parent_path());
    std::ofstream out(files::fsPath(path), std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

bool makeFifo(const std::string& path) {
#ifdef _WIN32
    static_cast<void>(path);
    return false;
#else
    return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

std::string readAll(const std::string& path) {
    std::ifstream in(files::fsPath(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string replaced(std::string text, const std::vector<std::pair<std::string, std::string>>& tokens) {
    for (const auto& [token, value] : tokens) {
        for (auto at = text.find(token); at != std::string::npos; at = text.find(token, at + value.size())) {
            text.replace(at, token.size(), value);
        }
    }
    return text;
}

std::vector<std::string> filesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(files::pathText(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string testName(std::string_view name) {
    std::string id;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            id += c;
        } else if (!id.empty() && id.back() != '_') {
            id += '_';
        }
    }
    if (!id.empty() && id.back() == '_') {
        id.pop_back();
    }
    return id;
}

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
                "\nHexLocation=" + files::hexText(e.offset) + "\n" + e.keys;
    }
    return text;
}

std::string alphabetText(int charLength, std::string_view load, std::string_view save) {
    return "[AlphabetAndFileInfo]\nCharLength=" + std::to_string(charLength) + "\n[Load]\n" +
           std::string(load) + "[save]\n" + std::string(save);
}

ProgramFolder::ProgramFolder() {
    for (const char* sub : {"plugins/games", "plugins/alphabets", "gfx"}) {
        std::filesystem::create_directories(m_dir.path() / sub);
    }
    files::setApplicationFolder(files::pathText(m_dir.path()));
}

}  // namespace rq::test
