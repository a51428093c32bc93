#include "exchange/glossary.h"

#include <algorithm>
#include <array>
#include <pugixml.hpp>

#include "exchange/csvrecords.h"
#include "exchange/spreadsheetcells.h"
#include "files/asciitext.h"
#include "files/filehandle.h"
#include "files/textencoding.h"

namespace rq::exchange {
namespace {

Error refusal(const std::string& name, const std::string& where, const std::string& why) {
    return Error{name + ", " + where + ": " + why + ".", ErrorKind::Refusal};
}

// A term as a glossary means it: spaces at its ends dropped and runs of white space inside made one space.
std::string cleanTerm(std::string_view text) {
    std::string term;
    bool space = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            space = !term.empty();
        } else {
            term += space ? " " : "";
            term += c;
            space = false;
        }
    }
    return term;
}

void addTerm(std::vector<std::string>& terms, std::string term) {
    if (!term.empty() && std::ranges::find(terms, term) == terms.end()) {
        terms.push_back(std::move(term));
    }
}

// ---- TBX

std::string_view localName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const auto colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The next element after node in document order, within root; descends into node's children first.
pugi::xml_node nextElement(pugi::xml_node node, const pugi::xml_node& root, bool descend = true) {
    if (descend && node.first_child()) {
        node = node.first_child();
    } else {
        while (node != root && !node.next_sibling()) {
            node = node.parent();
        }
        if (node == root) {
            return {};
        }
        node = node.next_sibling();
    }
    while (node && node.type() != pugi::node_element) {
        node = nextElement(node, root, false);
    }
    return node;
}

// The elements of these local names within root, not looking into those found.
std::vector<pugi::xml_node> elementsNamed(const pugi::xml_node& root,
                                          std::span<const std::string_view> names) {
    std::vector<pugi::xml_node> found;
    for (auto node = nextElement(root, root); node;) {
        const bool match = std::ranges::find(names, localName(node)) != names.end();
        if (match) {
            found.push_back(node);
        }
        node = nextElement(node, root, !match);
    }
    return found;
}

std::string textOf(const pugi::xml_node& element) {
    std::string text;
    for (auto node = element.first_child(); node;) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            text += node.value();
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != element && !node.next_sibling()) {
            node = node.parent();
        }
        node = node == element ? pugi::xml_node() : node.next_sibling();
    }
    return cleanTerm(text);
}

// The primary language of a tag, "en" of "en-US": the platforms tag the same language differently.
std::string primaryLanguage(std::string_view tag) {
    return files::lowerAscii(tag.substr(0, tag.find_first_of("-_")));
}

std::string languageOf(const pugi::xml_node& node) {
    const auto attribute = node.attribute("xml:lang");
    return attribute ? attribute.value() : node.attribute("lang").value();
}

// The statuses platforms give a term that must not be used, in TBX 2 ("deprecatedTerm-admn-sts"), TBX 3
// ("deprecatedTerm") and their own words ("forbidden", "obsolete", "not recommended").
bool forbiddenStatus(std::string_view value) {
    std::string status = files::lowerAscii(cleanTerm(value));
    if (status.ends_with("-admn-sts")) {
        status.resize(status.size() - 9);
    }
    constexpr std::array<std::string_view, 8> kForbidden = {"deprecatedterm",  "supersededterm", "deprecated",
                                                            "superseded",      "forbidden",      "obsolete",
                                                            "not recommended", "notrecommended"};
    return std::ranges::find(kForbidden, status) != kForbidden.end();
}

bool forbiddenTerm(const pugi::xml_node& group) {
    constexpr std::array<std::string_view, 3> kStatuses = {"administrativeStatus", "normativeAuthorization",
                                                           "termNote"};
    for (const auto& note : elementsNamed(group, kStatuses)) {
        const std::string_view type =
            localName(note) == "termNote" ? note.attribute("type").value() : localName(note);
        if ((type == "administrativeStatus" || type == "normativeAuthorization") &&
            forbiddenStatus(textOf(note))) {
            return true;
        }
    }
    return false;
}

class LineOf {
  public:
    explicit LineOf(std::string_view text) {
        for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1)) {
            m_breaks.push_back(static_cast<std::ptrdiff_t>(at));
        }
    }
    [[nodiscard]] std::string operator()(std::ptrdiff_t offset) const {
        const auto before = std::ranges::lower_bound(m_breaks, offset) - m_breaks.begin();
        return "line " + std::to_string(before + 1);
    }

  private:
    std::vector<std::ptrdiff_t> m_breaks;
};

Result<Glossary> parseTbx(std::string_view text, const std::string& name) {
    const LineOf lineOf(text);
    pugi::xml_document document;
    const auto parsed =
        document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        return refusal(name, lineOf(parsed.offset),
                       std::string("the XML is malformed: ") + parsed.description());
    }
    const pugi::xml_node root = document.document_element();
    if (localName(root) != "martif" && localName(root) != "tbx") {
        return refusal(
            name, lineOf(root.offset_debug()),
            "its root element is <" + std::string(root.name()) + ">, not a TBX file's martif or tbx");
    }
    constexpr std::array<std::string_view, 2> kEntries = {"termEntry", "conceptEntry"};
    constexpr std::array<std::string_view, 2> kLanguages = {"langSet", "langSec"};
    constexpr std::array<std::string_view, 3> kGroups = {"tig", "ntig", "termSec"};
    constexpr std::array<std::string_view, 1> kTerm = {"term"};
    std::string source = primaryLanguage(languageOf(root));
    Glossary glossary;
    for (const auto& entry : elementsNamed(root, kEntries)) {
        GlossaryTerm term{{}, {}, {}, lineOf(entry.offset_debug())};
        for (const auto& languageSet : elementsNamed(entry, kLanguages)) {
            const std::string language = primaryLanguage(languageOf(languageSet));
            if (language.empty()) {
                return refusal(name, lineOf(languageSet.offset_debug()),
                               "<" + std::string(languageSet.name()) + "> has no xml:lang");
            }
            source = source.empty() ? language : source;
            for (const auto& group : elementsNamed(languageSet, kGroups)) {
                const bool forbidden = forbiddenTerm(group);
                for (const auto& element : elementsNamed(group, kTerm)) {
                    // A forbidden term of the originals' language forbids nothing in a translation.
                    if (language != source) {
                        addTerm(forbidden ? term.forbidden : term.targets, textOf(element));
                    } else if (!forbidden) {
                        addTerm(term.sources, textOf(element));
                    }
                }
            }
        }
        if (!term.sources.empty() || !term.forbidden.empty()) {
            glossary.terms.push_back(std::move(term));
        }
    }
    return glossary;
}

// ---- CSV

std::vector<std::string> termsOfCell(std::string_view cell) {
    std::vector<std::string> terms;
    cell = unprotectedCell(cell);
    for (std::size_t start = 0; start <= cell.size();) {
        const auto end = std::min(cell.find(';', start), cell.size());
        addTerm(terms, cleanTerm(cell.substr(start, end - start)));
        start = end + 1;
    }
    return terms;
}

Result<Glossary> parseCsv(std::string_view text, const std::string& name) {
    constexpr std::array<std::string_view, 3> kColumns = {"source", "target", "forbidden"};
    auto header = readCsvHeader(text, kColumns);
    if (!header) {
        return refusal(name, "row 1", header.error());
    }
    auto [reader, columns] = std::move(header).value();
    Glossary glossary;
    std::vector<std::string> fields;
    while (!reader.atEnd()) {
        std::string where = reader.where();
        if (auto read = reader.next(fields); !read) {
            return refusal(name, where, read.error());
        }
        if (emptyRecord(fields)) {
            continue;
        }
        fields.resize(std::max(fields.size(), std::ranges::max(columns) + 1));
        GlossaryTerm term{termsOfCell(fields[columns[0]]), termsOfCell(fields[columns[1]]),
                          termsOfCell(fields[columns[2]]), std::move(where)};
        if (term.sources.empty() && !term.targets.empty()) {
            return refusal(name, term.where,
                           "the target \"" + term.targets.front() + "\" has no source term to translate");
        }
        if (!term.sources.empty() || !term.forbidden.empty()) {
            glossary.terms.push_back(std::move(term));
        }
    }
    return glossary;
}

}  // namespace

Result<Glossary> parseGlossary(std::string_view text, const std::string& name) {
    const auto first = text.find_first_not_of(" \t\r\n");
    const bool xml = first != std::string_view::npos && text[first] == '<';
    auto glossary = xml ? parseTbx(text, name) : parseCsv(text, name);
    if (glossary && glossary->terms.empty()) {
        return Error{name + " holds no glossary terms.", ErrorKind::Refusal};
    }
    return glossary;
}

Result<Glossary> readGlossaryFile(const std::string& path) {
    auto bytes = files::readFileBytes(path, kGlossaryByteLimit);
    if (!bytes) {
        return bytes.failure();
    }
    auto text = files::utf8Input(std::move(bytes).value(), path);
    if (!text) {
        return text.failure();
    }
    return parseGlossary(*text, path);
}

}  // namespace rq::exchange
