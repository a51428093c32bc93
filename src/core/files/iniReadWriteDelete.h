#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/result.h"

namespace rq::files {

// The longest value a read gives back; longer values are cut, as Windows cuts them.
inline constexpr std::size_t kIniValueLimit = 254;

// The largest INI file read; anything larger reads as missing. Templates and alphabets are a few KB.
inline constexpr std::uint64_t kIniFileLimit = 8u << 20;

// One INI file parsed by the rules Windows applies to profile files: raw 8-bit text, names compared
// without regard to ASCII case, the first section and the first key of a name count, blanks trimmed,
// one pair of matching quotes removed.
class IniFile {
  public:
    struct Line {
        std::string key;
        std::string value;
        bool hasEquals = true;
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
        std::unordered_map<std::string, std::size_t> firstLine;  // lower-cased key -> its first line

        // The value of a key of this section, as a read gives it.
        [[nodiscard]] std::optional<std::string> value(std::string_view key) const;
    };

    [[nodiscard]] static IniFile parse(std::string_view bytes);

    // The value as a read gives it, or nothing when the section or key is missing.
    [[nodiscard]] std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // The value, or the default as a read gives it when the section or key is missing.
    [[nodiscard]] std::string read(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const;

    // The first section of each name, in file order.
    [[nodiscard]] const std::vector<Section>& sections() const { return m_sections; }
    [[nodiscard]] const Section* section(std::string_view name) const;

  private:
    std::vector<Section> m_sections;
    std::unordered_map<std::string, std::size_t> m_firstSection;  // lower-cased name -> index
};

// Whether a value can be written into an INI file as it stands: a line break would end its line and start
// another key or section, and no other control character is text.
[[nodiscard]] bool writableIniValue(std::string_view value);

// Reads one value of a file; anything missing (file, section, key) gives the default, with its trailing
// spaces removed. A change on disk is seen at the next read.
[[nodiscard]] std::string iniRead(const std::string& file, std::string_view section, std::string_view key,
                                  std::string_view defaultValue);

// The parsed file, or why it cannot be read (missing, not a regular file, too large, a read error). A parse
// is reused while the file's bytes stay the same.
[[nodiscard]] Result<std::shared_ptr<const IniFile>> readIniFile(const std::string& file);

// The parsed file, or nothing when it cannot be read.
[[nodiscard]] std::shared_ptr<const IniFile> loadIniFile(const std::string& file);

// A missing or unreadable file reads as an empty one: every value gives its default.
[[nodiscard]] std::shared_ptr<const IniFile> loadIniFileOrEmpty(const std::string& file);

}  // namespace rq::files
