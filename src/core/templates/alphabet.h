#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/iniReadWriteDelete.h"

namespace rq {

// An alphabet file: character codes of CharLength bytes to display text (section Load) and display
// characters back to codes (section save). All text is code-page bytes.
class Alphabet {
  public:
    // The file as it is on disk now; a missing file reads as an alphabet without CharLength.
    [[nodiscard]] static Alphabet read(const std::string& path);

    // CharLength as the file writes it ("0" when missing), and its number: 0 when it is missing, 0 or
    // breaks its rule, which marks an alphabet the editor refuses.
    [[nodiscard]] const std::string& charLengthValue() const { return m_charLengthValue; }
    [[nodiscard]] std::int16_t charLength() const { return m_charLength; }

    // The bytes taken CharLength at a time, each code's Load text appended ("<error>" for a code without
    // one; a final code cut short by the end of the bytes is looked up as far as it goes).
    [[nodiscard]] std::string decode(std::string_view bytes) const;

    // The code bytes for one character, or nothing when the alphabet has no valid save value for it.
    [[nodiscard]] std::optional<std::string> encode(char ch) const;

    // Every save value a character can be looked up under, as (key, value), in file order.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> saveValues() const;

  private:
    std::shared_ptr<const IniFile> m_ini;
    std::string m_charLengthValue;
    std::int16_t m_charLength = 0;
};

// The key a character is saved under: a space is "¬", "=" is "¦", a lower-case letter is "_" and the
// letter (INI keys ignore case), anything else is itself.
[[nodiscard]] std::string characterKey(char ch);

}  // namespace rq
