#include "outputname.h"

#include <filesystem>

#include "files/common.h"
#include "files/filehandle.h"
#include "files/platform.h"

namespace rq::files {
namespace {

Error cannotWrite(const std::string& output, int error) {
    return Error{"\"" + output + "\" cannot be written: " + systemReason(error) + "."};
}

Error notAFile(const std::string& output, const std::string& target, std::string_view kind) {
    const std::string what =
        target == output ? "\"" + output + "\" is " : "\"" + output + "\" leads to \"" + target + "\", ";
    return Error{what + std::string(kind) + ", not a regular file: nothing is written in its place. " +
                     "Choose another name.",
                 ErrorKind::Refusal};
}

Error leadsNowhere(const std::string& output) {
    std::error_code ec;
    const std::string target = pathText(std::filesystem::read_symlink(fsPath(output), ec));
    return Error{"\"" + output + "\" is a symbolic link to \"" + target +
                     "\", which does not exist: nothing is written through it. Choose another name.",
                 ErrorKind::Refusal};
}

std::string_view kindName(platform::PathEntry::Kind kind) {
    using Kind = platform::PathEntry::Kind;
    switch (kind) {
        case Kind::Folder:
            return "a folder";
        case Kind::Device:
            return "a device";
        case Kind::Fifo:
            return "a named pipe (FIFO)";
        case Kind::Pipe:
            return "a named pipe";
        case Kind::Socket:
            return "a socket";
        default:
            return "something else";
    }
}

}  // namespace

Result<OutputPlace> placeOfOutput(const std::string& output) {
    platform::PathEntry entry;
    if (const int error = platform::entryAt(output, entry); error != 0) {
        return cannotWrite(output, error);
    }
    if (entry.kind == platform::PathEntry::Kind::Missing) {
        if (entry.link) {
            return leadsNowhere(output);
        }
        return OutputPlace{output, std::nullopt};
    }
    if (entry.kind == platform::PathEntry::Kind::File) {
        return OutputPlace{entry.target, entry.mode};
    }
    return notAFile(output, entry.target, kindName(entry.kind));
}

std::optional<std::string> inputAtOutput(const std::string& output,
                                         std::initializer_list<std::string_view> inputs) {
    for (const std::string_view input : inputs) {
        std::error_code ec;
        if (input != "-" && std::filesystem::equivalent(fsPath(output), fsPath(input), ec) && !ec) {
            return std::string(input);
        }
    }
    return std::nullopt;
}

}  // namespace rq::files
