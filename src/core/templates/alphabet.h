#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/iniReadWriteDelete.h"

namespace rq::templates {

// An alphabet file: character codes of CharLength bytes to display text (section Load) and display
// characters back to codes (section save). All text is code-page bytes.
class Alphabet {
  public:
    // The file as it is on disk now; a missing file reads as an alphabet without CharLength.
    [[nodiscard]] static Alphabet read(const std::string& path);
    // The same from the file's bytes.
    [[nodiscard]] static Alphabet parse(std::string_view bytes);

    // The Load keys a read can find (the first line of each name), in file order, as the file writes them.
    [[nodiscard]] std::vector<std::string> loadKeys() const;

    // The file it was read from.
    [[nodiscard]] const std::string& path() const { return m_path; }

    // CharLength as the file writes it ("0" when missing), and its number: 0 when it is missing, 0 or
    // breaks its rule, which marks an alphabet the editor refuses.
    [[nodiscard]] const std::string& charLengthValue() const { return m_charLengthValue; }
    [[nodiscard]] std::int16_t charLength() const { return m_charLength; }

    // The bytes taken CharLength at a time, each code's Load text appended ("<error>" for a code without
    // one; a final code cut short by the end of the bytes is looked up as far as it goes).
    [[nodiscard]] std::string decode(std::string_view bytes) const;

    // The most UTF-8 bytes one code can decode to: its longest Load value, or "<error>".
    [[nodiscard]] std::size_t longestText() const;

    // The code bytes for one character, or nothing when the alphabet has no valid save value for it
    // (faults() lists a malformed one, and a template with such an alphabet is refused before a save).
    [[nodiscard]] std::optional<std::string> encode(char ch) const;

    // A value that breaks a rule of templaterules.h, with the rule's phrase; an empty key is the section.
    struct Fault {
        std::string section;
        std::string key;
        std::optional<std::string> value;
        std::string phrase;
    };
    // Every fault in file order: CharLength when it is not a number of bytes (missing or 0 is an older
    // alphabet, which callers word themselves), a save section without codes, each malformed save value.
    [[nodiscard]] std::vector<Fault> faults() const;

    // The codes that do not read back as themselves: a Load key that no code of CharLength bytes has, a Load
    // code whose text a save writes as other bytes (another code of the same text, its characters one by one,
    // or not at all), and a save code that reads back as another text. An alphabet without a save section is
    // for reading only and has none.
    [[nodiscard]] std::vector<Fault> readBackFaults() const;

  private:
    static Alphabet fromIni(std::shared_ptr<const files::IniFile> ini);

    // Every Load text by its code's bytes, and every character's save code: looked up once, when first
    // needed, instead of a key made and an INI look-up for every code of every text.
    struct Codes;
    [[nodiscard]] const Codes& codes() const;

    std::shared_ptr<const files::IniFile> m_ini;
    std::shared_ptr<Codes> m_codes;
    std::string m_path;
    std::string m_charLengthValue;
    std::int16_t m_charLength = 0;
};

// The key a character is saved under: a space is "¬", "=" is "¦", a lower-case letter is "_" and the
// letter (INI keys ignore case), anything else is itself.
[[nodiscard]] std::string characterKey(char ch);

// The Load key of a code: its bytes in file order, two upper-case hexadecimal digits each.
[[nodiscard]] std::string codeKey(std::string_view bytes);

}  // namespace rq::templates
