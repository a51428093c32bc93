#include "temporaryfile.h"

#include <filesystem>
#include <random>
#include <utility>

#include "files/asciitext.h"
#include "files/common.h"
#include "files/platform.h"

namespace rq::files {
namespace {

constexpr std::string_view kPrefix = ".romquill-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kDigits = 8;
constexpr int kAttempts = 16;

// A fresh name in the folder of target.
std::string temporaryBeside(const std::string& target, std::random_device& random) {
    const std::string leaf =
        std::string(kPrefix) + hexText(random() & 0xFFFFFFFFu, kDigits) + std::string(kSuffix);
    return pathText(fsPath(target).parent_path() / fsPath(leaf));
}

std::string folderOf(const std::string& target) {
    const auto folder = fsPath(target).parent_path();
    return folder.empty() ? std::string(".") : pathText(folder);
}

// Tries fresh names beside target until take succeeds with one that was not taken yet; name gets it.
template <class Take>
int takeFreshName(const std::string& target, Take take, std::string& name) {
    std::random_device random;
    int error = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string tried = temporaryBeside(target, random);
        error = take(tried);
        if (error == 0) {
            name = std::move(tried);
            return 0;
        }
        if (!platform::isAlreadyThere(error)) {
            return error;
        }
    }
    return error;
}

}  // namespace

bool isTemporaryName(std::string_view name) {
    return name.size() == kPrefix.size() + kDigits + kSuffix.size() && name.starts_with(kPrefix) &&
           name.ends_with(kSuffix) && parseHex(name.substr(kPrefix.size(), kDigits)).has_value();
}

int openTemporary(const std::string& target, std::optional<unsigned> mode, TemporaryFile& file) {
    const std::string folder = folderOf(target);
    platform::removeStaleFiles(folder, isTemporaryName);
    file = TemporaryFile{};
    int error = platform::openUnnamed(folder, file.fd);
    if (error != 0) {
        // A named file where the system makes no unnamed one.
        const auto create = [&file](const std::string& name) { return platform::createHeld(name, file.fd); };
        error = takeFreshName(target, create, file.name);
    }
    if (error == 0 && mode) {
        error = platform::setPermissions(file.fd, *mode);
        if (error != 0) {
            discardTemporary(file);
        }
    }
    return error;
}

int moveIntoPlace(TemporaryFile& file, const std::string& target) {
    if (file.name.empty()) {
        // A name of its own, locked already, for the rename: a link cannot replace an existing name.
        const auto link = [&file](const std::string& name) { return platform::linkUnnamed(file.fd, name); };
        if (const int error = takeFreshName(target, link, file.name); error != 0) {
            return error;
        }
    }
    // Renamed while still open and locked where the system allows, so that no cleaner takes it for a
    // leftover in between.
    if (const int error = platform::moveOpenFile(file.fd, file.name, target); error != 0) {
        return error;
    }
    file.name.clear();
    return 0;
}

void discardTemporary(TemporaryFile& file) {
    platform::discardFile(file.fd, file.name);
}

}  // namespace rq::files
