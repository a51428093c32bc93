#pragma once

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/translations.h"
#include "files/result.h"

namespace rq::exchange {

// A gettext PO file of the texts, for Poedit and Weblate: one message a text, its context as msgctxt, the
// text without its padding as msgid (a single space for an empty text: an empty msgid is the header's), an
// empty msgstr, the comment and the limit as "#." lines ("#. Room for 12 characters."), which the tools
// that rewrite PO files keep, "#: 0xOFFSET:LENGTH" and "#, max-length:LIMIT" for Weblate (with ", read-only"
// for a locked entry, on the same line). Refused before
// anything is written, naming the first such text: a text with a character no PO file can carry, NUL (it ends
// gettext's strings) or U+0004 (gettext's context separator, refused in any string). A text carried from
// another revision is marked as msgmerge marks it: "#, fuzzy" on its flags line, its previous original as
// "#| msgctxt" and "#| msgid"; the translations of entries gone (obsolete) follow the texts as "#~" messages.
[[nodiscard]] Status writePoTexts(std::ostream& out, std::span<const ExportedEntry> entries,
                                  const std::string& projectName,
                                  std::span<const ExportedEntry> obsolete = {});

// The most bytes a PO file of these texts can need, translated and commented by the translators' tools, with
// room to spare. libgettextpo holds the whole file, at up to some forty times its size, so a larger file is
// refused before it reads it.
[[nodiscard]] std::size_t poByteLimit(std::span<const ExportedEntry> entries);

// The translations of a PO file as writePoTexts writes it, read by libgettextpo, handed to take one by one,
// each placed by the line where it starts; a message without msgctxt gives its "#:" locations instead.
// A message with an empty msgstr gives no text; one marked fuzzy gives its text marked so, with its previous
// msgid, and an obsolete one ("#~") its text marked obsolete, for a migration to carry on (taking
// translations passes over both); the header is passed over. Refused, with a message that starts with name: a
// file of more than byteLimit bytes, everything libgettextpo reports as an error (listed as ProblemList lists
// them), a charset other than UTF-8 (or ASCII), messages in more than one domain and a NUL character in a
// string (by its line: libgettextpo would cut the string there). A message with plural forms (game texts have
// none) is handed over as a problem; whatever take refuses ends the reading there.
[[nodiscard]] Status readPoTexts(std::string_view po, const std::string& name, std::size_t byteLimit,
                                 const TranslationSink& take);

// All the translations of such a file at once, of any size.
[[nodiscard]] Result<std::vector<Translation>> parsePoTexts(std::string_view po, const std::string& name);

}  // namespace rq::exchange
