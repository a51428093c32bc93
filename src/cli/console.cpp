#include <array>
#include <filesystem>

#include "files/common.h"
#include "files/filehandle.h"
#include "files/newfile.h"
#include "files/safewrite.h"
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

Result<std::string> Console::temporaryFolder() {
    if (!m_folder) {
        auto made = files::TemporaryFolder::create();
        if (!made) {
            return Error{"No temporary file can be made for standard input or output: " + made.error()};
        }
        m_folder.emplace(std::move(made).value());
    }
    return m_folder->path();
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

bool Console::writeWhole(const std::string& operand, std::string_view bytes) {
    const auto path = output(operand);
    if (!path) {
        say(path.error());
        return false;
    }
    if (const auto written = files::writeNewFile(*path, bytes); !written) {
        say(written.error());
        return false;
    }
    return finishOutput();
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
