#include "exchange/potexts.h"

#include <algorithm>

namespace rq::exchange {
namespace {

// What a text that moves to free space counts for in the file's bound: a translation longer than this is
// no line of a game's script.
constexpr std::size_t kMovedTextBound = std::size_t{1} << 16;

// A PO string: quoted, escaped as gettext escapes, a line after each line break as msgcat lays it out; every
// line starts with prefix ("#| " for a previous msgid, "#~ " for an obsolete message).
void writePoString(std::ostream& out, std::string_view keyword, std::string_view text,
                   std::string_view prefix = {}) {
    out << prefix << keyword << ' ';
    const bool multiline = text.find('\n') != std::string_view::npos && text.find('\n') + 1 < text.size();
    if (multiline) {
        out << "\"\"\n" << prefix;
    }
    out << '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        constexpr std::string_view kNamed = "\a\b\f\n\r\t\v\\\"";
        if (const auto named = kNamed.find(static_cast<char>(c)); named != std::string_view::npos) {
            out << '\\' << "abfnrtv\\\""[named];
        } else if (c < 0x20 || c == 0x7F) {
            // Three octal digits always: a digit after the escape cannot be taken for part of it.
            out << '\\' << static_cast<char>('0' + (c >> 6)) << static_cast<char>('0' + ((c >> 3) & 7))
                << static_cast<char>('0' + (c & 7));
        } else {
            out << static_cast<char>(c);
        }
        if (multiline && c == '\n' && i + 1 < text.size()) {
            out << "\"\n" << prefix << '"';
        }
    }
    out << "\"\n";
}

// gettext ends a string at NUL, and refuses U+0004 in any string in any form, raw or escaped: no PO file can
// carry either. Comments are no strings, but a NUL would end one all the same.
Status refusedInPo(const ExportedEntry& entry) {
    const std::string strings = entry.original + entry.translation + entry.previous;
    const bool nul = (strings + entry.comment).find('\0') != std::string::npos;
    if (nul || strings.find('\x04') != std::string::npos) {
        return Error{"The text of " + entry.context + " holds " +
                         (nul ? "a NUL character" : "the control character U+0004") +
                         ", which a PO file cannot carry: dump it as JSON or CSV.",
                     ErrorKind::Refusal};
    }
    return success();
}

// An empty msgid is the header's: gettext's tools take a message with one for the header (msgmerge copies
// the header in as its translation). An original never ends in a space, so a single space stands for an
// empty one unmistakably.
std::string_view poMsgid(std::string_view original) {
    return original.empty() ? " " : original;
}

// A translation no entry took, at the end as msgmerge keeps one: every line commented out with "#~".
void writeObsolete(std::ostream& out, const ExportedEntry& entry) {
    out << '\n';
    if (entry.fuzzy) {
        out << "#, fuzzy\n";
    }
    if (!entry.context.empty()) {
        writePoString(out, "msgctxt", entry.context, "#~ ");
    }
    writePoString(out, "msgid", poMsgid(entry.original), "#~ ");
    writePoString(out, "msgstr", entry.translation, "#~ ");
}

}  // namespace

Status writePoTexts(std::ostream& out, std::span<const ExportedEntry> entries, const std::string& projectName,
                    std::span<const ExportedEntry> obsolete) {
    for (const std::span<const ExportedEntry> list : {entries, obsolete}) {
        for (const ExportedEntry& entry : list) {
            if (auto refused = refusedInPo(entry); !refused) {
                return refused;
            }
        }
    }
    writePoString(out, "msgid", "");
    writePoString(out, "msgstr",
                  "Project-Id-Version: " + projectName +
                      "\nMIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n"
                      "Content-Transfer-Encoding: 8bit\nX-Generator: Romquill\n");
    for (const ExportedEntry& entry : entries) {
        out << '\n';
        if (!entry.comment.empty()) {
            out << "#. " << entry.comment << '\n';
        }
        // The tools that rewrite a PO file drop flags they do not know, but keep these comments.
        out << "#. " << roomNote(entry) << '\n';
        if (entry.original.empty()) {
            out << "#. Empty now (the msgid is a single space): a translation fills it.\n";
        }
        out << "#: " << location(entry) << '\n';
        // One line of flags, comma-separated, as gettext's tools write them and translation platforms read
        // them.
        std::vector<std::string> flags;
        if (entry.fuzzy) {
            flags.emplace_back("fuzzy");
        }
        if (!entry.moveRoom) {
            flags.push_back("max-length:" + std::to_string(entry.limit));
        }
        if (entry.locked) {
            flags.emplace_back("read-only");
        }
        for (std::size_t k = 0; k < flags.size(); ++k) {
            out << (k == 0 ? "#, " : ", ") << flags[k] << (k + 1 == flags.size() ? "\n" : "");
        }
        if (entry.fuzzy && !entry.previous.empty()) {
            writePoString(out, "msgctxt", entry.context, "#| ");
            writePoString(out, "msgid", poMsgid(entry.previous), "#| ");
        }
        writePoString(out, "msgctxt", entry.context);
        writePoString(out, "msgid", poMsgid(entry.original));
        writePoString(out, "msgstr", entry.translation);
    }
    for (const ExportedEntry& entry : obsolete) {
        writeObsolete(out, entry);
    }
    return success();
}

std::size_t poByteLimit(std::span<const ExportedEntry> entries) {
    // The header, the tools' own lines and the translators' notes; then for each text its message, the
    // previous msgid a merge adds, every byte of the original escaped, and a translation of every allowed
    // character as a four-byte escape, several times over.
    std::size_t limit = std::size_t{1} << 20;
    for (const ExportedEntry& entry : entries) {
        limit += 1024 + entry.comment.size() + 8 * entry.original.size() +
                 16 * static_cast<std::size_t>(std::max(entry.limit, 0)) +
                 16 * std::min<std::size_t>(entry.moveRoom.value_or(0), kMovedTextBound);
    }
    return limit;
}

}  // namespace rq::exchange
