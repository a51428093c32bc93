#include <array>
#include <cstdio>
#include <filesystem>
#include <random>

#include "files/common.h"
#include "files/filehandle.h"
#include "files/newfile.h"
#include "verbs.h"

namespace rq::cli {
namespace {

constexpr std::string_view kStandardInput = "standard input";
constexpr std::string_view kStandardOutput = "standard output";

void replaceAll(std::string& text, const std::string& what, std::string_view with) {
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

}  // namespace

Console::~Console() {
    if (!m_folder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(files::fsPath(m_folder), ec);
    }
}

void Console::say(std::string_view message) {
    cli::say(m_io.err, named(std::string(message)));
}

void Console::say(const std::string& file, std::string_view message) {
    const std::string quoted = '"' + file + '"';
    say(message.find(quoted) != std::string_view::npos ? std::string(message)
                                                       : quoted + ": " + std::string(message));
}

void Console::warn(std::string_view message) {
    say("warning: " + std::string(message));
}

std::string Console::named(std::string text) const {
    for (const auto& [path, name] :
         {std::pair{m_input, kStandardInput}, std::pair{m_output, kStandardOutput}}) {
        if (path.empty()) {
            continue;
        }
        replaceAll(text, '"' + path + '"', name);
        replaceAll(text, path, name);
    }
    return text;
}

// A folder of this run's own, under a name nobody can guess, so that no one else can put a file or a link
// where the temporary files go.
Result<std::string> Console::temporaryFolder() {
    if (!m_folder.empty()) {
        return m_folder;
    }
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    std::random_device random;
    for (int attempt = 0; !ec && attempt < 8; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "romquill-%08x%08x", static_cast<unsigned>(random()),
                      static_cast<unsigned>(random()));
        if (std::filesystem::create_directory(base / name, ec)) {
            std::filesystem::permissions(base / name, std::filesystem::perms::owner_all, ec);
            m_folder = files::pathText(base / name);
            return m_folder;
        }
    }
    return Error{"No temporary file can be made for standard input or output" +
                 (ec ? ": " + ec.message() + "." : std::string("."))};
}

Result<std::string> Console::input(const std::string& operand) {
    if (operand != "-") {
        return operand;
    }
    if (!m_input.empty()) {
        return Error{"Standard input is given twice as \"-\"; it can be read only once.", ErrorKind::Refusal};
    }
    const auto folder = temporaryFolder();
    if (!folder) {
        return folder.failure();
    }
    const std::string path = files::pathText(files::fsPath(*folder) / "input");
    auto created = files::NewFile::create(path);
    if (!created) {
        return created.failure();
    }
    files::NewFile copy = std::move(created).value();
    std::array<char, 1 << 16> chunk{};
    while (m_io.in.read(chunk.data(), chunk.size()) || m_io.in.gcount() > 0) {
        if (const auto written = copy.append({chunk.data(), static_cast<std::size_t>(m_io.in.gcount())});
            !written) {
            return written.failure();
        }
    }
    if (m_io.in.bad()) {
        return Error{"Reading standard input failed."};
    }
    if (const auto committed = copy.commit(); !committed) {
        return committed.failure();
    }
    m_input = path;
    return path;
}

Result<std::string> Console::output(const std::string& operand) {
    if (operand != "-") {
        return operand;
    }
    const auto folder = temporaryFolder();
    if (!folder) {
        return folder.failure();
    }
    m_output = files::pathText(files::fsPath(*folder) / "output");
    return m_output;
}

bool Console::finishOutput() {
    if (m_output.empty()) {
        return true;
    }
    const auto file = files::FileHandle::open(m_output, files::FileHandle::Mode::Read);
    if (!file) {
        say(file.error());
        return false;
    }
    // A stream that fails is told of by run(), or by the program with the system's reason.
    constexpr std::size_t kBlock = 1 << 20;
    for (std::uint64_t at = 0; at < file->openedSize() && m_io.out; at += kBlock) {
        const auto block = file->readAt(at, kBlock);
        if (!block) {
            say(block.error());
            return false;
        }
        m_io.out.write(block->data(), static_cast<std::streamsize>(block->size()));
    }
    return static_cast<bool>(m_io.out.flush());
}

int refuseStandardInputInPlace(Console& console) {
    console.say(
        "\"-\": standard input cannot be written in place: give FILE as a file's name. Nothing was "
        "written.");
    return kExitRefused;
}

}  // namespace rq::cli
