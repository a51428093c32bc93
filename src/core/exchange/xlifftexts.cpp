#include "exchange/xlifftexts.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "exchange/potexts.h"
#include "files/asciitext.h"

namespace rq::exchange {
namespace {

// The bytes of a character XML 1.0 cannot carry at text[at], or 0: a control character other than tab, LF
// and CR, or U+FFFE and U+FFFF (EF BF BE, EF BF BF). No character reference names them either.
std::size_t unwritableAt(std::string_view text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
        return 1;
    }
    const bool nonCharacter = c == 0xEF && at + 2 < text.size() && text[at + 1] == '\xBF' &&
                              (text[at + 2] == '\xBE' || text[at + 2] == '\xBF');
    return nonCharacter ? 3 : 0;
}

// Why a text cannot go into an XLIFF file, or nothing.
std::optional<std::string> unwritable(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const std::size_t size = unwritableAt(text, i)) {
            const unsigned code =
                size == 1 ? static_cast<unsigned char>(text[i]) : (text[i + 2] == '\xBE' ? 0xFFFEU : 0xFFFFU);
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", code);
            return std::string(size == 1 ? "the control character " : "the character ") + name;
        }
    }
    return std::nullopt;
}

// Text as element content or a quoted attribute value. A CR is a reference, which a parser keeps as it is,
// where it would turn a CR it reads into a line break; in an attribute, line breaks and tabs too, which a
// parser would turn into spaces. What XML cannot carry at all becomes U+FFFD: only comments and names can
// hold it here, and no reader takes them back.
std::string escaped(std::string_view text, bool attribute = false) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const std::size_t size = unwritableAt(text, i)) {
            out += "\xEF\xBF\xBD";
            i += size - 1;
            continue;
        }
        const char c = text[i];
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";  // "]]>" may not stand in content
        } else if (c == '\r') {
            out += "&#13;";
        } else if (attribute && c == '"') {
            out += "&quot;";
        } else if (attribute && c == '\n') {
            out += "&#10;";
        } else if (attribute && c == '\t') {
            out += "&#9;";
        } else {
            out += c;
        }
    }
    return out;
}

std::string_view localName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node childNamed(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && localName(child) == name) {
            return child;
        }
    }
    return {};
}

// Visits the nodes inside top in document order without recursion (a file may nest elements as deep as it
// likes): visit says whether to go into a node's children (true) or past them.
template <class Visit>
void walkInside(const pugi::xml_node& top, Visit&& visit) {
    for (pugi::xml_node node = top.first_child(); node;) {
        if (visit(node) && node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != top && !node.next_sibling()) {
            node = node.parent();
        }
        node = node == top ? pugi::xml_node() : node.next_sibling();
    }
}

// The text of a <source> or <target>, through the elements platforms wrap texts in (<mrk> segments, <g>);
// or the first element that stands for something else, an inline code no game text holds.
Result<std::string> textOf(const pugi::xml_node& element) {
    std::string text;
    std::string code;
    walkInside(element, [&](const pugi::xml_node& node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            text += node.value();
        } else if (node.type() == pugi::node_element && code.empty()) {
            if (localName(node) == "mrk" || localName(node) == "g") {
                return true;
            }
            code = node.name();
        }
        return false;
    });
    if (!code.empty()) {
        return Error{"the <" + std::string(localName(element)) + "> holds <" + code +
                     ">, an inline code that stands for no character of a game text."};
    }
    return text;
}

// The line of a place in the file, for places met in the order of the file.
class LineCounter {
  public:
    explicit LineCounter(std::string_view text) : m_text(text) {}

    [[nodiscard]] std::size_t at(std::size_t offset) {
        offset = std::min(offset, m_text.size());
        if (offset < m_at) {
            m_at = 0;
            m_line = 1;
        }
        m_line +=
            static_cast<std::size_t>(std::count(m_text.begin() + static_cast<std::ptrdiff_t>(m_at),
                                                m_text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
        m_at = offset;
        return m_line;
    }

  private:
    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
};

// A target a platform has but marks as not translated yet, as a PO file's fuzzy flag does.
bool untranslatedState(std::string_view state) {
    return state == "new" || state == "needs-translation" || state == "needs-adaptation" ||
           state == "needs-l10n";
}

Translation unitTranslation(const pugi::xml_node& unit, const std::string& name, std::string where) {
    const std::string resname = unit.attribute("resname").value();
    Translation item{
        resname.empty() ? unit.attribute("id").value() : resname, std::move(where), {}, {}, {}, {}};
    const auto problem = [&](const std::string& why) {
        item.problem = name + ", " + item.where + ": " + why;
        return item;
    };
    if (item.key.empty()) {
        return problem("the trans-unit has neither a resname nor an id, so it names no text.");
    }
    const pugi::xml_node source = childNamed(unit, "source");
    if (!source) {
        return problem("the trans-unit has no <source>.");
    }
    auto original = textOf(source);
    if (!original) {
        return problem(original.error());
    }
    item.original = std::move(original).value();
    const pugi::xml_node target = childNamed(unit, "target");
    if (target && !untranslatedState(target.attribute("state").value())) {
        auto text = textOf(target);
        if (!text) {
            return problem(text.error());
        }
        item.text = std::move(text).value();
    }
    return item;
}

}  // namespace

Status writeXliffTexts(std::ostream& out, std::span<const ExportedEntry> entries,
                       const std::string& projectName) {
    for (const ExportedEntry& entry : entries) {
        for (const auto& [what, text] :
             {std::pair{"text", &entry.original}, {"translation", &entry.translation}}) {
            if (const auto why = unwritable(*text)) {
                return Error{"The " + std::string(what) + " of " + entry.context + " holds " + *why +
                                 ", which an XLIFF file cannot carry: dump it as JSON or CSV.",
                             ErrorKind::Refusal};
            }
        }
    }
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">\n"
        << "  <file original=\"" << escaped(projectName, true)
        << "\" datatype=\"plaintext\" source-language=\"und\">\n"
        << "    <body>\n";
    for (const ExportedEntry& entry : entries) {
        const std::string key = escaped(entry.key, true);
        out << "      <trans-unit id=\"" << key << "\" resname=\"" << key << "\" xml:space=\"preserve\"";
        // A pointer entry's longer text moves: its room is no maximum.
        if (!entry.moveRoom) {
            out << (entry.bytes > 0 ? " maxwidth=\"" + std::to_string(entry.bytes) + "\" size-unit=\"byte\""
                                    : " maxwidth=\"" + std::to_string(entry.limit) + "\" size-unit=\"char\"");
        }
        out << (entry.locked ? " translate=\"no\">\n" : ">\n");
        out << "        <source>" << escaped(entry.original) << "</source>\n";
        if (!entry.translation.empty()) {
            // A fuzzy translation waits for a translator, as platforms read these states.
            out << "        <target state=\"" << (entry.previous.empty() ? "translated" : "needs-translation")
                << "\">" << escaped(entry.translation) << "</target>\n";
        }
        if (!entry.comment.empty()) {
            out << "        <note from=\"developer\">" << escaped(entry.comment) << "</note>\n";
        }
        out << "        <note from=\"developer\">" << escaped(roomNote(entry)) << "</note>\n"
            << "        <context-group purpose=\"location\">\n"
            << "          <context context-type=\"sourcefile\">0x" << escaped(entry.offset) << "</context>\n"
            << "          <context context-type=\"linenumber\">" << entry.length << "</context>\n"
            << "        </context-group>\n"
            << "      </trans-unit>\n";
    }
    out << "    </body>\n  </file>\n</xliff>\n";
    return success();
}

std::size_t xliffByteLimit(std::span<const ExportedEntry> entries) {
    // Markup around every text, escapes of up to five bytes a character, and a platform's matches and notes
    // beside each translation: twice what a PO file of the same texts may take.
    return 2 * poByteLimit(entries);
}

Status readXliffTexts(std::string_view xml, const std::string& name, std::size_t byteLimit,
                      const TranslationSink& take) {
    const auto refusal = [&name](const std::string& why) { return Error{name + why, ErrorKind::Refusal}; };
    if (xml.size() > byteLimit) {
        return refusal(" is not read: at " + std::to_string(xml.size()) +
                       " bytes it is far larger than an XLIFF file of these texts can be.");
    }
    pugi::xml_document document;
    // Whitespace alone is a text too: a translation may be a single space.
    const pugi::xml_parse_result parsed = document.load_buffer(
        xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_doctype,
        pugi::encoding_utf8);
    LineCounter lines(xml);
    if (!parsed) {
        std::string why = parsed.description();
        why = files::lowerAscii(why.substr(0, 1)) + why.substr(1);
        return refusal(", line " + std::to_string(lines.at(static_cast<std::size_t>(parsed.offset))) +
                       ": it is not well-formed XML: " + why + ".");
    }
    // pugixml expands no entity a document declares: "&name;" would be taken for the text. No platform
    // declares any, and one that names a file or expands a thousandfold is an attack.
    for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_doctype &&
            std::string_view(node.value()).find("ENTITY") != std::string_view::npos) {
            return refusal(
                ", line " + std::to_string(lines.at(static_cast<std::size_t>(node.offset_debug()))) +
                ": its DOCTYPE declares entities, which no XLIFF file needs and which are not expanded.");
        }
    }
    const pugi::xml_node root = document.document_element();
    if (localName(root) != "xliff") {
        return refusal(" is not an XLIFF file: its root element is <" + std::string(root.name()) +
                       ">, not <xliff>.");
    }
    if (const std::string_view version = root.attribute("version").value(); version.starts_with("2")) {
        return refusal(" is XLIFF " + std::string(version) + ", which has other elements: give XLIFF 1.2.");
    }
    Status status = success();
    for (pugi::xml_node file = root.first_child(); file && status; file = file.next_sibling()) {
        if (file.type() != pugi::node_element || localName(file) != "file") {
            continue;
        }
        // Platforms may gather units in groups, nested as deep as they like.
        walkInside(childNamed(file, "body"), [&](const pugi::xml_node& node) {
            if (!status || node.type() != pugi::node_element) {
                return false;
            }
            if (localName(node) == "group") {
                return true;
            }
            if (localName(node) == "trans-unit") {
                const std::size_t line = lines.at(static_cast<std::size_t>(node.offset_debug()));
                status = take(unitTranslation(node, name, "line " + std::to_string(line)));
            }
            return false;
        });
    }
    return status;
}

Result<std::vector<Translation>> parseXliffTexts(std::string_view xml, const std::string& name) {
    return collectTranslations([xml, &name](const TranslationSink& take) {
        return readXliffTexts(xml, name, std::numeric_limits<std::size_t>::max(), take);
    });
}

}  // namespace rq::exchange
