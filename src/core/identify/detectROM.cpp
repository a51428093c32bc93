#include "detectROM.h"

#include <map>
#include <utility>

#include "files/common.h"
#include "files/readwritetext.h"
#include "identify/catalogue.h"

namespace rq::identify {
namespace {

using identify::Catalogue;
using identify::Condition;
using identify::FieldTest;
using identify::Outcome;
using identify::Platform;

constexpr std::string_view kUnhandledFileType = "This type of file is not supported by RQL.";

// Reads each field once through the byte-range read; a failed read gives the empty text, which no test
// matches, and is remembered so that the read's own message is told once.
class FieldReader {
  public:
    FieldReader(const std::string& path, std::uint64_t size) : m_path(path), m_size(size) {}

    [[nodiscard]] bool matches(const FieldTest& test) {
        const auto key = std::make_pair(test.offset, test.bytes.size());
        auto it = m_fields.find(key);
        if (it == m_fields.end()) {
            auto bytes =
                files::readRange(m_path, test.offset, static_cast<std::int16_t>(test.bytes.size()), 0);
            if (!bytes) {
                m_failed = true;
            }
            it = m_fields.emplace(key, bytes ? std::move(bytes).value() : std::string()).first;
        }
        if (test.match == FieldTest::Match::Text) {
            return it->second.size() == test.bytes.size() && it->second.find('\0') == std::string::npos;
        }
        return it->second == test.bytes;
    }

    [[nodiscard]] bool passes(const Condition& condition) {
        if (condition.fileSize != 0) {
            return m_size == condition.fileSize;
        }
        for (const auto& field : condition.fields) {
            if (!field.bytes.empty() && !matches(field)) {
                return false;
            }
        }
        return true;
    }

    [[nodiscard]] bool failed() const { return m_failed; }

  private:
    const std::string& m_path;
    std::uint64_t m_size;
    std::map<std::pair<std::int32_t, std::size_t>, std::string> m_fields;
    bool m_failed = false;
};

Outcome walk(const Catalogue& catalogue, FieldReader& reader) {
    for (const auto& entry : catalogue.entries) {
        if (!reader.matches(entry.key)) {
            continue;
        }
        for (const auto& rule : entry.rules) {
            if (reader.passes(rule.when)) {
                return rule.then;
            }
        }
        return entry.otherwise;
    }
    return catalogue.noMatch;
}

}  // namespace

Result<Identification> detectGame(const std::string& path) {
    const auto size = files::regularFileSize(path);
    if (!size) {
        return Error{size.error()};
    }

    const std::string extension = files::pathExtension(path);
    const Platform* platform = nullptr;
    for (const auto& candidate : identify::platforms()) {
        if (candidate.extension == extension) {
            platform = &candidate;
            break;
        }
    }
    Identification result;
    if (platform == nullptr) {
        result.game = std::string(kNoRomLoaded);
        result.message = std::string(kUnhandledFileType);
        return result;
    }

    FieldReader reader(path, *size);
    bool valid = platform->validity.empty();
    for (const auto& condition : platform->validity) {
        if (reader.passes(condition)) {
            valid = true;
            break;
        }
    }
    if (!valid) {
        result.readFailed = reader.failed();
        result.message = std::string(platform->notValid);
        return result;
    }

    Outcome outcome = walk(*platform->catalogue, reader);
    while (outcome.kind == Outcome::Kind::Catalogue) {
        outcome = walk(*outcome.next, reader);
    }
    result.readFailed = reader.failed();
    switch (outcome.kind) {
        case Outcome::Kind::Game:
            result.game = std::string(outcome.game);
            break;
        case Outcome::Kind::NotSupported:
            result.message = std::string(platform->notSupported);
            break;
        case Outcome::Kind::Silent:
        case Outcome::Kind::Catalogue:
            break;
    }
    return result;
}

}  // namespace rq::identify
