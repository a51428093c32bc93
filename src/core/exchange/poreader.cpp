// The PO reader: libgettextpo, where the build has it, behind the reading the other formats share.

#include <limits>

#include "exchange/potexts.h"

namespace rq::exchange {

Result<std::vector<Translation>> parsePoTexts(std::string_view po, const std::string& name) {
    return collectTranslations([po, &name](const TranslationSink& take) {
        return readPoTexts(po, name, std::numeric_limits<std::size_t>::max(), take);
    });
}

}  // namespace rq::exchange

#ifdef ROMQUILL_HAS_GETTEXTPO

#include <gettext-po.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <type_traits>

#include "files/asciitext.h"
#include "files/common.h"
#include "files/newfile.h"
#include "files/safewrite.h"

namespace rq::exchange {
namespace {

// libgettextpo reports through a handler without a context, and a fatal report must not return: the reader
// lists its errors here and leaves the library by a jump, across C frames only.
struct PoErrors {
    std::string name;
    ProblemList problems;
    std::jmp_buf fatal;
};
thread_local PoErrors* t_errors = nullptr;

void noteError(int severity, const char* file, std::size_t line, const char* text) {
    if (severity == PO_SEVERITY_WARNING) {
        return;
    }
    {
        std::string why = text != nullptr ? text : "unreadable";
        while (!why.empty() && why.back() == '\n') {
            why.pop_back();
        }
        const std::string& name = t_errors->name;
        t_errors->problems.add(file != nullptr && line != static_cast<std::size_t>(-1)
                                   ? name + ", line " + std::to_string(line) + ": " + why + "."
                                   : name + " is not a PO file that can be read: " + why + ".");
    }
    if (severity == PO_SEVERITY_FATAL_ERROR) {
        std::longjmp(t_errors->fatal, 1);
    }
}

void xerror(int severity, po_message_t /*message*/, const char* file, std::size_t line,
            std::size_t /*column*/, int /*multiline*/, const char* text) {
    noteError(severity, file, line, text);
}

void xerror2(int severity, po_message_t /*message1*/, const char* file1, std::size_t line1,
             std::size_t /*column1*/, int /*multiline1*/, const char* text1, po_message_t /*message2*/,
             const char* /*file2*/, std::size_t /*line2*/, std::size_t /*column2*/, int /*multiline2*/,
             const char* /*text2*/) {
    noteError(severity, file1, line1, text1);
}

// No C++ object lives in this frame, so the jump out of a fatal report skips no destructor.
po_file_t readPoFile(const char* path, PoErrors& errors) {
    static constexpr po_xerror_handler kHandler = {xerror, xerror2};
    t_errors = &errors;
    po_file_t file = nullptr;
    if (setjmp(errors.fatal) == 0) {
        file = po_file_read(path, &kHandler);
    }
    t_errors = nullptr;
    return file;
}

// libgettextpo reads only named files: the bytes go to a file in a private folder of this run first.
class TemporaryCopy {
  public:
    explicit TemporaryCopy(std::string_view bytes) {
        if (auto folder = files::TemporaryFolder::create()) {
            const std::string path = files::pathText(files::fsPath(folder->path()) / "texts.po");
            if (files::writeNewFile(path, bytes)) {
                m_folder.emplace(std::move(folder).value());
                m_path = files::fsPath(path);
            }
        }
    }

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

  private:
    std::optional<files::TemporaryFolder> m_folder;  // removed with the copy
    std::filesystem::path m_path;
};

// A digit's value in base 8 or 16, or -1.
int digitValue(char c, int base) {
    const int value = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    return value < base ? value : -1;
}

// The line of the first NUL character a string of a PO file holds, raw or escaped as libgettextpo reads
// escapes: up to three octal digits or any number of hexadecimal ones, kept to their last eight bits.
// libgettextpo hands strings over as C strings, cut at the NUL without a word. The file is one that
// libgettextpo read without an error, so its strings are closed on their lines.
std::optional<std::size_t> lineOfNul(std::string_view po) {
    std::size_t number = 0;
    for (std::size_t start = 0; start < po.size();) {
        const std::size_t end = std::min(po.find('\n', start), po.size());
        const std::string_view line = po.substr(start, end - start);
        start = end + 1;
        ++number;
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (!quoted && c == '#') {
                break;  // a comment; obsolete messages are passed over as well
            }
            if (quoted && c == '\0') {
                return number;
            }
            if (c == '"') {
                quoted = !quoted;
                continue;
            }
            if (!quoted || c != '\\' || i + 1 == line.size()) {
                continue;
            }
            const int base = line[i + 1] == 'x' ? 16 : 8;
            i += base == 16 ? 1 : 0;
            if (i + 1 == line.size() || digitValue(line[i + 1], base) < 0) {
                ++i;  // a named escape: \n, \", \\ ...
                continue;
            }
            int value = 0;
            for (int digits = 0; i + 1 < line.size() && (base == 16 || digits < 3); ++digits, ++i) {
                const int digit = digitValue(line[i + 1], base);
                if (digit < 0) {
                    break;
                }
                value = (value * base + digit) & 0xFF;
            }
            if (value == 0) {
                return number;
            }
        }
    }
    return std::nullopt;
}

// The lines where the messages of a PO file start, in their order: libgettextpo does not say where a
// message stands. A message starts at its msgctxt, or else at its msgid; comments (obsolete messages, a
// previous msgid) are passed over.
class MessageLines {
  public:
    explicit MessageLines(std::string_view po) : m_po(po) {}

    [[nodiscard]] std::size_t next() {
        std::size_t context = 0;
        while (m_at < m_po.size()) {
            const std::size_t end = std::min(m_po.find('\n', m_at), m_po.size());
            std::string_view line = m_po.substr(m_at, end - m_at);
            m_at = end + 1;
            ++m_line;
            line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
            if (keyword(line, "msgctxt")) {
                context = m_line;
            } else if (keyword(line, "msgid")) {
                return context != 0 ? context : m_line;
            }
        }
        return m_line;
    }

  private:
    static bool keyword(std::string_view line, std::string_view word) {
        return line.starts_with(word) && line.size() > word.size() &&
               std::string_view(" \t\"").find(line[word.size()]) != std::string_view::npos;
    }

    std::string_view m_po;
    std::size_t m_at = 0;
    std::size_t m_line = 0;
};

// The "#:" locations of a message, as written: "0x210:12".
std::vector<std::string> locationsOf(po_message_t message) {
    std::vector<std::string> locations;
    for (int i = 0; po_filepos_t place = po_message_filepos(message, i); ++i) {
        const std::size_t line = po_filepos_start_line(place);
        locations.push_back(std::string(po_filepos_file(place)) +
                            (line == static_cast<std::size_t>(-1) ? "" : ":" + std::to_string(line)));
    }
    return locations;
}

using PoFile = std::unique_ptr<std::remove_pointer_t<po_file_t>, decltype(&po_file_free)>;

}  // namespace

Status readPoTexts(std::string_view po, const std::string& name, std::size_t byteLimit,
                   const TranslationSink& take) {
    if (po.size() > byteLimit) {
        return Error{name + " is not read: at " + std::to_string(po.size()) +
                         " bytes it is far larger than a PO file of these texts can be.",
                     ErrorKind::Refusal};
    }
    const TemporaryCopy copy(po);
    if (copy.path().empty()) {
        return Error{name + " could not be copied to the temporary folder to be read.", ErrorKind::Refusal};
    }
    PoErrors errors{name, ProblemList(name), {}};
    const PoFile file(readPoFile(files::pathText(copy.path()).c_str(), errors), po_file_free);
    const auto refusal = [&name](const std::string& why) {
        return Error{name + " is not a PO file that can be read: " + why + ".", ErrorKind::Refusal};
    };
    if (!errors.problems.empty()) {
        return errors.problems.error();
    }
    if (file == nullptr) {
        return refusal("libgettextpo could not read it");
    }
    // Messages of another domain would be passed over without a word.
    if (const char* const* domains = po_file_domains(file.get());
        domains[0] != nullptr && domains[1] != nullptr) {
        return refusal("it has messages in more than one domain, and game texts have one");
    }
    // libgettextpo hands texts over in the file's own charset; texts here are UTF-8.
    if (const char* header = po_file_domain_header(file.get(), nullptr)) {
        char* type = po_header_field(header, "Content-Type");
        const std::string contentType = type != nullptr ? files::lowerAscii(type) : std::string();
        std::free(type);
        const auto at = contentType.find("charset=");
        const std::string charset = at == std::string::npos ? "" : contentType.substr(at + 8);
        if (!charset.empty() && charset != "utf-8" && charset != "ascii" && charset != "charset") {
            return refusal("its charset is " + charset + "; save it as UTF-8");
        }
    }
    if (const auto line = lineOfNul(po)) {
        return Error{name + ", line " + std::to_string(*line) +
                         ": a string holds a NUL character, which a PO file cannot carry: give this text as "
                         "JSON or CSV.",
                     ErrorKind::Refusal};
    }
    MessageLines lines(po);
    po_message_iterator_t messages = po_message_iterator(file.get(), nullptr);
    Status status = success();
    while (po_message_t message = po_next_message(messages)) {
        // Obsolete messages are comments to MessageLines: they take no line of its count.
        const bool obsolete = po_message_is_obsolete(message) != 0;
        std::string where = obsolete ? "an obsolete message" : "line " + std::to_string(lines.next());
        const char* context = po_message_msgctxt(message);
        const std::string_view id = po_message_msgid(message);
        if (context == nullptr && id.empty()) {
            continue;  // the header
        }
        Translation item{context != nullptr ? context : "", std::move(where), std::string(id), {}, {}, {}};
        item.obsolete = obsolete;
        if (po_message_msgid_plural(message) != nullptr) {
            item.problem = name + ", " + item.where +
                           ": the message has plural forms (msgid_plural), which no game text has.";
        } else {
            item.text = po_message_msgstr(message);
            item.fuzzy = po_message_is_fuzzy(message) != 0;
            const char* previous = po_message_prev_msgid(message);
            item.previous = previous != nullptr ? previous : "";
        }
        if (context == nullptr) {
            item.locations = locationsOf(message);
        }
        status = take(std::move(item));
        if (!status) {
            break;
        }
    }
    po_message_iterator_free(messages);
    return status;
}

}  // namespace rq::exchange

#else

namespace rq::exchange {

// Debian has no Windows build of libgettextpo, and a reader of our own would not know every escape and
// continuation it knows.
Status readPoTexts(std::string_view /*po*/, const std::string& name, std::size_t /*byteLimit*/,
                   const TranslationSink& /*take*/) {
    return Error{name + " cannot be read: this build of Romquill reads no PO files (it was built without " +
                     "libgettextpo). Give the texts as JSON or CSV.",
                 ErrorKind::Refusal};
}

}  // namespace rq::exchange

#endif
