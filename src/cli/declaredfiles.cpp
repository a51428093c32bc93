// The files each verb reads and writes, declared to one check before the verb opens any of them, so that no
// verb can forget a rule of its outputs.

#include <algorithm>
#include <filesystem>

#include "files/codepage.h"
#include "files/common.h"
#include "files/outputname.h"
#include "templateverbs.h"
#include "verbs.h"

namespace rq::cli {
namespace {

bool hasControlCharacter(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// A name as a message shows it: a line break in it would start a line of its own.
std::string shown(const std::string& path) {
    return "\"" + files::escapeControls(path) + "\"";
}

// One file under two names: the same file when both are there, else the same place once each name's links
// and dots are resolved (two outputs not made yet).
bool sameFile(const std::string& made, const std::string& other) {
    if (files::inputAtOutput(made, {other})) {
        return true;
    }
    std::error_code ec;
    const auto a = std::filesystem::weakly_canonical(files::fsPath(made), ec);
    const auto b = ec ? a : std::filesystem::weakly_canonical(files::fsPath(other), ec);
    return !ec && a == b;
}

std::optional<std::string> madeRefusal(const FileUse& made, const std::vector<FileUse>& uses, bool force) {
    if (hasControlCharacter(made.path)) {
        return shown(made.path) +
               ": a file name with a line break or another control character is not made. Choose another "
               "name." +
               std::string(kNothingWritten);
    }
    if (const auto place = files::placeOfOutput(made.path); !place) {
        return place.error();
    }
    for (const FileUse& other : uses) {
        if (&other != &made && other.path != "-" && sameFile(made.path, other.path)) {
            return made.noun + " cannot be saved as " + shown(made.path) + ": that is " + other.what +
                   ". Choose another name.";
        }
    }
    std::error_code missing;
    if (!made.replaces && !force && std::filesystem::exists(files::fsPath(made.path), missing)) {
        return shown(made.path) + " is there already: give --force to write over it." +
               std::string(kNothingWritten);
    }
    return std::nullopt;
}

FileUse read(std::string path, std::string noun, std::string what,
             std::string inPlaceRefusal = "@ cannot be read: it is the file written into.") {
    return {FileUse::Role::Read, std::move(path), std::move(noun),
            std::move(what),     false,           std::move(inPlaceRefusal)};
}

FileUse made(std::string path, std::string noun, std::string what, bool replaces) {
    return {FileUse::Role::Made, std::move(path), std::move(noun), std::move(what), replaces, {}};
}

FileUse inPlace(std::string path) {
    return {FileUse::Role::InPlace, std::move(path), "The game file", "the game file", false, {}};
}

FileUse texts(std::string path) {
    return read(std::move(path), "The texts", "the texts",
                "The texts cannot be read from @: that is the file they are written into.");
}

// The template a verb's --template names, where it is found; nothing when it is not (the verb says so).
std::vector<FileUse> templateRead(const Given& given) {
    if (const auto path = templatePathOf(given.templateName)) {
        return {read(*path, "The template", "the template",
                     "The template cannot be @: that is the file the texts are written into.")};
    }
    return {};
}

}  // namespace

std::optional<std::string> checkFileUses(const std::vector<FileUse>& uses, bool force) {
    for (const FileUse& use : uses) {
        if (use.role == FileUse::Role::Made && use.path != "-") {
            if (auto refusal = madeRefusal(use, uses, force)) {
                return refusal;
            }
        }
    }
    for (const FileUse& written : uses) {
        if (written.role != FileUse::Role::InPlace || written.path == "-") {
            continue;
        }
        for (const FileUse& other : uses) {
            if (other.role == FileUse::Role::Read && other.path != "-" &&
                files::inputAtOutput(written.path, {other.path})) {
                std::string refusal = other.inPlaceRefusal;
                refusal.replace(refusal.find('@'), 1, shown(other.path));
                return refusal + std::string(kNothingWritten);
            }
        }
    }
    return std::nullopt;
}

std::vector<FileUse> readsOnly(const Given&) {
    return {};
}

std::vector<FileUse> insertUses(const Given& given) {
    auto uses = templateRead(given);
    uses.push_back(texts(given.operands[1]));
    uses.push_back(inPlace(given.operands[0]));
    return uses;
}

std::vector<FileUse> inPlaceUses(const Given& given) {
    return {inPlace(given.operands[0])};
}

std::vector<FileUse> cutscenesInsertUses(const Given& given) {
    return {texts(given.operands[1]), inPlace(given.operands[0])};
}

std::vector<FileUse> alphabetFromTableUses(const Given& given) {
    return {read(given.operands[0], "The table", "the table it is made from"),
            made(given.operands[1], "The alphabet", "the alphabet", true)};
}

std::vector<FileUse> patchCreateUses(const Given& given) {
    std::vector<FileUse> uses = {read(given.operands[0], "The original", "one of the files it compares"),
                                 read(given.operands[1], "The modified file", "one of the files it compares"),
                                 made(given.operands[2], "The patch", "the patch", true)};
    if (!given.notes.empty()) {
        uses.push_back(made(given.notes, "The notes", "the notes", true));
    }
    return uses;
}

std::vector<FileUse> patchApplyUses(const Given& given) {
    return {read(given.operands[0], "The patch", "the patch"),
            read(given.operands[1], "The file", "the file patched: a patch is never applied in place"),
            made(given.operands[2], "The patched file", "the patched file", true)};
}

std::vector<FileUse> tableFromHitUses(const Given& given) {
    return {read(given.operands[0], "The file", "the file searched"),
            made(given.operands[1], "The table", "the table", false)};
}

std::vector<FileUse> templateNewUses(const Given& given) {
    return {read(tablePathOf(given.table), "The table", "the table it reads"),
            made(given.operands[0], "The template", "the template", false)};
}

std::vector<FileUse> fromCartographerUses(const Given& given) {
    std::vector<FileUse> uses = {read(given.operands[0], "The command file", "the command file")};
    if (!given.game.empty()) {
        uses.push_back(read(given.game, "The game file", "the game file"));
    }
    uses.push_back(made(given.operands[1], "The template", "the template", false));
    return uses;
}

std::vector<FileUse> fontUses(const Given& given) {
    std::vector<FileUse> uses = {read(given.operands[0], "The game file", "the game file")};
    if (!given.png.empty()) {
        uses.push_back(made(given.png, "The picture", "the picture", true));
    }
    return uses;
}

std::vector<FileUse> renderUses(const Given& given) {
    auto uses = fontUses(given);
    if (given.operands.size() > 1) {
        uses.push_back(texts(given.operands[1]));
    }
    return uses;
}

std::vector<FileUse> wrapUses(const Given& given) {
    return {read(given.operands[0], "The game file", "the game file"), texts(given.operands[1]),
            made(given.outFile.empty() ? "-" : given.outFile, "The rewrapped texts", "the rewrapped texts",
                 true)};
}

std::vector<FileUse> mockUses(const Given& given) {
    auto uses = templateRead(given);
    uses.push_back(read(given.operands[0], "The game file", "the game file it copies"));
    uses.push_back(made(given.operands[1], "The marked copy", "the marked copy", false));
    return uses;
}

std::vector<FileUse> templateRebaseUses(const Given& given) {
    return {read(templatePathOf(given.templateName).value_or(given.templateName), "The old template",
                 "the old template"),
            read(given.operands[0], "The old file", "the old file"),
            read(given.operands[1], "The new file", "the new file"),
            made(given.outFile, "The new template", "the new template", false)};
}

std::vector<FileUse> migrateUses(const Given& given) {
    auto uses = templateRead(given);
    uses.push_back(read(given.operands[0], "The game file", "the game file"));
    uses.push_back(read(given.operands[1], "The old texts", "the old texts"));
    uses.push_back(made(given.outFile, "The migrated texts", "the migrated texts", false));
    return uses;
}

}  // namespace rq::cli
