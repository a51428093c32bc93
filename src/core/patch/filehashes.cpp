#include "patch/filehashes.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <optional>

#include "files/asciitext.h"
#include "files/filehandle.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
#include <nettle/md5.h>
#include <nettle/sha1.h>
#endif

namespace rq::patch {
namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

std::string hexDigits(const unsigned char* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += files::hexText(bytes[i], 2);
    }
    return files::lowerAscii(text);
}

#ifdef _WIN32
// A hash of Windows' own library, fed block by block.
class Digest {
  public:
    explicit Digest(LPCWSTR algorithm) {
        if (BCryptOpenAlgorithmProvider(&m_provider, algorithm, nullptr, 0) == 0) {
            DWORD length = 0;
            ULONG got = 0;
            BCryptGetProperty(m_provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length),
                              sizeof length, &got, 0);
            m_length = length;
            m_ok = BCryptCreateHash(m_provider, &m_hash, nullptr, 0, nullptr, 0, 0) == 0;
        }
    }
    ~Digest() {
        if (m_hash != nullptr) {
            BCryptDestroyHash(m_hash);
        }
        if (m_provider != nullptr) {
            BCryptCloseAlgorithmProvider(m_provider, 0);
        }
    }
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;

    void update(std::string_view bytes) {
        m_ok = m_ok && BCryptHashData(m_hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                                      static_cast<ULONG>(bytes.size()), 0) == 0;
    }
    [[nodiscard]] std::optional<std::string> finish() {
        std::array<unsigned char, 64> digest{};
        if (!m_ok || m_length > digest.size() || BCryptFinishHash(m_hash, digest.data(), m_length, 0) != 0) {
            return std::nullopt;
        }
        return hexDigits(digest.data(), m_length);
    }

  private:
    BCRYPT_ALG_HANDLE m_provider = nullptr;
    BCRYPT_HASH_HANDLE m_hash = nullptr;
    ULONG m_length = 0;
    bool m_ok = false;
};

struct Hashers {
    Digest md5{BCRYPT_MD5_ALGORITHM};
    Digest sha1{BCRYPT_SHA1_ALGORITHM};
    void update(std::string_view bytes) {
        md5.update(bytes);
        sha1.update(bytes);
    }
    [[nodiscard]] bool finish(FileHashes& hashes) {
        const auto md5Text = md5.finish();
        const auto sha1Text = sha1.finish();
        if (!md5Text || !sha1Text) {
            return false;
        }
        hashes.md5 = *md5Text;
        hashes.sha1 = *sha1Text;
        return true;
    }
};
#else
struct Hashers {
    md5_ctx md5{};
    sha1_ctx sha1{};
    Hashers() {
        md5_init(&md5);
        sha1_init(&sha1);
    }
    void update(std::string_view bytes) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        md5_update(&md5, bytes.size(), data);
        sha1_update(&sha1, bytes.size(), data);
    }
    [[nodiscard]] bool finish(FileHashes& hashes) {
        std::array<std::uint8_t, MD5_DIGEST_SIZE> md5Digest{};
        std::array<std::uint8_t, SHA1_DIGEST_SIZE> sha1Digest{};
        md5_digest(&md5, md5Digest.size(), md5Digest.data());
        sha1_digest(&sha1, sha1Digest.size(), sha1Digest.data());
        hashes.md5 = hexDigits(md5Digest.data(), md5Digest.size());
        hashes.sha1 = hexDigits(sha1Digest.data(), sha1Digest.size());
        return true;
    }
};
#endif

}  // namespace

Result<FileHashes> hashFile(const std::string& path, const PatchProgress& progress) {
    const auto file = files::FileHandle::open(path, files::FileHandle::Mode::Read);
    if (!file) {
        return file.failure();
    }
    FileHashes hashes;
    hashes.size = file->openedSize();
    Hashers hashers;
    uLong crc = crc32(0L, Z_NULL, 0);
    for (std::uint64_t at = 0; at < hashes.size; at += kBlock) {
        if (progress && !progress(at, hashes.size)) {
            return Error{std::string(kPatchCancelled), ErrorKind::Refusal};
        }
        const auto block =
            file->readAt(at, static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, hashes.size - at)));
        if (!block) {
            return block.failure();
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(block->data()), static_cast<uInt>(block->size()));
        hashers.update(*block);
    }
    hashes.crc32 = static_cast<std::uint32_t>(crc);
    if (!hashers.finish(hashes)) {
        return Error{"The MD5 and SHA-1 of \"" + path +
                     "\" could not be worked out: the system's library refused."};
    }
    return hashes;
}

std::string hashLines(const std::string& name, const FileHashes& hashes) {
    return name + "\nSize: " + std::to_string(hashes.size) + (hashes.size == 1 ? " byte" : " bytes") +
           "\nCRC32: " + files::hexText(hashes.crc32, 8) + "\nMD5: " + hashes.md5 +
           "\nSHA-1: " + hashes.sha1 + "\n";
}

}  // namespace rq::patch
