#include "patch/baseforms.h"

#include <zlib.h>

#include <algorithm>
#include <utility>

#include "files/common.h"
#include "files/newfile.h"
#include "identify/detectROM.h"

namespace rq::patch {
namespace {

constexpr std::uint64_t kHeader = 512;
constexpr std::uint64_t kBlock = 16384;

// The CRC32 of the mended form, block by block: memory stays one block.
Result<std::uint32_t> mendedCrc(const files::FileHandle& file, BaseForm form) {
    const std::uint64_t size = mendedSize(file, form);
    uLong crc = crc32(0L, Z_NULL, 0);
    for (std::uint64_t at = 0; at < size; at += kBlock) {
        const auto block = mendedBlock(file, form, at, static_cast<std::size_t>(std::min(kBlock, size - at)));
        if (!block) {
            return block.failure();
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(block->data()), static_cast<uInt>(block->size()));
    }
    return static_cast<std::uint32_t>(crc);
}

bool formFits(std::uint64_t fileSize, BaseForm form) {
    switch (form) {
        case BaseForm::CopierHeader:
            return fileSize > kHeader;
        case BaseForm::ByteSwapped:
            return fileSize % 2 == 0 && fileSize > 0;
        case BaseForm::Interleaved:
            return fileSize > kHeader && (fileSize - kHeader) % kBlock == 0;
    }
    return false;
}

}  // namespace

std::uint64_t mendedSize(const files::FileHandle& file, BaseForm form) {
    const std::uint64_t size = file.openedSize();
    return form == BaseForm::ByteSwapped ? size : size - std::min(size, kHeader);
}

Result<std::string> mendedBlock(const files::FileHandle& file, BaseForm form, std::uint64_t at,
                                std::size_t count) {
    const std::uint64_t from = form == BaseForm::ByteSwapped ? at : at + kHeader;
    auto read = file.readAt(from, form == BaseForm::Interleaved ? static_cast<std::size_t>(kBlock) : count);
    if (!read) {
        return read;
    }
    std::string bytes = std::move(read).value();
    if (form == BaseForm::ByteSwapped) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            std::swap(bytes[i], bytes[i + 1]);
        }
    } else if (form == BaseForm::Interleaved) {
        // A block holds the odd bytes of its 16 KiB first, then the even ones.
        std::string plain(bytes.size(), '\0');
        const std::size_t half = bytes.size() / 2;
        for (std::size_t i = 0; i < half; ++i) {
            plain[2 * i + 1] = bytes[i];
            plain[2 * i] = bytes[half + i];
        }
        plain.resize(std::min(count, plain.size()));
        return plain;
    }
    return bytes;
}

Result<std::optional<BaseForm>> findBaseForm(const files::FileHandle& file, std::uint64_t size,
                                             std::uint32_t crc) {
    for (const BaseForm form : {BaseForm::CopierHeader, BaseForm::ByteSwapped, BaseForm::Interleaved}) {
        if (!formFits(file.openedSize(), form) || mendedSize(file, form) != size) {
            continue;
        }
        const auto found = mendedCrc(file, form);
        if (!found) {
            return found.failure();
        }
        if (*found == crc) {
            return std::optional(form);
        }
    }
    return std::optional<BaseForm>();
}

std::string_view baseFormPhrase(BaseForm form) {
    switch (form) {
        case BaseForm::CopierHeader:
            return "has a 512-byte copier header";
        case BaseForm::ByteSwapped:
            return "is byte-swapped (every 16-bit word the other way round)";
        case BaseForm::Interleaved:
            return "is in the interleaved SMD layout of Mega Drive copiers";
    }
    return {};
}

std::string_view mendedPhrase(BaseForm form) {
    switch (form) {
        case BaseForm::CopierHeader:
            return "without the header";
        case BaseForm::ByteSwapped:
            return "in the normal byte order";
        case BaseForm::Interleaved:
            return "in the normal layout";
    }
    return {};
}

std::string baseFormMessage(const std::string& path, BaseForm form, Repair repair) {
    const std::string mended(mendedPhrase(form));
    const std::string found = "\"" + path + "\" " + std::string(baseFormPhrase(form)) + "; " +
                              (form == BaseForm::CopierHeader ? std::string("without it") : mended) +
                              ", it is the file this patch was made for.";
    if (repair == Repair::Button) {
        return found + " Press \"Repair and apply\" to apply the patch to the file " + mended +
               "; the file itself stays as it is.";
    }
    return found + " Use --repair (or \"Repair and apply\" in the window) to apply it to the file " + mended +
           ".";
}

std::string otherFileNote(const std::string& path, std::uint64_t size, std::uint64_t expectedSize) {
    std::string note;
    if (const auto identified = identify::detectGame(path); identified && identified->recognised()) {
        note += " Its header names it as " + identified->game + ".";
    }
    const auto bytes = [](std::uint64_t count) {
        return std::to_string(count) + (count == 1 ? " byte" : " bytes");
    };
    if (size < expectedSize) {
        note += " It is " + bytes(expectedSize - size) +
                " shorter than the file the patch expects: perhaps it was cut short.";
    } else if (size > expectedSize) {
        note += " It is " + bytes(size - expectedSize) +
                " longer than the file the patch expects: perhaps it is overdumped or padded.";
    }
    return note;
}

Result<RepairedApply> repairAndApply(const std::string& patchPath, const std::string& file,
                                     const std::string& outPath, const PatchProgress& progress) {
    const auto info = readPatchInfo(patchPath);
    const auto input = files::FileHandle::open(file, files::FileHandle::Mode::Read);
    std::optional<BaseForm> form;
    if (info && input && info->format != PatchFormat::Ips) {
        const auto found = findBaseForm(*input, info->sourceSize, info->sourceCrc);
        if (!found) {
            return found.failure();
        }
        form = *found;
    }
    if (!form) {
        auto applied = applyPatch(patchPath, file, outPath, progress);
        if (!applied) {
            return applied.failure();
        }
        return RepairedApply{std::move(applied).value(), std::nullopt};
    }
    if (const auto place = checkPatchedFilePlace(patchPath, file, outPath); !place) {
        return place.failure();
    }
    // The mended form is a file of this command's own beside the output, never named, never committed: no
    // name it could take is anyone else's file, and it is gone whatever happens.
    auto created = files::NewFile::create(outPath);
    if (!created) {
        return created.failure();
    }
    files::NewFile mended = std::move(created).value();
    const std::uint64_t size = mendedSize(*input, *form);
    for (std::uint64_t at = 0; at < size; at += kBlock) {
        const auto block =
            mendedBlock(*input, *form, at, static_cast<std::size_t>(std::min(kBlock, size - at)));
        if (!block) {
            return block.failure();
        }
        if (const auto appended = mended.append(*block); !appended) {
            return appended.failure();
        }
    }
    const auto source = mended.reader(file);
    if (!source) {
        return source.failure();
    }
    auto applied = applyPatchTo(patchPath, *source, outPath, progress);
    if (!applied) {
        return applied.failure();
    }
    return RepairedApply{std::move(applied).value(), form};
}

}  // namespace rq::patch
