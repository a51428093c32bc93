#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/iniReadWriteDelete.h"
#include "files/result.h"

namespace rq {

// An alphabet file: character codes of CharLength bytes to display text (section Load) and display
// characters back to codes (section save). All text is code-page bytes.
class Alphabet {
  public:
    // The file as it is on disk now; a missing file reads as an alphabet without CharLength.
    [[nodiscard]] static Alphabet read(const std::string& path);

    [[nodiscard]] const std::string& path() const { return m_path; }

    // 0 (or missing) marks an alphabet older than version 0.9, which the editor refuses.
    [[nodiscard]] std::int16_t charLength() const { return m_charLength; }
    [[nodiscard]] const std::string& charLengthValue() const { return m_charLengthValue; }
    [[nodiscard]] bool charLengthIsNumber() const { return m_charLengthIsNumber; }

    // The bytes taken CharLength at a time, each code's Load text appended ("<error>" for a code without
    // one; a final code cut short by the end of the bytes is looked up as far as it goes).
    [[nodiscard]] std::string decode(std::string_view bytes) const;

    // The code bytes for one character, or nothing when the alphabet has no save value for it.
    [[nodiscard]] std::optional<std::string> encode(char ch) const;

    // The first save value that is not a string of hexadecimal digit pairs, as (key, value).
    [[nodiscard]] std::optional<std::pair<std::string, std::string>> malformedSaveValue() const;

  private:
    std::string m_path;
    std::shared_ptr<const IniFile> m_ini;
    std::string m_charLengthValue;
    std::int16_t m_charLength = 0;
    bool m_charLengthIsNumber = true;
};

// The key a character is saved under: a space is "¬", "=" is "¦", a lower-case letter is "_" and the
// letter (INI keys ignore case), anything else is itself.
[[nodiscard]] std::string characterKey(char ch);

// A decimal 16-bit value as the format writes it, or nothing.
[[nodiscard]] std::optional<std::int16_t> parseShort(std::string_view value);

}  // namespace rq
