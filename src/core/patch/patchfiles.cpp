#include "patch/patchfiles.h"

#include "files/common.h"
#include "files/outputname.h"
#include "patch/patchio.h"

namespace rq::patch {

namespace {

struct OpenedPatch {
    files::FileHandle file;
    PatchFormat format;
};

// The patch, and its format from its first bytes.
Result<OpenedPatch> openPatch(const std::string& path) {
    auto file = files::FileHandle::open(path, files::FileHandle::Mode::Read);
    if (!file) {
        return file.failure();
    }
    auto head = file->readAt(0, 5);
    if (!head) {
        return head.failure();
    }
    if (*head == "PATCH") {
        return OpenedPatch{std::move(file).value(), PatchFormat::Ips};
    }
    if (head->substr(0, 4) == "BPS1") {
        return OpenedPatch{std::move(file).value(), PatchFormat::Bps};
    }
    if (head->substr(0, 4) == "UPS1") {
        return OpenedPatch{std::move(file).value(), PatchFormat::Ups};
    }
    return Error{"\"" + path + "\" is not an IPS, BPS or UPS patch.", ErrorKind::Refusal};
}

// What make writes into a new file at path, which appears there only when make succeeded.
template <class T, class Make>
Result<T> intoNewFile(const std::string& path, Make&& make) {
    auto created = files::NewFile::create(path);
    if (!created) {
        return created.failure();
    }
    files::NewFile out = std::move(created).value();
    auto made = make(out);
    if (!made) {
        return made;
    }
    if (const auto committed = out.commit(); !committed) {
        return committed.failure();
    }
    return made;
}

}  // namespace

std::string_view patchFormatName(PatchFormat format) {
    switch (format) {
        case PatchFormat::Ips:
            return "IPS";
        case PatchFormat::Ups:
            return "UPS";
        default:
            return "BPS";
    }
}

std::optional<PatchFormat> patchFormatForPath(const std::string& path) {
    const std::string extension = files::pathExtension(path);
    if (extension == "ips") {
        return PatchFormat::Ips;
    }
    if (extension == "bps") {
        return PatchFormat::Bps;
    }
    if (extension == "ups") {
        return PatchFormat::Ups;
    }
    return std::nullopt;
}

Result<PatchMade> createPatch(const std::string& original, const std::string& modified,
                              const std::string& patchPath, PatchFormat format,
                              const PatchProgress& progress) {
    if (files::inputAtOutput(patchPath, {original, modified})) {
        return Error{
            "The patch cannot be saved as \"" + patchPath + "\": that is one of the files it compares.",
            ErrorKind::Refusal};
    }
    auto source = files::FileHandle::open(original, files::FileHandle::Mode::Read);
    if (!source) {
        return source.failure();
    }
    auto target = files::FileHandle::open(modified, files::FileHandle::Mode::Read);
    if (!target) {
        return target.failure();
    }
    // IPS offsets have 3 bytes: a file of 16 MiB has its last byte at 0xFFFFFF, which they reach, but the
    // length a shorter file is cut to has 3 bytes too.
    constexpr std::uint64_t kIpsReach = 1u << 24;
    const std::uint64_t targetSize = target->openedSize();
    if (format == PatchFormat::Ips &&
        (targetSize > kIpsReach || (targetSize == kIpsReach && source->openedSize() > targetSize))) {
        return Error{"\"" + modified + "\" has " + std::to_string(targetSize) +
                         " bytes: an IPS patch cannot reach past 16 MiB. Save the patch as BPS instead.",
                     ErrorKind::Refusal};
    }
    patch::Progress told(progress, source->openedSize() + target->openedSize());
    return intoNewFile<PatchMade>(patchPath, [&](files::NewFile& out) {
        switch (format) {
            case PatchFormat::Ips:
                return patch::createIps(*source, *target, out, told);
            case PatchFormat::Ups:
                return patch::createUps(*source, *target, out, told);
            default:
                return patch::createBps(*source, *target, out, told);
        }
    });
}

std::string patchedFileName(const std::string& file) {
    const std::filesystem::path path = files::fsPath(file);
    std::filesystem::path name = path.stem();
    name += " (patched)";
    name += path.extension();
    return files::pathText(path.parent_path() / name);
}

Status checkPatchedFilePlace(const std::string& patchPath, const std::string& file,
                             const std::string& outPath) {
    if (files::inputAtOutput(outPath, {file, patchPath})) {
        return Error{"The patched file cannot be saved as \"" + outPath +
                         "\": a patch is never applied in place. Choose another name.",
                     ErrorKind::Refusal};
    }
    return success();
}

Result<PatchApplied> applyPatch(const std::string& patchPath, const std::string& file,
                                const std::string& outPath, const PatchProgress& progress,
                                PatchDirection direction) {
    if (const auto place = checkPatchedFilePlace(patchPath, file, outPath); !place) {
        return place.failure();
    }
    // The patch is looked at before the file, so that a broken patch is what a user hears of first.
    if (auto opened = openPatch(patchPath); !opened) {
        return opened.failure();
    }
    auto source = files::FileHandle::open(file, files::FileHandle::Mode::Read);
    if (!source) {
        return source.failure();
    }
    return applyPatchTo(patchPath, *source, outPath, progress, direction);
}

Result<PatchApplied> applyPatchTo(const std::string& patchPath, const files::FileHandle& source,
                                  const std::string& outPath, const PatchProgress& progress,
                                  PatchDirection direction) {
    auto opened = openPatch(patchPath);
    if (!opened) {
        return opened.failure();
    }
    // Only XOR differences can be undone: the other formats do not keep what they replace.
    if (direction == PatchDirection::Backward && opened->format != PatchFormat::Ups) {
        return Error{std::string(patchFormatName(opened->format)) + " patches cannot be applied backwards.",
                     ErrorKind::Refusal};
    }
    return intoNewFile<PatchApplied>(outPath, [&](files::NewFile& out) {
        switch (opened->format) {
            case PatchFormat::Ips:
                return patch::applyIps(opened->file, source, out, progress);
            case PatchFormat::Ups:
                return patch::applyUps(opened->file, source, out, progress, direction);
            default:
                return patch::applyBps(opened->file, source, out, progress);
        }
    });
}

Result<PatchInfo> readPatchInfo(const std::string& patchPath,
                                const std::function<void(const ChangedRange&)>& onRange) {
    auto opened = openPatch(patchPath);
    if (!opened) {
        return opened.failure();
    }
    switch (opened->format) {
        case PatchFormat::Ips:
            return patch::ipsInfo(opened->file, onRange);
        case PatchFormat::Ups:
            return patch::upsInfo(opened->file, onRange);
        default:
            return patch::bpsInfo(opened->file, onRange);
    }
}

}  // namespace rq::patch
