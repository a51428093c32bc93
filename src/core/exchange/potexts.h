#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/translations.h"
#include "files/result.h"

namespace rq {

// A gettext PO file of the texts, for Poedit and Weblate: one message a text, its context as msgctxt, the
// text without its padding as msgid, an empty msgstr, the comment as "#.", "#: 0xOFFSET:LENGTH" and
// "#, max-length:LIMIT". Refused before anything is written: a text with a NUL character, which a PO file
// cannot hold.
[[nodiscard]] Status writePoTexts(std::ostream& out, std::span<const ExportedEntry> entries,
                                  const std::string& projectName);

// The translations of a PO file as writePoTexts writes it, read by libgettextpo. Messages marked fuzzy or
// with an empty msgstr give no text; obsolete messages and the header are passed over. Refused, with a
// message that starts with name: anything libgettextpo reports as an error, a charset other than UTF-8
// (or ASCII), and a message without msgctxt.
[[nodiscard]] Result<std::vector<Translation>> parsePoTexts(std::string_view po, const std::string& name);

}  // namespace rq
