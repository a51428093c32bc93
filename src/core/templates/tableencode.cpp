// Writing a text under a table: the fewest bytes over every entry, found by a dynamic program over the
// positions of the text with a trie of the entries' texts, so that the work is linear in the text.
#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "templates/tableindex.h"

namespace rq::templates {
namespace {

constexpr std::size_t kRawToken = 5;  // "<$XX>"

std::optional<char> rawByteAt(std::string_view text, std::size_t at) {
    if (at + kRawToken > text.size() || text[at] != '<' || text[at + 1] != '$' || text[at + 4] != '>') {
        return std::nullopt;
    }
    const auto value = files::parseHex(text.substr(at + 2, 2));
    return value ? std::optional<char>(static_cast<char>(*value)) : std::nullopt;
}

std::string quoted(std::string_view text) {
    return "\"" + files::escapeControls(text) + "\"";
}

// The UTF-8 character that starts at text[at].
std::string_view characterAt(std::string_view text, std::size_t at) {
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        ++end;
    }
    return text.substr(at, end - at);
}

}  // namespace

void Table::Index::addToTrie(const std::vector<Entry>& entries, std::size_t n) {
    const Entry& entry = entries[n];
    if (entry.kind == Kind::End || entry.text.empty()) {
        return;
    }
    int node = 0;
    for (const char byte : entry.text) {
        auto& children = m_nodes[static_cast<std::size_t>(node)].children;
        const auto key = static_cast<unsigned char>(byte);
        auto place = std::lower_bound(children.begin(), children.end(), std::make_pair(key, -1));
        if (place != children.end() && place->first == key) {
            node = place->second;
            continue;
        }
        node = static_cast<int>(m_nodes.size());
        children.insert(place, {key, node});
        m_nodes.emplace_back();  // last: it may move the nodes, children among them
    }
    Node& end = m_nodes[static_cast<std::size_t>(node)];
    if (entry.aliasOf >= 0) {
        if (end.alias < 0 || entry.code.size() < entries[static_cast<std::size_t>(end.alias)].code.size()) {
            end.alias = static_cast<int>(n);
        }
        return;
    }
    if (entry.kind == Kind::Control) {
        end.controls.push_back(static_cast<int>(n));
    } else if (end.text < 0 || entry.code.size() < end.textBytes) {
        if (end.text >= 0) {
            end.otherLengths.push_back(end.text);
        }
        end.text = static_cast<int>(n);
        end.textBytes = entry.code.size();
    } else if (entry.code.size() != end.textBytes &&
               std::none_of(end.otherLengths.begin(), end.otherLengths.end(), [&](int other) {
                   return entries[static_cast<std::size_t>(other)].code.size() == entry.code.size();
               })) {
        end.otherLengths.push_back(static_cast<int>(n));
    }
}

// Kanji share their first two UTF-8 bytes by the dozen: the nodes they branch at get a lookup by byte.
void Table::Index::makeDense() {
    constexpr std::size_t kManyChildren = 16;
    for (Node& node : m_nodes) {
        if (node.children.size() >= kManyChildren) {
            node.dense = static_cast<int>(m_dense.size());
            m_dense.emplace_back().fill(-1);
            for (const auto& [byte, next] : node.children) {
                m_dense.back()[byte] = next;
            }
        }
    }
}

int Table::Index::child(int node, char byte) const {
    const Node& parent = m_nodes[static_cast<std::size_t>(node)];
    const auto key = static_cast<unsigned char>(byte);
    if (parent.dense >= 0) {
        return m_dense[static_cast<std::size_t>(parent.dense)][key];
    }
    const auto& children = parent.children;
    const auto found = std::lower_bound(children.begin(), children.end(), std::make_pair(key, -1));
    return found != children.end() && found->first == key ? found->second : -1;
}

// Calls visit(bytes, entry, next) for each way of writing the text from at on: a Text or LineBreak entry, a
// control label with all its parameters, a raw byte.
template <class Visit>
void Table::Index::forEachOption(const std::vector<Entry>& entries, std::string_view text, std::size_t at,
                                 Visit visit, Ways ways) const {
    int node = 0;
    for (std::size_t end = at; end < text.size();) {
        node = child(node, text[end++]);
        if (node < 0) {
            break;
        }
        const Node& here = m_nodes[static_cast<std::size_t>(node)];
        if (here.text >= 0) {
            visit(here.textBytes, here.text, end);
        }
        for (const int other : ways.everyLength ? here.otherLengths : std::vector<int>{}) {
            visit(entries[static_cast<std::size_t>(other)].code.size(), other, end);
        }
        if (ways.aliases && here.alias >= 0) {
            visit(entries[static_cast<std::size_t>(here.alias)].code.size(), here.alias, end);
        }
        for (const int control : here.controls) {
            const Entry& entry = entries[static_cast<std::size_t>(control)];
            const auto parameters = static_cast<std::size_t>(entry.parameters);
            std::size_t next = end;
            for (std::size_t n = 0; n < parameters && rawByteAt(text, next); ++n) {
                next += kRawToken;
            }
            if (next == end + parameters * kRawToken) {
                visit(entry.code.size() + parameters, control, next);
            }
        }
    }
    if (rawByteAt(text, at)) {
        visit(std::size_t{1}, -1, at + kRawToken);
    }
}

std::vector<Table::Index::Step> Table::Index::cheapest(const std::vector<Entry>& entries,
                                                       std::string_view text, bool aliases) const {
    std::vector<Step> steps(text.size() + 1);
    steps[text.size()].cost = 0;
    // A raw byte ranks after every entry when the counts tie.
    const auto rank = [&entries](int entry) {
        return entry < 0 ? entries.size() : static_cast<std::size_t>(entry);
    };
    for (std::size_t at = text.size(); at-- > 0;) {
        Step& best = steps[at];
        forEachOption(
            entries, text, at,
            [&](std::size_t bytes, int entry, std::size_t next) {
                if (steps[next].cost == SIZE_MAX) {
                    return;
                }
                const std::size_t cost = bytes + steps[next].cost;
                if (cost < best.cost || (cost == best.cost && rank(entry) < rank(best.entry))) {
                    best = {cost, entry, next};
                }
            },
            Ways{false, aliases});
    }
    return steps;
}

std::optional<std::vector<Table::Index::Step>> Table::Index::forRoom(const std::vector<Entry>& entries,
                                                                     std::string_view text, std::size_t room,
                                                                     std::size_t step, bool aliases) const {
    // Which byte counts each position's rest of the text can be written in: a bit a count, up to the room.
    constexpr std::size_t kMostBits = std::size_t{1} << 27;
    const std::size_t width = room + 1;
    if (width > kMostBits / (text.size() + 1)) {
        return std::nullopt;
    }
    std::vector<bool> can((text.size() + 1) * width, false);
    const auto at = [&](std::size_t position, std::size_t bytes) { return position * width + bytes; };
    can[at(text.size(), 0)] = true;
    for (std::size_t from = text.size(); from-- > 0;) {
        forEachOption(
            entries, text, from,
            [&](std::size_t bytes, int, std::size_t next) {
                for (std::size_t rest = 0; rest + bytes <= room; ++rest) {
                    if (can[at(next, rest)]) {
                        can[at(from, rest + bytes)] = true;
                    }
                }
            },
            Ways{true, aliases});
    }
    std::optional<std::size_t> length;
    for (std::size_t bytes = 0; bytes <= room && !length; ++bytes) {
        const std::size_t left = room - bytes;
        if (can[at(0, bytes)] && (step == 0 ? left == 0 : left % step == 0)) {
            length = bytes;
        }
    }
    if (!length) {
        return std::nullopt;
    }
    std::vector<Step> steps(text.size() + 1);
    for (std::size_t from = 0, left = *length; from < text.size();) {
        std::size_t taken = 0;
        forEachOption(
            entries, text, from,
            [&](std::size_t bytes, int entry, std::size_t next) {
                if (taken == 0 && bytes <= left && can[at(next, left - bytes)]) {
                    steps[from] = {left, entry, next};
                    taken = bytes;
                }
            },
            Ways{true, aliases});
        left -= taken;
        from = steps[from].next;
    }
    return steps;
}

std::u32string Table::Index::uncovered(const std::vector<Entry>& entries, std::string_view text) const {
    // +1 where a way of writing begins, -1 where it ends: a character with a sum of 0 is in none.
    std::vector<int> spans(text.size() + 1, 0);
    for (std::size_t at = 0; at < text.size(); ++at) {
        forEachOption(entries, text, at, [&](std::size_t, int, std::size_t next) {
            ++spans[at];
            --spans[next];
        });
    }
    std::u32string missing;
    int depth = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        depth += spans[at];
        if (depth == 0 && (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) {
            const char32_t ch = files::decodeUtf8(characterAt(text, at))->front();
            if (missing.find(ch) == std::u32string::npos) {
                missing.push_back(ch);
            }
        }
    }
    return missing;
}

std::size_t Table::Index::controlLabelAt(std::string_view text, std::size_t at) const {
    std::size_t longest = 0;
    int node = 0;
    for (std::size_t end = at; end < text.size() && (node = child(node, text[end])) >= 0; ++end) {
        if (!m_nodes[static_cast<std::size_t>(node)].controls.empty()) {
            longest = end + 1 - at;
        }
    }
    return longest;
}

std::string Table::Index::refusal(const std::vector<Entry>& entries, std::string_view text) const {
    // Where the ways of writing the text from its start all stop: nothing there begins a way on.
    std::vector<bool> reached(text.size() + 1, false);
    reached[0] = true;
    std::size_t stuck = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (reached[at]) {
            stuck = at;
            forEachOption(entries, text, at,
                          [&](std::size_t, int, std::size_t next) { reached[next] = true; });
        }
    }
    int node = 0;
    for (std::size_t end = stuck; end < text.size() && (node = child(node, text[end])) >= 0; ++end) {
        if (const auto& controls = m_nodes[static_cast<std::size_t>(node)].controls; !controls.empty()) {
            const Entry& entry = entries[static_cast<std::size_t>(controls.front())];
            return "has " + quoted(entry.text) + " without the " + std::to_string(entry.parameters) +
                   " parameter bytes it takes, each as \"<$XX>\"";
        }
    }
    const std::string_view character = characterAt(text, stuck);
    const std::u32string missing = uncovered(entries, text);
    if (!missing.empty() && missing.front() == files::decodeUtf8(character)->front()) {
        return "has no code for " + quoted(character) + " in the table";
    }
    return "has no codes that write " + quoted(character) + " where it stands";
}

Result<std::string> Table::encode(std::string_view utf8) const {
    if (!files::decodeUtf8(utf8)) {
        return Error{"is not valid UTF-8 text", ErrorKind::Refusal};
    }
    // A second line of a key writes its text only where nothing writes it as itself: it reads as another.
    auto steps = index().cheapest(m_entries, utf8, false);
    if (steps[0].cost == SIZE_MAX) {
        steps = index().cheapest(m_entries, utf8, true);
    }
    if (steps[0].cost == SIZE_MAX) {
        return Error{index().refusal(m_entries, utf8), ErrorKind::Refusal};
    }
    return written(utf8, steps);
}

std::optional<std::string> Table::encodeForRoom(std::string_view utf8, std::size_t room,
                                                std::size_t step) const {
    if (!files::decodeUtf8(utf8)) {
        return std::nullopt;
    }
    auto steps = index().forRoom(m_entries, utf8, room, step, false);
    if (!steps) {
        steps = index().forRoom(m_entries, utf8, room, step, true);
    }
    if (!steps) {
        return std::nullopt;
    }
    auto bytes = written(utf8, *steps);
    return bytes ? std::optional<std::string>(std::move(bytes).value()) : std::nullopt;
}

Result<std::string> Table::written(std::string_view utf8, const std::vector<Step>& steps) const {
    std::string bytes;
    std::string expected;  // what the bytes read as: raw bytes in upper case, a key's first text
    expected.reserve(utf8.size());
    const auto raw = [&](std::size_t token) {
        const char byte = *rawByteAt(utf8, token);
        bytes.push_back(byte);
        expected += "<$" + files::hexText(static_cast<unsigned char>(byte), 2) + ">";
    };
    for (std::size_t at = 0; at < utf8.size(); at = steps[at].next) {
        const Step& step = steps[at];
        if (step.entry < 0) {
            raw(at);
            continue;
        }
        const Entry& entry = m_entries[static_cast<std::size_t>(step.entry)];
        bytes += entry.code;
        const auto parameters = static_cast<std::size_t>(entry.parameters);
        const std::size_t firstParameter = step.next - parameters * kRawToken;
        expected += entry.aliasOf >= 0
                        ? std::string_view(m_entries[static_cast<std::size_t>(entry.aliasOf)].text)
                        : utf8.substr(at, firstParameter - at);
        for (std::size_t token = firstParameter; token < step.next; token += kRawToken) {
            raw(token);
        }
    }
    // Codes that run into each other may read as another code; nothing is written that reads back otherwise.
    const Decoded again = decode(bytes);
    if (again.text != expected || again.length != bytes.size()) {
        return Error{"would read back as " + quoted(again.text), ErrorKind::Refusal};
    }
    return bytes;
}

std::string Table::readAs(std::string_view utf8) const {
    const auto bytes = encode(utf8);
    return bytes ? decode(*bytes).text : std::string(utf8);
}

std::u32string Table::missingCharacters(std::string_view utf8) const {
    if (!files::decodeUtf8(utf8)) {
        return {};
    }
    return index().uncovered(m_entries, utf8);
}

std::vector<std::string> Table::controlCodes(std::string_view utf8) const {
    std::vector<std::string> codes;
    for (std::size_t at = 0; at < utf8.size();) {
        if (const std::size_t label = index().controlLabelAt(utf8, at); label > 0) {
            codes.emplace_back(utf8.substr(at, label));
            at += label;
        } else if (const auto byte = rawByteAt(utf8, at)) {
            codes.push_back("<$" + files::hexText(static_cast<unsigned char>(*byte), 2) + ">");
            at += kRawToken;
        } else {
            ++at;
        }
    }
    return codes;
}

}  // namespace rq::templates
