#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq::files {

// Texts handed in (JSON, PO, CSV) as UTF-8, whatever wrote them: a UTF-8 byte order mark is dropped, and
// UTF-16 with its mark, little- or big-endian (what Windows PowerShell 5.1 writes for "dump > texts.json"),
// becomes UTF-8. Refused, with a message that starts with name: UTF-16 cut short or with a surrogate
// unpaired.
[[nodiscard]] Result<std::string> utf8Input(std::string bytes, const std::string& name);

// Shift-JIS as Windows reads it (code page 932) in UTF-8; nothing when a byte sequence is not Shift-JIS.
[[nodiscard]] std::optional<std::string> shiftJisToUtf8(std::string_view bytes);

}  // namespace rq::files
