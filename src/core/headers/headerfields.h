#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "files/safewrite.h"

namespace rq::headers {

// The two header editors' files, chosen by the extension alone ("gba", "bin"), as the windows do.
enum class Kind { Gba, MegaDrive };
[[nodiscard]] std::optional<Kind> kindOf(const std::string& path);

enum class Display {
    Text,    // code-page characters up to the first zero byte
    HexByte  // one byte as two hexadecimal digits, locked (the GBA device type and version)
};

// One field of a header, as its window shows it and its save writes it.
struct Field {
    std::string_view control;  // the window's text box and the command line's key: "romtitle", "dash"
    std::string_view name;     // for messages, as the user knows the field: "the title", "the separator"
    std::int32_t offset;       // 0-based, no address shift
    std::int16_t size;         // bytes read; bytes written, padded, when edited
    int limit;                 // the text box's typing limit in characters
    bool writable;             // false: shown, never written (devicetype, version, dash)
    Display display;
    std::string_view toolTip;  // as the window shows it
};

// A kind's fields in the window's order.
[[nodiscard]] std::span<const Field> fields(Kind kind);
[[nodiscard]] std::optional<std::size_t> findField(Kind kind, std::string_view control);

struct HeaderTexts {
    std::vector<std::string> texts;  // a field each, UTF-8
    bool readFailed = false;         // the file could not be read; its fields came back empty
};
[[nodiscard]] HeaderTexts readHeader(const std::string& path, Kind kind);

// A field to be saved with this UTF-8 text.
struct FieldEdit {
    std::size_t field = 0;
    std::string text;
};

// What a window shows of a field's text: a Mega Drive field that is written without the spaces its save pads
// with. A GBA field pads with zero bytes, where its text ends already; a field never written has no padding.
[[nodiscard]] std::string_view shownText(Kind kind, std::size_t field, std::string_view text);

// Every edit padded to its field's size (GBA with zero bytes, Mega Drive with spaces) and encoded one
// code-page byte a character, before anything is written. Refuses (ErrorKind::Refusal) a locked field, a
// text longer than its field and a character without a byte in the code page.
[[nodiscard]] Result<std::vector<files::RoomWrite>> planHeaderSave(Kind kind,
                                                                   std::span<const FieldEdit> edits);

// The fields whose text after (nothing: not given) differs from the text before (as read, or as last saved)
// once both are padded as the save pads them, in the table's order: a box that shows its text without the
// padding is no edit. Every given text is checked as planHeaderSave checks it, changed or not, so that a
// locked field or a text that could never be written is refused even when it matches.
[[nodiscard]] Result<std::vector<FieldEdit>> changedFields(Kind kind, std::span<const std::string> before,
                                                           std::span<const std::optional<std::string>> after);

// The plan, then the rooms written through the one safe write path (a file too short is refused there).
[[nodiscard]] Status saveHeader(const std::string& path, Kind kind, std::span<const FieldEdit> edits);

// The header's check value: GBA the complement byte at 0xBD, Mega Drive the word at 0x18E.
struct Checksum {
    std::uint32_t stored = 0;
    std::uint32_t computed = 0;
    [[nodiscard]] bool right() const { return stored == computed; }
};
// Refused when the file is too short to hold the value; the Mega Drive sum reads the file in blocks.
[[nodiscard]] Result<Checksum> readChecksum(const std::string& path, Kind kind);
// Writes the computed value, and only its bytes, through the one safe write path; a value already right is
// left alone (nothing is written).
[[nodiscard]] Status fixChecksum(const std::string& path, Kind kind);

// The GBA maker codes as the "Game Maker Codes..." button shows them: six boxes, in order.
struct MakerCodeBox {
    std::string_view title;
    std::span<const std::string_view> lines;  // "01 - Nintendo", ...
};
[[nodiscard]] std::span<const MakerCodeBox> makerCodeBoxes();

}  // namespace rq::headers
