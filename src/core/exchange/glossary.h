#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"

namespace rq::exchange {

// One concept of a glossary: the terms of the originals' language (synonyms, any of which stands for it),
// the agreed translations (any of them will do) and the translations it forbids. Without a source term its
// forbidden terms are forbidden in every translation, as a platform's list of words never to use keeps them.
struct GlossaryTerm {
    std::vector<std::string> sources;
    std::vector<std::string> targets;
    std::vector<std::string> forbidden;
    std::string where;  // in its file, for messages: "line 12" (TBX), "row 3" (CSV)
};

struct Glossary {
    std::vector<GlossaryTerm> terms;
};

// A glossary file is small: more than this is no glossary, and is refused unread.
inline constexpr std::uint64_t kGlossaryByteLimit = 16 * 1024 * 1024;

// A glossary as translation platforms export it, by its content: XML is TBX, anything else CSV.
//
// TBX 2 (a martif root: termEntry, langSet xml:lang, tig or ntig, term) and TBX 3 (a tbx root: conceptEntry,
// langSec, termSec, term), with or without namespace prefixes. The source language is the root's xml:lang,
// which the platforms set to their project's source language; without one, the language of the file's
// first langSet. Every other language is a target. A term whose administrativeStatus or
// normativeAuthorization (a termNote of that type, or an element of that name) says deprecated, superseded,
// forbidden, obsolete or not recommended is a forbidden term.
//
// CSV: the header row source,target,forbidden (in any order, other columns passed over; comma, semicolon or
// tab), read as csvtexts reads its files; a cell may hold several terms separated by ";". A row without a
// source forbids its forbidden terms everywhere.
//
// Refused, with a message that starts with name and says where: malformed XML (its line), a root that is no
// TBX, a langSet without a language, a CSV file without those columns or with an agreed target but no source,
// and a file that holds no term at all.
[[nodiscard]] Result<Glossary> parseGlossary(std::string_view text, const std::string& name);

// The file at path, UTF-8 or UTF-16 (files/textencoding), refused past kGlossaryByteLimit.
[[nodiscard]] Result<Glossary> readGlossaryFile(const std::string& path);

}  // namespace rq::exchange
