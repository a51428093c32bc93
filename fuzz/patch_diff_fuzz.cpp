// IPS and BPS patches applied by applyPatch and by the decoder of the test tree, written from the formats'
// description alone: both refuse the same patches and make the same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "patch/patchfiles.h"
#include "support/patchdecoder.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

constexpr std::uint64_t kLargest = 1 << 20;  // outputs are written and compared up to this size

struct Folder {
    std::filesystem::path path;
    std::string patch, source, output, sourceBytes;
    Folder() {
        path = std::filesystem::temp_directory_path() /
               ("romquill-patch-diff-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        patch = (path / "patch").string();
        source = (path / "source").string();
        output = (path / "out").string();
        sourceBytes.resize(256);
        for (std::size_t i = 0; i < sourceBytes.size(); ++i) {
            sourceBytes[i] = static_cast<char>(i ^ 0x5A);
        }
        std::ofstream(source, std::ios::binary) << sourceBytes;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// A mutated BPS patch almost never has right CRCs. The body after the source's size is kept and the
// trailer made right: the source's CRC, the CRC of what the reference decoder makes of the actions (when it
// makes anything), and the patch's own.
std::string bpsAround(std::string_view body, const std::string& source) {
    std::string patch = "BPS1" + rq::test::bpsNumber(source.size()) + std::string(body) +
                        rq::test::littleEndian(rq::test::crc32Of(source)) + std::string(8, '\0');
    const auto made = rq::test::decodePatch(patch, source, kLargest, false);
    patch.resize(patch.size() - 8);
    patch += rq::test::littleEndian(made ? rq::test::crc32Of(made->bytes) : 0);
    return patch + rq::test::littleEndian(rq::test::crc32Of(patch));
}

// The input's first byte picks the form: a BPS patch around the rest (right CRCs), an IPS patch ("PATCH"
// and the rest), or the rest as it stands.
std::string patchOf(std::string_view input, const std::string& source) {
    if (input.empty()) {
        return {};
    }
    const std::string_view rest = input.substr(1);
    switch (static_cast<unsigned char>(input.front()) % 3) {
        case 0:
            return bpsAround(rest, source);
        case 1:
            return "PATCH" + std::string(rest);
        default:
            return std::string(rest);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    const std::string patch =
        patchOf(std::string_view(reinterpret_cast<const char*>(data), size), folder.sourceBytes);
    std::ofstream(folder.patch, std::ios::binary | std::ios::trunc) << patch;

    // A patch may ask for any size of output; only small ones are made.
    std::uint64_t end = 0;
    const auto info = rq::patch::readPatchInfo(folder.patch, [&](const rq::patch::ChangedRange& range) {
        end = std::max(end, range.offset + range.length);
    });
    if (info && (info->targetSize > kLargest || end > kLargest || info->truncateTo.value_or(0) > kLargest)) {
        return 0;
    }
    const auto reference = rq::test::decodePatch(patch, folder.sourceBytes, kLargest);
    if (!info) {
        require(!reference);
        return 0;
    }
    const auto applied = rq::patch::applyPatch(folder.patch, folder.source, folder.output);
    require(applied.ok() == reference.has_value());
    if (applied) {
        std::ifstream in(folder.output, std::ios::binary);
        const std::string made((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        require(made == reference->bytes);
        std::filesystem::remove(folder.output);
    }
    return 0;
}
