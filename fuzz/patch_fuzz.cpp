// Any bytes as a patch file: readPatchInfo, then applyPatch onto a small fixed file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "patch/patchfiles.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Folder {
    std::filesystem::path path;
    std::string patch, source, output;
    Folder() {
        path = std::filesystem::temp_directory_path() / ("romquill-patch-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        patch = (path / "patch").string();
        source = (path / "source").string();
        output = (path / "out").string();
        std::string bytes(256, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i ^ 0x5A);
        }
        std::ofstream(source, std::ios::binary) << bytes;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

std::size_t filesIn(const std::filesystem::path& path) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path)) {
        ++count;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Folder folder;
    std::ofstream(folder.patch, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    std::uint64_t told = 0;
    std::uint64_t lastEnd = 0;
    bool ascending = true;
    const auto info = rq::patch::readPatchInfo(folder.patch, [&](const rq::patch::ChangedRange& range) {
        require(range.length > 0);
        ascending &= range.offset >= lastEnd;
        lastEnd = range.offset + range.length;
        ++told;
    });
    if (info) {
        require(info->changedRanges == told);
        require(info->patchSize == size);
        if (info->format != rq::patch::PatchFormat::Ips) {
            require(ascending && lastEnd <= info->targetSize);
        }
        // A patch may ask for any size of output; only small ones are written.
        if ((info->format != rq::patch::PatchFormat::Ips && info->targetSize > (1u << 20)) ||
            (info->format == rq::patch::PatchFormat::Ips && lastEnd > (1u << 20))) {
            return 0;
        }
    }
    const auto applied = rq::patch::applyPatch(folder.patch, folder.source, folder.output);
    require(!applied || info);
    if (applied) {
        require(std::filesystem::file_size(folder.output) == applied->outputSize);
        if (info->format != rq::patch::PatchFormat::Ips) {
            require(applied->outputSize == info->targetSize);
        }
        std::filesystem::remove(folder.output);
    }
    // Neither the output nor a temporary file is left behind.
    require(filesIn(folder.path) == 2);
    return 0;
}
