#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

#include "identify/catalogue.h"
#include "identify/detectROM.h"

namespace {

using rq::identify::Catalogue;
using rq::identify::Outcome;

constexpr std::array<std::string_view, 9> kExtensions = {"bin", "iso", "sms", "gg", "32x",
                                                         "exe", "gba", "npc", "mb"};

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

using NameSet = std::set<std::string, std::less<>>;

void collectNames(const Catalogue& catalogue, NameSet& names, std::set<const Catalogue*>& seen) {
    if (!seen.insert(&catalogue).second) {
        return;
    }
    const auto take = [&](const Outcome& outcome) {
        if (outcome.kind == Outcome::Kind::Game) {
            names.emplace(outcome.game);
        } else if (outcome.kind == Outcome::Kind::Catalogue && outcome.next != nullptr) {
            collectNames(*outcome.next, names, seen);
        }
    };
    for (const auto& entry : catalogue.entries) {
        for (const auto& rule : entry.rules) {
            take(rule.then);
        }
        take(entry.otherwise);
    }
    take(catalogue.noMatch);
}

// Every name a platform's catalogue, or one it hands over to, can give.
const NameSet& catalogueNames() {
    static const NameSet names = [] {
        NameSet all;
        std::set<const Catalogue*> seen;
        for (const auto& platform : rq::identify::platforms()) {
            collectNames(*platform.catalogue, all, seen);
        }
        require(!all.empty() && !all.contains("") && !all.contains(rq::identify::kNoRomLoaded));
        return all;
    }();
    return names;
}

std::filesystem::path folderPath;

void removeFolder() {
    std::error_code ec;
    std::filesystem::remove_all(folderPath, ec);
}

// One folder per process, so that parallel jobs never share a file; made once, since creating a folder for
// every input would cost more than the identification itself.
const std::filesystem::path& workFolder() {
    static const bool made = [] {
        folderPath =
            std::filesystem::temp_directory_path() / ("romquill-identify-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folderPath);
        std::atexit(removeFolder);
        return true;
    }();
    require(made);
    return folderPath;
}

const rq::identify::Platform& platformFor(std::string_view extension) {
    for (const auto& platform : rq::identify::platforms()) {
        if (platform.extension == extension) {
            return platform;
        }
    }
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view extension = kExtensions[data[0] % kExtensions.size()];
    const std::string path = (workFolder() / ("image." + std::string(extension))).string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
        require(static_cast<bool>(out));
    }

    const auto result = rq::identify::detectGame(path);
    require(static_cast<bool>(result));
    const rq::identify::Identification& found = *result;

    // The file is there and readable: a header read past its end gives zeros, it never fails.
    require(!found.readFailed);
    require(found.game.empty() || found.game == rq::identify::kNoRomLoaded ||
            catalogueNames().contains(found.game));
    if (found.recognised()) {
        require(found.message.empty());
    } else {
        // Every extension fed here is handled, so "No ROM Loaded" cannot come back and any refusal is one
        // of the platform's own.
        const auto& platform = platformFor(extension);
        require(found.game.empty());
        // An empty message is the catalogue's silent outcome, the one refusal that says nothing.
        require(found.message.empty() || found.message == platform.notValid ||
                found.message == platform.notSupported);
    }
    return 0;
}
