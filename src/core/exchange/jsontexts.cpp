#include "exchange/jsontexts.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "files/codepage.h"

namespace rq::exchange {
namespace {

using Json = nlohmann::json;

// The shapes a document of texts takes: dump's entries by number, texts by key, and dump's entries read
// whole, as a migration reads them, obsolete ones too.
enum class Layout { Entries, Keyed, Rows };

// The places of the document that matter; every other value is passed over.
enum class Place { Top, Entries, Obsolete, Item, Texts, Other };

// The document is read event by event rather than into a tree: only the texts are kept, values are counted
// as they come, and two equal keys in one object, which a tree would silently merge, are seen.
class TextsReader final : public nlohmann::json_sax<Json> {
  public:
    TextsReader(const std::string& name, Layout layout, int entryCount = 0)
        : m_name(name), m_layout(layout), m_entryCount(entryCount) {}

    // What stopped the parser comes first, then the first thing wrong with the document's shape.
    [[nodiscard]] const std::optional<Error>& failure() const { return m_stop ? m_stop : m_refusal; }
    [[nodiscard]] std::map<int, std::string>&& entryTexts() && { return std::move(m_texts); }
    [[nodiscard]] std::map<std::string, std::string>&& keyedTexts() && { return std::move(m_keyed); }
    [[nodiscard]] std::vector<Translation>&& rows() && { return std::move(m_rows); }

    bool null() override { return arrive(Shape::Scalar); }
    bool boolean(bool value) override { return arrive(Shape::Scalar, nullptr, nullptr, &value); }
    bool number_integer(number_integer_t value) override {
        const std::string written = std::to_string(value);
        return arrive(Shape::Scalar, &written);
    }
    bool number_unsigned(number_unsigned_t value) override {
        const std::string written = std::to_string(value);
        return arrive(Shape::Scalar, &written);
    }
    // A whole number beyond 64 bits comes here too; it is still a whole number, kept as written.
    bool number_float(number_float_t /*value*/, const string_t& written) override {
        const bool whole = written.find_first_of(".eE") == std::string::npos;
        return arrive(Shape::Scalar, whole ? &written : nullptr);
    }
    bool string(string_t& text) override { return arrive(Shape::Scalar, nullptr, &text); }
    bool binary(binary_t& /*value*/) override { return arrive(Shape::Scalar); }
    bool start_object(std::size_t /*elements*/) override { return arrive(Shape::Object); }
    bool start_array(std::size_t /*elements*/) override { return arrive(Shape::Array); }
    bool end_array() override { return close(); }
    bool end_object() override { return close(); }

    bool key(string_t& name) override {
        Frame& object = m_open.back();
        if (!object.keys.insert(name).second) {
            return stop(m_name + ": the key \"" + name + "\" is given twice in one object.");
        }
        m_sawList = m_sawList || (object.place == Place::Top && name == listKey());
        object.key = std::move(name);
        return true;
    }

    bool parse_error(std::size_t /*position*/, const std::string& /*lastToken*/,
                     const Json::exception& error) override {
        // The library's text starts with its own error id in brackets; the rest says where and why. A number
        // too large for a double is no syntax error, but cannot be read all the same.
        const std::string_view why = error.what();
        const auto start = why.find("] ");
        return stop(m_name + (error.id < 200 ? " is not valid JSON: " : " cannot be read: ") +
                    std::string(start == std::string_view::npos ? why : why.substr(start + 2)) + ".");
    }

  private:
    enum class Shape { Scalar, Object, Array };

    struct Frame {
        Place place;
        std::set<std::string, std::less<>> keys;  // objects only
        std::string key;                          // the key of the value being read
    };

    bool stop(std::string message) {
        m_stop = Error{std::move(message), ErrorKind::Refusal};
        return false;
    }

    void refuse(std::string_view message) {
        if (!m_refusal) {
            m_refusal = Error{m_name + std::string(message), ErrorKind::Refusal};
        }
    }

    [[nodiscard]] Place placeOfNext() const {
        if (m_open.empty()) {
            return Place::Top;
        }
        const Frame& parent = m_open.back();
        if (parent.place == Place::Entries || parent.place == Place::Obsolete) {
            return Place::Item;
        }
        if (parent.place == Place::Top && m_layout == Layout::Rows && parent.key == "obsolete") {
            return Place::Obsolete;
        }
        if (parent.place != Place::Top || parent.key != listKey()) {
            return Place::Other;
        }
        return m_layout == Layout::Keyed ? Place::Texts : Place::Entries;
    }

    [[nodiscard]] std::string_view listKey() const { return m_layout == Layout::Keyed ? "texts" : "entries"; }

    // A value starts: a number (as written) or a string is kept when it is an item's "entry" or "text", a
    // string when it is a value of "texts".
    bool arrive(Shape shape, const std::string* number = nullptr, std::string* text = nullptr,
                const bool* flag = nullptr) {
        if (++m_values > kJsonTextsValueLimit) {
            return stop(m_name + " holds more than " + std::to_string(kJsonTextsValueLimit) +
                        " JSON values, more than any template's texts need.");
        }
        const Place place = placeOfNext();
        Place opened = Place::Other;
        if (place == Place::Top && shape == Shape::Object) {
            opened = Place::Top;
        } else if ((place == Place::Entries || place == Place::Obsolete) && shape == Shape::Array) {
            opened = place;
        } else if (place == Place::Texts && shape == Shape::Object) {
            opened = Place::Texts;
        } else if (place == Place::Item && shape == Shape::Object) {
            opened = Place::Item;
            m_entry.reset();
            m_text.reset();
            m_original.reset();
            m_previous.clear();
            m_fuzzy = false;
            m_itemMalformed = false;
        } else if (place == Place::Item) {
            refuse(kMalformedItem);
        } else if (place != Place::Other) {
            refuse(m_layout == Layout::Keyed ? kNoTexts : kNoEntries);
        } else if (!m_open.empty() && m_open.back().place == Place::Texts) {
            takeKeyedText(text);
        } else {
            takeItemField(shape, number, text, flag);
        }
        if (shape != Shape::Scalar) {
            m_open.push_back(Frame{opened, {}, {}});
        }
        return true;
    }

    void takeKeyedText(std::string* text) {
        std::string& key = m_open.back().key;
        if (text == nullptr) {
            refuse(": the text of \"" + key + "\" is not a string.");
        } else if (!m_refusal) {
            m_keyed.emplace(std::move(key), std::move(*text));
        }
    }

    void takeItemField(Shape shape, const std::string* number, std::string* text, const bool* flag) {
        if (m_open.empty() || m_open.back().place != Place::Item) {
            return;
        }
        const std::string& key = m_open.back().key;
        // What a migration writes beside the text: its original, a fuzzy one's former original and mark.
        if (key == "original" || key == "previous") {
            m_itemMalformed = m_itemMalformed || text == nullptr;
            if (text != nullptr) {
                (key == "original" ? m_original.emplace() : m_previous) = std::move(*text);
            }
        } else if (key == "fuzzy") {
            m_itemMalformed = m_itemMalformed || flag == nullptr;
            m_fuzzy = flag != nullptr && *flag;
        }
        if (key == "entry") {
            m_itemMalformed = m_itemMalformed || shape != Shape::Scalar || number == nullptr;
            if (number != nullptr) {
                m_entry = *number;
            }
        } else if (key == "text") {
            m_itemMalformed = m_itemMalformed || shape != Shape::Scalar || text == nullptr;
            if (text != nullptr) {
                m_text = std::move(*text);
            }
        }
    }

    bool close() {
        const Place place = m_open.back().place;
        m_open.pop_back();
        if (place == Place::Item) {
            finishItem(m_open.back().place == Place::Obsolete);
        } else if (place == Place::Top && !m_sawList) {
            refuse(m_layout == Layout::Keyed ? kNoTexts : kNoEntries);
        }
        return true;
    }

    void finishItem(bool obsolete) {
        if (m_refusal) {
            return;
        }
        // An obsolete translation's entry is gone: it may have no number.
        if (m_itemMalformed || (!m_entry && !obsolete) || !m_text) {
            refuse(kMalformedItem);
            return;
        }
        const std::string written = m_entry.value_or("");
        int number = 0;
        const auto [end, error] = std::from_chars(written.data(), written.data() + written.size(), number);
        const bool known = m_layout == Layout::Rows || number <= m_entryCount;
        if (!obsolete &&
            (error != std::errc{} || end != written.data() + written.size() || number < 1 || !known)) {
            refuse(": the template has no entry " + written + " (it has " + std::to_string(m_entryCount) +
                   ").");
        } else if (!obsolete && !m_numbers.insert(number).second) {
            refuse(": entry " + written + " is given twice.");
        } else if (m_layout == Layout::Rows) {
            keepRow(written, obsolete);
        } else if (!m_fuzzy) {
            // A translation still to be checked is not written.
            m_texts.emplace(number, std::move(*m_text));
        }
    }

    // A migration's row. The text a dump gives is the file's: equal to the original, it is no translation.
    void keepRow(const std::string& entry, bool obsolete) {
        Translation row{entry, "entry " + entry, m_original.value_or(""), std::move(*m_text), {}, {}};
        row.fuzzy = m_fuzzy;
        row.previous = std::move(m_previous);
        row.obsolete = obsolete;
        row.originalKnown = m_original.has_value();
        if (m_original && !m_fuzzy && files::unpadded(row.text) == files::unpadded(row.original)) {
            row.text.clear();
        }
        m_rows.push_back(std::move(row));
    }

    static constexpr std::string_view kNoEntries = " has no \"entries\" array, as dump writes it.";
    static constexpr std::string_view kNoTexts = " has no \"texts\" object, as cutscenes dump writes it.";
    static constexpr std::string_view kMalformedItem =
        ": every item of \"entries\" needs a whole number \"entry\" and a string \"text\".";

    const std::string m_name;
    const Layout m_layout;
    const int m_entryCount;
    std::vector<Frame> m_open;
    std::size_t m_values = 0;
    bool m_sawList = false;
    std::optional<std::string> m_entry;  // the item's number, as written
    std::optional<std::string> m_text;
    std::optional<std::string> m_original;
    std::string m_previous;
    bool m_fuzzy = false;
    bool m_itemMalformed = false;
    std::set<int> m_numbers;  // the entries given
    std::optional<Error> m_stop;
    std::optional<Error> m_refusal;
    std::map<int, std::string> m_texts;
    std::map<std::string, std::string> m_keyed;
    std::vector<Translation> m_rows;
};

// Whether the parser went through: a refusal, or nothing.
std::optional<Error> parse(std::string_view json, const std::string& name, TextsReader& reader) {
    try {
        // Whether it finished is in the reader's failure.
        static_cast<void>(Json::sax_parse(json.begin(), json.end(), &reader));
    } catch (const Json::exception& error) {
        // The parser reports through the reader; this is for anything it throws all the same.
        return Error{name + " cannot be read: " + error.what() + ".", ErrorKind::Refusal};
    }
    return reader.failure();
}

}  // namespace

Result<std::map<int, std::string>> parseJsonTexts(std::string_view json, const std::string& name,
                                                  int entryCount) {
    TextsReader reader(name, Layout::Entries, entryCount);
    if (auto failed = parse(json, name, reader)) {
        return *std::move(failed);
    }
    return std::move(reader).entryTexts();
}

Result<std::vector<Translation>> parseJsonRows(std::string_view json, const std::string& name) {
    TextsReader reader(name, Layout::Rows);
    if (auto failed = parse(json, name, reader)) {
        return *std::move(failed);
    }
    return std::move(reader).rows();
}

Result<std::map<std::string, std::string>> parseJsonKeyedTexts(std::string_view json,
                                                               const std::string& name) {
    TextsReader reader(name, Layout::Keyed);
    if (auto failed = parse(json, name, reader)) {
        return *std::move(failed);
    }
    return std::move(reader).keyedTexts();
}

}  // namespace rq::exchange
