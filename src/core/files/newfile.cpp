#include "newfile.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <utility>

#include "files/asciitext.h"
#include "files/common.h"
#include "files/filehandle.h"
#include "files/outputname.h"
#include "files/platform.h"

namespace rq::files {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

}  // namespace

NewFile::NewFile(TemporaryFile file, std::string path, std::string target)
    : m_file(std::move(file)), m_path(std::move(path)), m_target(std::move(target)) {}

NewFile::NewFile(NewFile&& other) noexcept
    : m_file(std::exchange(other.m_file, {})),
      m_path(std::move(other.m_path)),
      m_target(std::move(other.m_target)),
      m_buffer(std::move(other.m_buffer)),
      m_size(other.m_size) {}

NewFile::~NewFile() {
    discardTemporary(m_file);
}

Error NewFile::failed(int error) const {
    return Error{"\"" + m_path + "\" cannot be written: " + systemReason(error) + "."};
}

Result<NewFile> NewFile::create(const std::string& path) {
    const auto place = placeOfOutput(path);
    if (!place) {
        return place.failure();
    }
    TemporaryFile file;
    if (const int error = openTemporary(place->path, place->mode, file); error != 0) {
        return Error{"\"" + path + "\" cannot be written: " + systemReason(error) + "."};
    }
    return NewFile(std::move(file), path, place->path);
}

std::optional<std::uint64_t> NewFile::spaceLeft() const {
    const auto folder = fsPath(m_target).parent_path();
    std::error_code ec;
    const auto space = std::filesystem::space(folder.empty() ? std::filesystem::path(".") : folder, ec);
    if (ec) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(space.available);
}

Status NewFile::flush() {
    if (m_buffer.empty()) {
        return success();
    }
    const auto written = writeAtEnd(m_buffer);
    m_buffer.clear();
    return written;
}

Status NewFile::writeAtEnd(std::string_view bytes) {
    const std::uint64_t offset = m_size - bytes.size();
    if (const int error = platform::writeAt(m_file.fd, offset, bytes); error != 0) {
        return failed(error);
    }
    platform::startWriteBack(m_file.fd, offset, bytes.size());
    return success();
}

Status NewFile::append(std::string_view bytes) {
    if (m_buffer.size() + bytes.size() < kBufferSize) {
        m_buffer += bytes;
        m_size += bytes.size();
        return success();
    }
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    m_size += bytes.size();
    return writeAtEnd(bytes);
}

Status NewFile::writeAt(std::uint64_t offset, std::string_view bytes) {
    // Nothing written makes the file no longer.
    if (bytes.empty()) {
        return success();
    }
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (const int error = platform::writeAt(m_file.fd, offset, bytes); error != 0) {
        return failed(error);
    }
    m_size = std::max(m_size, offset + bytes.size());
    return success();
}

Result<std::string> NewFile::readAt(std::uint64_t offset, std::size_t count) {
    if (const auto flushed = flush(); !flushed) {
        return flushed.failure();
    }
    std::string bytes(count, '\0');
    std::size_t done = 0;
    if (const int error = platform::readAt(m_file.fd, offset, bytes.data(), count, done); error != 0) {
        return Error{"Reading back \"" + m_path + "\" failed: " + systemReason(error) + "."};
    }
    bytes.resize(done);
    return bytes;
}

Status NewFile::resize(std::uint64_t size) {
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (const int error = platform::setFileSize(m_file.fd, size); error != 0) {
        return failed(error);
    }
    m_size = size;
    return success();
}

Result<FileHandle> NewFile::reader(const std::string& name) {
    if (const auto flushed = flush(); !flushed) {
        return flushed.failure();
    }
    int copy = -1;
    if (const int error = platform::duplicate(m_file.fd, copy); error != 0) {
        return failed(error);
    }
    return FileHandle(copy, name, m_size);
}

Status NewFile::commit() {
    if (const auto flushed = flush(); !flushed) {
        return flushed;
    }
    if (const int error = platform::flushFile(m_file.fd); error != 0) {
        return failed(error);
    }
    // Whatever was put at the name while the file was written is looked at again.
    if (const auto place = placeOfOutput(m_path); !place) {
        return place.failure();
    }
    if (const int error = moveIntoPlace(m_file, m_target); error != 0) {
        return failed(error);
    }
    platform::syncFolderOf(m_target);
    return success();
}

Result<TemporaryFolder> TemporaryFolder::create() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    std::random_device random;
    for (int attempt = 0; !ec && attempt < 8; ++attempt) {
        const std::string name =
            "romquill-" + hexText(random() & 0xFFFFFFFFu, 8) + hexText(random() & 0xFFFFFFFFu, 8);
        if (std::filesystem::create_directory(base / name, ec)) {
            std::filesystem::permissions(base / name, std::filesystem::perms::owner_all, ec);
            return TemporaryFolder(pathText(base / name));
        }
    }
    return Error{"No temporary folder can be made" + (ec ? ": " + ec.message() + "." : std::string("."))};
}

TemporaryFolder::TemporaryFolder(TemporaryFolder&& other) noexcept
    : m_path(std::exchange(other.m_path, {})) {}

TemporaryFolder::~TemporaryFolder() {
    if (!m_path.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(fsPath(m_path), ec);
    }
}

}  // namespace rq::files
