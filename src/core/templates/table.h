#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"

namespace rq::templates {

// Tables of a few thousand lines are a few hundred kilobytes; anything far larger is not a table.
inline constexpr std::uint64_t kTableFileLimit = 64ULL << 20;

// Something in a table file that a read cannot use as it stands, with its line (1-based).
struct TableProblem {
    int line = 0;
    std::string what;  // UTF-8, said of the line: "has a key that is not whole bytes of hexadecimal digits"
    bool warning = false;  // the table is used: the line is left out, or read as the phrase says
};

// A character table (.tbl) as fan translators share them: codes of 1 to 32 bytes mixed, each standing for a
// text (one character, several for DTE/MTE, or none), end tokens, line break codes and control codes with
// parameter bytes. Texts are UTF-8.
class Table {
  public:
    enum class Kind {
        Text,       // HEX=text
        End,        // /HEX=text or /HEX: ends a string; its text is never shown
        LineBreak,  // *HEX: a newline in the text (so is "\n" written in an entry's text)
        Control,    // $HEX=<Label>,N: the label, then N parameter bytes
    };
    struct Entry {
        int line = 0;
        std::string code;  // the bytes, first byte first
        std::string text;  // UTF-8; a control code's label
        Kind kind = Kind::Text;
        int parameters = 0;  // bytes after a control code
        // A second line with the key of an earlier one (its index in entries()): its text is written as
        // that key, which reads as the earlier line's text. -1 for every other entry.
        int aliasOf = -1;
        std::string label;  // a line break's label as the table gives it ("*FE=<LINE>"); empty for others
    };

    // The table in a file's bytes: UTF-8 with or without a byte order mark, UTF-16 with one, or Shift-JIS
    // (code page 932) where a file without a mark is not UTF-8 but is that (a warning); LF or CRLF; "#" lines
    // and blank lines ignored. Never fails: a line it cannot use is a problem. What other tools read is read
    // with a warning: ";" comments, "@" lines and keys without "=" (skipped, counted), a second line with
    // an earlier key (the first is read, both are written as the key), a control code without a count of
    // parameters (left out).
    [[nodiscard]] static Table parse(std::string_view fileBytes);
    // The same from a file; fails only when the file cannot be read.
    [[nodiscard]] static Result<Table> read(const std::string& path);

    [[nodiscard]] const std::string& path() const { return m_path; }
    // The entries in use, in file order (a second line of a key among them, see Entry::aliasOf).
    [[nodiscard]] const std::vector<Entry>& entries() const { return m_entries; }
    // The lines a read cannot use, and the warnings, in line order.
    [[nodiscard]] const std::vector<TableProblem>& problems() const { return m_problems; }
    [[nodiscard]] bool hasEndTokens() const;

    struct Decoded {
        std::string text;        // UTF-8
        std::size_t length = 0;  // bytes read, the end token included
        std::string end;         // the end token's bytes that ended the text; empty when none came
    };
    // Reads bytes up to and including the first end token: at each position the longest code wins; a byte
    // no code starts shows as "<$XX>" (upper-case hex); a control code as its label and then each parameter
    // byte as "<$XX>" (a parameter cut short by the end of the bytes shows what there is); a line break as a
    // newline. Linear in the bytes.
    [[nodiscard]] Decoded decode(std::string_view bytes) const;

    // The fewest bytes that stand for a UTF-8 text, over every Text and LineBreak entry (ties go to the entry
    // earliest in the file); "<$XX>" writes the byte XX, a control label is followed by its parameters as
    // "<$XX>" each. No end token is written. Refused (ErrorKind::Refusal, a phrase said of the text, without
    // the entry: "has no code for "ж" in the table", "would read back as "..."") when a character cannot be
    // written, a label lacks its parameters, or the bytes would not decode to the text again. Linear in the
    // text (times the longest entry text).
    [[nodiscard]] Result<std::string> encode(std::string_view utf8) const;

    // The bytes of a text that leave a room of `room` bytes to be filled with a padding of `step` bytes
    // a piece (0: nothing can pad, the text must fill it exactly): the fewest such bytes, or nothing when
    // no way of writing the text does that. For a fixed room whose fewest bytes leave what cannot be padded.
    [[nodiscard]] std::optional<std::string> encodeForRoom(std::string_view utf8, std::size_t room,
                                                           std::size_t step) const;

    // What a text reads as once written: the text of a second line of a key becomes that of the first.
    [[nodiscard]] std::string readAs(std::string_view utf8) const;

    // The characters of a UTF-8 text that no way of writing it covers, each once, in the order they first
    // stand (what encode refuses first); empty for malformed UTF-8.
    [[nodiscard]] std::u32string missingCharacters(std::string_view utf8) const;

    // The control codes of a UTF-8 text in the order they stand, as a translation must keep them: each
    // control label (the longest that starts where it stands) and each raw byte "<$XX>" (in upper case), a
    // label's parameters among them.
    [[nodiscard]] std::vector<std::string> controlCodes(std::string_view utf8) const;

    // The most bytes one character of text can take when written (a raw byte "<$XX>" is five characters for
    // one byte, so it never raises this).
    [[nodiscard]] std::size_t mostBytesPerCharacter() const;
    // The most UTF-8 bytes one byte of a game file can decode to.
    [[nodiscard]] std::size_t mostTextPerByte() const;

    // The code of the entry whose text is one space (the first), which pads fixed rooms.
    [[nodiscard]] std::optional<std::string> spaceCode() const;

    // An end token and a longer key that begins with it: where the key's next byte follows the token, the
    // token is read as that key and the text goes on.
    struct EndInKey {
        const Entry* end;
        const Entry* key;
    };
    [[nodiscard]] std::vector<EndInKey> endTokensInKeys() const;
    // A byte that no key continues the end token with, so that the token before it is read as the end; the
    // token's own first byte when it does, then the lowest; nothing when every byte continues it.
    [[nodiscard]] std::optional<char> byteEndingToken(std::string_view end) const;

    // The entries that do not read back as themselves: a Text entry whose text is written as other bytes,
    // or whose code reads as another text; an empty text, which nothing writes.
    [[nodiscard]] std::vector<TableProblem> readBackProblems() const;

  private:
    struct Index;  // lookups for decode and encode, built once by parse
    // One way to go on writing a text: an entry (-1 for a raw "<$XX>"), its bytes, and where it ends.
    struct Step {
        std::size_t cost = SIZE_MAX;  // bytes from here to the end of the text; SIZE_MAX: no way
        int entry = -1;
        std::size_t next = 0;
    };
    [[nodiscard]] const Index& index() const;
    // The bytes of the way of writing the text that steps give, checked by reading them back.
    [[nodiscard]] Result<std::string> written(std::string_view utf8, const std::vector<Step>& steps) const;
    std::string m_path;
    std::vector<Entry> m_entries;
    std::vector<TableProblem> m_problems;
    std::shared_ptr<const Index> m_index;
};

// A table file's bytes as UTF-8 text: with a byte order mark (UTF-8 or UTF-16), as UTF-8, or, where a file
// without one is not UTF-8 but is Shift-JIS (old Japanese tables are), as that, with a warning in problems.
// Nothing when UTF-16 is cut short (a problem of line 1).
[[nodiscard]] std::optional<std::string> tableFileText(std::string_view fileBytes,
                                                       std::vector<TableProblem>& problems);

// Whether a text format's name is a table file rather than an INI alphabet: it ends in ".tbl" (any case).
[[nodiscard]] bool isTableName(std::string_view name);

}  // namespace rq::templates
