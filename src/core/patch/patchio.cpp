#include "patch/patchio.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "patch/baseforms.h"

namespace rq::patch {

bool Progress::advance(std::uint64_t bytes) {
    m_done += bytes;
    if (!m_callback || (m_done - m_told < kBlock && m_done < m_total)) {
        return true;
    }
    m_told = m_done;
    return m_callback(std::min(m_done, m_total), m_total);
}

bool Reader::fill() {
    const std::uint64_t left = remaining();
    if (left == 0) {
        return false;
    }
    auto block = m_file.readAt(m_position, static_cast<std::size_t>(std::min<std::uint64_t>(left, 1 << 16)));
    if (!block) {
        m_error = block.error();
        return false;
    }
    if (block->empty()) {
        m_error = "\"" + m_file.path() + "\" was cut short while it was read.";
        return false;
    }
    m_buffer = std::move(block).value();
    m_used = 0;
    return true;
}

bool Reader::read(std::size_t count, std::string& out) {
    while (count > 0) {
        if (m_used == m_buffer.size() && !fill()) {
            return false;
        }
        const std::size_t take = std::min(count, m_buffer.size() - m_used);
        out.append(m_buffer, m_used, take);
        m_used += take;
        m_position += take;
        count -= take;
    }
    return true;
}

Reader::Until Reader::readUntil(char stop, std::size_t most, std::string& out) {
    while (most > 0) {
        if (m_used == m_buffer.size() && !fill()) {
            return Until::Ended;
        }
        const char* begin = m_buffer.data() + m_used;
        const std::size_t available = std::min(most, m_buffer.size() - m_used);
        const auto* found = static_cast<const char*>(std::memchr(begin, stop, available));
        const std::size_t take = found != nullptr ? static_cast<std::size_t>(found - begin) : available;
        out.append(begin, take);
        m_used += take;
        m_position += take;
        most -= take;
        if (found != nullptr) {
            ++m_used;
            ++m_position;
            return Until::Stopped;
        }
    }
    return Until::Full;
}

bool Reader::skip(std::uint64_t count) {
    if (count > remaining()) {
        return false;
    }
    const std::uint64_t buffered = m_buffer.size() - m_used;
    if (count <= buffered) {
        m_used += static_cast<std::size_t>(count);
    } else {
        m_buffer.clear();
        m_used = 0;
    }
    m_position += count;
    return true;
}

Status readExactly(const files::FileHandle& file, std::uint64_t offset, std::size_t count,
                   std::string& bytes) {
    bytes.resize(count);
    const auto read = file.readInto(offset, bytes.data(), count);
    if (!read) {
        return read.failure();
    }
    if (*read != count) {
        return Error{"\"" + file.path() + "\" was cut short while it was read."};
    }
    return success();
}

std::uint32_t crcUpdate(std::uint32_t crc, std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::uint32_t crcCombine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength) {
    // In steps that fit zlib's length type, which has 32 bits on Windows.
    constexpr std::uint64_t kStep = 1u << 30;
    uLong crc = first;
    for (; secondLength > kStep; secondLength -= kStep) {
        crc = crc32_combine(crc, 0, static_cast<z_off_t>(kStep));
    }
    return static_cast<std::uint32_t>(crc32_combine(crc, second, static_cast<z_off_t>(secondLength)));
}

Result<std::uint32_t> crcOfFile(const files::FileHandle& file, std::uint64_t end, Progress& progress) {
    std::uint32_t crc = 0;
    std::string block;
    for (std::uint64_t at = 0; at < end; at += kBlock) {
        const auto read =
            readExactly(file, at, static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, end - at)), block);
        if (!read) {
            return read.failure();
        }
        crc = crcUpdate(crc, block);
        if (!progress.advance(block.size())) {
            return Progress::cancelled();
        }
    }
    return crc;
}

CrcBeside::CrcBeside(const files::FileHandle& file, std::uint64_t end)
    : m_going([this](std::uint64_t, std::uint64_t) { return !m_stop.load(); }),
      m_result(std::async(std::launch::async, [this, &file, end]() -> Result<std::uint32_t> {
          Progress progress(m_going, end);
          return crcOfFile(file, end, progress);
      })) {}

CrcBeside::~CrcBeside() {
    m_stop = true;
    if (m_result.valid()) {
        m_result.wait();
    }
}

CrcPipe::CrcPipe() : m_worker([this] { run(); }) {}

CrcPipe::~CrcPipe() {
    if (m_worker.joinable()) {
        (void)finish();
    }
}

void CrcPipe::add(std::string_view bytes) {
    m_pending += bytes;
    if (m_pending.size() >= kBlock) {
        hand(std::exchange(m_pending, {}));
    }
}

void CrcPipe::hand(std::string block) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_blocks.size() < 4; });
    m_blocks.push_back(std::move(block));
    m_changed.notify_all();
}

std::uint32_t CrcPipe::finish() {
    hand(std::exchange(m_pending, {}));
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
    m_worker.join();
    return m_crc;
}

void CrcPipe::run() {
    while (true) {
        std::string block;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_blocks.empty() || m_closed; });
            if (m_blocks.empty()) {
                return;
            }
            block = std::move(m_blocks.front());
            m_blocks.pop_front();
        }
        m_changed.notify_all();
        m_crc = crcUpdate(m_crc, block);
    }
}

std::string crcText(std::uint32_t crc) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", crc);
    return text;
}

void RangeJoiner::add(std::uint64_t offset, std::uint64_t length) {
    if (m_hasPending && offset == m_pending.offset + m_pending.length) {
        m_pending.length += length;
        return;
    }
    finish();
    m_pending = ChangedRange{offset, length};
    m_hasPending = true;
}

std::uint64_t RangeJoiner::finish() {
    if (m_hasPending) {
        if (m_onRange) {
            m_onRange(m_pending);
        }
        ++m_count;
        m_hasPending = false;
    }
    return m_count;
}

Error brokenPatch(const std::string& patchPath, PatchFormat format, std::string_view why) {
    return Error{"\"" + patchPath + "\" is not a valid " + std::string(patchFormatName(format)) +
                     " patch: " + std::string(why) + ".",
                 ErrorKind::Refusal};
}

Error wrongPatchInput(const files::FileHandle& file, PatchFormat format, PatchDirection direction,
                      const PatchEnds& ends, std::uint32_t crc) {
    const std::string name = "\"" + file.path() + "\"";
    const std::uint64_t size = file.openedSize();
    const bool backward = direction == PatchDirection::Backward;
    const auto refusal = [](std::string text) { return Error{std::move(text), ErrorKind::Refusal}; };
    if (size == ends.outputSize && crc == ends.outputCrc) {
        if (backward) {
            return refusal(name + " is the original already: its CRC32 " + crcText(crc) +
                           " is the one the patch gives back. Apply the patch without --reverse.");
        }
        return refusal(
            name + " is already patched: its CRC32 " + crcText(crc) + " is the one the patch makes." +
            (format == PatchFormat::Ups ? " Applied with --reverse, the patch gives the original back."
                                        : ""));
    }
    // The right game in another form: the form, and how to mend it.
    if (!backward) {
        if (const auto form = findBaseForm(file, ends.inputSize, ends.inputCrc); form && *form) {
            return Error{baseFormMessage(file.path(), **form), ErrorKind::MendableSource,
                         baseFormMessage(file.path(), **form, Repair::Button)};
        }
    }
    const std::string wrong = name + (backward ? " is not the patched file this patch undoes: "
                                               : " is not the file this patch was made for: ");
    const std::string note = otherFileNote(file.path(), size, ends.inputSize);
    if (size != ends.inputSize) {
        return refusal(wrong + "it has " + std::to_string(size) + " bytes, the patch expects " +
                       std::to_string(ends.inputSize) + " bytes with CRC32 " + crcText(ends.inputCrc) + "." +
                       note);
    }
    return refusal(wrong + "its CRC32 is " + crcText(crc) + ", the patch expects " + crcText(ends.inputCrc) +
                   "." + note);
}

Result<PatchInfo> recordedInfo(const files::FileHandle& patch, PatchFormat format, const PatchEnds& ends,
                               std::uint32_t patchCrc) {
    PatchInfo info;
    info.format = format;
    info.patchSize = patch.openedSize();
    info.sourceSize = ends.inputSize;
    info.targetSize = ends.outputSize;
    info.sourceCrc = ends.inputCrc;
    info.targetCrc = ends.outputCrc;
    info.patchCrc = patchCrc;
    const PatchProgress quiet;
    Progress progress(quiet, 0);
    const auto found = crcOfFile(patch, patch.openedSize() - 4, progress);
    if (!found) {
        return found.failure();
    }
    info.patchCrcRight = *found == patchCrc;
    if (!info.patchCrcRight) {
        info.warnings.push_back("The patch is damaged: its CRC32 is " + crcText(*found) + ", not the " +
                                crcText(patchCrc) + " it records.");
    }
    return info;
}

void addWarning(std::vector<std::string>& warnings, std::uint64_t& dropped, std::string warning) {
    if (warnings.size() < kWarningLimit) {
        warnings.push_back(std::move(warning));
    } else {
        ++dropped;
    }
}

void closeWarnings(std::vector<std::string>& warnings, std::uint64_t dropped) {
    if (dropped > 0) {
        warnings.push_back("... and " + std::to_string(dropped) + " more.");
    }
}

}  // namespace rq::patch
