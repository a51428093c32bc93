#pragma once

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "exchange/translations.h"
#include "files/result.h"

namespace rq::exchange {

// The texts as XLIFF 1.2 for translation platforms: one <file> (original the project's name, datatype
// plaintext, source-language "und": no template says which language its game speaks), one trans-unit a
// text, its id and resname the text's key, xml:space="preserve", the original as <source>, the comment and
// the room as developer notes, its place as a location context group (sourcefile 0xOFFSET, linenumber
// LENGTH: read back as "0x210:12", the PO file's "#:"), maxwidth with size-unit "char" (the limit) or
// "byte" (a table entry's room) unless a longer text moves, translate="no" for a locked text, and a <target>
// for a translation (state "translated", "needs-translation" for a fuzzy one). Line breaks and tabs are
// written as they are, a CR as "&#13;" so that no parser turns it into a line break. Refused before
// anything is written, naming the first such text: an original or a translation with a character XML 1.0
// cannot carry (a control character other than tab, LF and CR; U+FFFE, U+FFFF); in a comment or the
// project's name such a character becomes U+FFFD, since no reader takes them back.
[[nodiscard]] Status writeXliffTexts(std::ostream& out, std::span<const ExportedEntry> entries,
                                     const std::string& projectName);

// The most bytes an XLIFF file of these texts can need, translated and annotated by a platform (matches,
// notes, attributes), with room to spare: the document is held whole while it is read.
[[nodiscard]] std::size_t xliffByteLimit(std::span<const ExportedEntry> entries);

// The translations of an XLIFF 1.2 (or 1.1) file, read by pugixml, handed to take one by one in the order of
// the file, each placed by the line where its trans-unit starts ("line 7"). A unit's key is its resname, or
// its id; its original the text of its <source>, its translation that of its <target>, through the <mrk>
// and <g> elements platforms wrap texts in. A unit gives no text without a target, with an empty one, or
// with one whose state says it is not translated yet (new, needs-translation, needs-adaptation,
// needs-l10n: what a PO file's fuzzy flag says). Refused, with a message that starts with name: a file of
// more than byteLimit bytes, XML that is not well-formed (by its line), a root other than <xliff>, XLIFF
// 2; a unit without key, or whose source or target holds an inline code (<x/>, <ph>...) no text of ours
// has, is handed over as a problem; whatever take refuses ends the reading there. A DOCTYPE that declares
// entities is refused: pugixml expands none, so "&name;" would be taken as it stands.
[[nodiscard]] Status readXliffTexts(std::string_view xml, const std::string& name, std::size_t byteLimit,
                                    const TranslationSink& take);

// All the translations of such a file at once, of any size.
[[nodiscard]] Result<std::vector<Translation>> parseXliffTexts(std::string_view xml, const std::string& name);

}  // namespace rq::exchange
