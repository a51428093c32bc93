#include "exchange/atlaswalk.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

#include "exchange/atlasencoding.h"
#include "exchange/translations.h"
#include "files/asciitext.h"
#include "files/common.h"

namespace rq::exchange {
namespace {

struct CustomPointer {
    std::int64_t header = 0;
    std::int64_t offsetting = 0;
    int size = 2;
};

// An embedded pointer: its size and offsetting fixed by the #EMBTYPE in force at its first command.
struct EmbeddedPointer {
    int size = 2;
    std::int64_t offsetting = 0;
    std::optional<int> setLine;
    std::uint64_t cell = 0;
    std::optional<int> writeLine;
    std::uint64_t target = 0;
};

struct PointerTable {
    std::uint64_t start = 0;
    std::uint64_t step = 0;
    std::string pointer;
    std::uint64_t next = 0;
};

class Walker {
  public:
    Walker(std::string name, std::string folder, bool ownLayout)
        : m_name(std::move(name)), m_folder(std::move(folder)), m_ownLayout(ownLayout) {}

    Result<ScriptLayout> walk(const AtlasScript& script) {
        for (const auto& item : script.items) {
            if (const auto* text = std::get_if<ScriptText>(&item)) {
                addText(*text);
            } else {
                command(std::get<ScriptCommand>(item));
            }
        }
        if (m_open && (m_ownLayout || m_open->pointers.empty())) {
            endString({}, {});
        }
        if (m_open) {
            problem(m_open->line, "the text that begins here has no end token" + endTokens() + ".");
        }
        for (const auto& [number, pointer] : m_embedded) {
            const std::string n = std::to_string(number);
            if (!pointer.writeLine) {
                problem(*pointer.setLine, "#EMBSET(" + n + ") has no #EMBWRITE(" + n +
                                              "): the inserter would leave its pointer unwritten.");
            } else if (!pointer.setLine) {
                problem(*pointer.writeLine, "#EMBWRITE(" + n + ") has no #EMBSET(" + n +
                                                "): the inserter would write its pointer nowhere.");
            }
        }
        for (const auto& pointer : m_pending) {
            problem(pointer.line, "the pointer points where no text comes: the script ends first.");
        }
        closeRoom(std::nullopt);
        if (!m_problems.empty()) {
            return m_problems.error();
        }
        return std::move(m_layout);
    }

  private:
    void problem(int line, const std::string& why) {
        m_problems.add(m_name + ", line " + std::to_string(line) + ": " + why);
    }

    std::string endTokens() const {
        std::string said;
        for (const auto& label : m_labels) {
            if (!label.end.empty()) {
                said += (said.empty() ? " (" : ", ") + label.script;
            }
        }
        return said.empty() ? " (its table has no end token with a label)" : said + ")";
    }

    // A name #VAR made of the kind, or a problem said of the line.
    // A custom pointer that #CREATEPTR made: a pointer table of another would write cells of no known width.
    bool made(const ScriptCommand& command, const std::string& pointer) {
        if (m_pointers.contains(pointer)) {
            return true;
        }
        problem(command.line, "#" + command.name + " names " + pointer + ", which no #CREATEPTR made.");
        return false;
    }

    bool declared(const ScriptCommand& command, const std::string& variable, std::string_view kind) {
        const auto found = m_variables.find(variable);
        if (found == m_variables.end() || found->second != kind) {
            problem(command.line, "#" + command.name + " names " + variable + ", which no #VAR(" + variable +
                                      ", " + std::string(kind) + ") made before.");
            return false;
        }
        return true;
    }

    void pointTo(int line, std::uint64_t cell, int size, std::int64_t header, std::int64_t offsetting) {
        m_pending.push_back(ScriptPointer{line, cell, size, m_bigEndian,
                                          scriptPointerValue(m_position, header, offsetting, size)});
    }

    void tableCell(int line, PointerTable& table, std::vector<ScriptPointer>& into, std::uint64_t position) {
        const CustomPointer& pointer = m_pointers[table.pointer];
        into.push_back(
            ScriptPointer{line, table.start + table.next++ * table.step, pointer.size, m_bigEndian,
                          scriptPointerValue(position, pointer.header, pointer.offsetting, pointer.size)});
    }

    void closeRoom(std::optional<std::uint64_t> next) {
        if (m_roomStart) {
            const std::uint64_t end = m_roomLast ? *m_roomLast + 1 : m_reached;
            if (end > *m_roomStart) {
                m_layout.rooms.push_back({*m_roomStart, end});
            }
        }
        m_roomStart = next;
        m_reached = next.value_or(0);
    }

    void loadTable(const ScriptCommand& command) {
        const std::string& file = command.arguments[0].text;
        // Beside the script, then where the inserter looks (from the folder it runs in), then among the
        // program's alphabets.
        std::error_code missing;
        std::string path = files::pathText(files::fsPath(m_folder) / files::fsPath(file));
        if (!std::filesystem::is_regular_file(files::fsPath(path), missing)) {
            path = std::filesystem::is_regular_file(files::fsPath(file), missing)
                       ? file
                       : files::appRelativePath("plugins\\alphabets\\" + file);
        }
        auto table = templates::Table::read(path);
        if (!table) {
            problem(command.line, "the table \"" + file +
                                      "\" cannot be read beside the script nor among the "
                                      "program's alphabets: " +
                                      table.error());
            return;
        }
        const auto& problems = table->problems();
        const auto fault = std::ranges::find(problems, false, &templates::TableProblem::warning);
        if (fault != problems.end()) {
            problem(command.line, "the table " + path + " has a line a read cannot use: line " +
                                      std::to_string(fault->line) + " " + fault->what + ".");
            return;
        }
        m_tables[command.arguments[1].text] =
            std::make_shared<const templates::Table>(std::move(table).value());
    }

    void command(const ScriptCommand& command) {
        const auto& arguments = command.arguments;
        const std::string& name = command.name;
        // A text that no pointer names may fill its room without an end token, as a fixed room holds it:
        // the next jump ends it.
        // The inserter itself ends a text at every command: its own layout follows it.
        if (m_open && (m_ownLayout || (m_open->pointers.empty() && name == "JMP"))) {
            endString({}, {});
        }
        if (m_open) {
            problem(command.line, "#" + name + " stands inside the text begun on line " +
                                      std::to_string(m_open->line) + ", which has not ended" + endTokens() +
                                      ".");
            return;
        }
        const auto number = [&](std::size_t at) { return arguments[at].number; };
        const auto text = [&](std::size_t at) { return arguments[at].text; };
        if (name == "VAR") {
            m_variables[text(0)] = files::upperAscii(text(1));
        } else if (name == "ADDTBL") {
            if (declared(command, text(1), "TABLE")) {
                loadTable(command);
            }
        } else if (name == "ACTIVETBL") {
            if (declared(command, text(0), "TABLE") && m_tables.contains(text(0))) {
                m_table = m_tables[text(0)];
                m_labels = scriptLabels(*m_table);
            } else if (m_variables.contains(text(0))) {
                problem(command.line, "#ACTIVETBL names " + text(0) + ", to which no #ADDTBL gave a table.");
            }
        } else if (name == "JMP") {
            for (const auto& pointer : m_pending) {
                problem(pointer.line, "the pointer points where no text comes: #JMP on line " +
                                          std::to_string(command.line) + " moves on first.");
            }
            m_pending.clear();
            closeRoom(static_cast<std::uint64_t>(number(0)));
            m_roomLast =
                arguments.size() > 1 ? std::optional(static_cast<std::uint64_t>(number(1))) : std::nullopt;
            m_position = static_cast<std::uint64_t>(number(0));
        } else if (name == "HDR") {
            m_header = number(0);
        } else if (name == "W16" || name == "W24" || name == "W32") {
            const int size = name == "W16" ? 2 : name == "W24" ? 3 : 4;
            pointTo(command.line, static_cast<std::uint64_t>(number(0)), size, m_header, 0);
        } else if (name == "CREATEPTR") {
            if (declared(command, text(0), "CUSTOMPOINTER")) {
                m_pointers[text(0)] = CustomPointer{m_header, number(2), static_cast<int>(number(3) / 8)};
            }
        } else if (name == "PTRTBL") {
            if (declared(command, text(0), "POINTERTABLE") && declared(command, text(3), "CUSTOMPOINTER") &&
                made(command, text(3))) {
                m_pointerTables[text(0)] = PointerTable{static_cast<std::uint64_t>(number(1)),
                                                        static_cast<std::uint64_t>(number(2)), text(3), 0};
            }
        } else if (name == "WRITE") {
            writeCommand(command);
        } else if (name == "AUTOWRITE" || name == "DISABLE") {
            if (declared(command, text(0), "POINTERTABLE")) {
                if (name == "AUTOWRITE" && !m_pointerTables.contains(text(0))) {
                    problem(command.line, "#AUTOWRITE names " + text(0) + ", which no #PTRTBL made.");
                } else if (name == "AUTOWRITE") {
                    m_autowrite[text(0)] = text(1);
                } else {
                    m_autowrite.erase(text(0));
                }
            }
        } else if (name == "ENDIANSWAP") {
            m_bigEndian = files::upperAscii(text(0)) == "TRUE";
        } else if (name == "EMBTYPE") {
            m_embType = EmbeddedPointer{static_cast<int>(number(1) / 8), number(2), {}, 0, {}, 0};
        } else if (name == "EMBSET" || name == "EMBWRITE") {
            embeddedCommand(command);
        } else if (name == "FIXEDLENGTH") {
            m_fixed = static_cast<std::uint64_t>(number(0));
            m_fill = static_cast<char>(number(1));
        } else if (name == "STRINGALIGN") {
            m_align = static_cast<std::uint64_t>(number(0));
        }
    }

    void embeddedCommand(const ScriptCommand& command) {
        const std::int64_t number = command.arguments[0].number;
        const bool set = command.name == "EMBSET";
        if (!m_embType) {
            problem(command.line,
                    "#" + command.name + " comes before any #EMBTYPE gives its pointer's size.");
            return;
        }
        auto [found, first] = m_embedded.try_emplace(number, *m_embType);
        EmbeddedPointer& pointer = found->second;
        std::optional<int>& line = set ? pointer.setLine : pointer.writeLine;
        if (line) {
            problem(command.line, "#" + command.name + "(" + std::to_string(number) +
                                      ") comes again after line " + std::to_string(*line) + ".");
            return;
        }
        line = command.line;
        if (set) {
            // The cell stands in the text stream: the next text begins after it.
            pointer.cell = m_position;
            m_position += static_cast<std::uint64_t>(pointer.size);
            m_reached = std::max(m_reached, m_position);
            if (m_roomLast && m_position > *m_roomLast + 1) {
                problem(command.line, "the embedded pointer's cell needs " + std::to_string(pointer.size) +
                                          " bytes from $" + files::hexText(pointer.cell) +
                                          ", past its #JMP's last byte $" + files::hexText(*m_roomLast) +
                                          ".");
            }
        } else {
            pointer.target = m_position;
        }
        if (pointer.setLine && pointer.writeLine) {
            m_layout.embedded.push_back(ScriptPointer{
                command.line, pointer.cell, pointer.size, m_bigEndian,
                scriptPointerValue(pointer.target, m_header, pointer.offsetting, pointer.size)});
        }
    }

    void writeCommand(const ScriptCommand& command) {
        const std::string& variable = command.arguments[0].text;
        if (command.arguments.size() == 2) {
            if (declared(command, variable, "CUSTOMPOINTER") && m_pointers.contains(variable)) {
                const CustomPointer& pointer = m_pointers[variable];
                pointTo(command.line, static_cast<std::uint64_t>(command.arguments[1].number), pointer.size,
                        pointer.header, pointer.offsetting);
            } else if (m_variables.contains(variable)) {
                problem(command.line, "#WRITE names " + variable + ", which no #CREATEPTR made.");
            }
        } else if (declared(command, variable, "POINTERTABLE") && m_pointerTables.contains(variable)) {
            tableCell(command.line, m_pointerTables[variable], m_pending, m_position);
        } else if (m_variables.contains(variable)) {
            problem(command.line, "#WRITE names " + variable + ", which no #PTRTBL made.");
        }
    }

    void addText(const ScriptText& line) {
        if (!m_table) {
            if (!m_tableless) {
                problem(line.line, "text comes before any #ACTIVETBL names the table that writes it.");
            }
            m_tableless = true;
            return;
        }
        const std::string_view text = line.text;
        for (std::size_t at = 0; at < text.size();) {
            if (!m_open) {
                const auto bound = m_roomLast ? std::optional(*m_roomLast + 1) : std::nullopt;
                m_open = ScriptString{line.line,   {},     {}, m_table, m_position,          0,
                                      m_fixed > 0, m_fill, {}, bound,   std::move(m_pending)};
                m_pending.clear();
            }
            const auto label = std::ranges::find_if(
                m_labels, [&](const ScriptLabel& each) { return text.substr(at).starts_with(each.script); });
            if (label == m_labels.end()) {
                // A raw byte, as "<$XX>" or "($XX)".
                if (text.size() - at >= 5 && text[at + 1] == '$' && isHexDigit(text[at + 2]) &&
                    isHexDigit(text[at + 3]) &&
                    ((text[at] == '<' && text[at + 4] == '>') || (text[at] == '(' && text[at + 4] == ')'))) {
                    m_open->text += "<$" + files::upperAscii(text.substr(at + 2, 2)) + ">";
                    at += 5;
                } else {
                    m_open->text += text[at++];
                }
                continue;
            }
            at += label->script.size();
            if (label->end.empty()) {
                m_open->text += label->text;
                continue;
            }
            endString(label->end, label->script);
        }
    }

    void endString(const std::string& end, const std::string& endLabel) {
        ScriptString string = std::move(*m_open);
        m_open.reset();
        string.end = end;
        const auto bytes = scriptTextBytes(*string.table, string.text);
        if (bytes) {
            // Raw bytes the table has a code for read as that code, as the editors will show them.
            string.text = string.table->decode(*bytes).text;
            string.bytes = *bytes;
        } else {
            problem(string.line, "the text " + bytes.error() + ".");
        }
        if (string.fixed) {
            string.size = m_fixed;
        } else if (bytes) {
            string.size = bytes->size() + end.size();
        }
        for (auto& [table, label] : m_autowrite) {
            if (label == endLabel) {
                tableCell(string.line, m_pointerTables[table], string.pointers, string.place);
            }
        }
        m_position = string.place + string.size;
        m_position += (m_align - m_position % m_align) % m_align;
        m_reached = std::max(m_reached, m_position);
        m_layout.strings.push_back(std::move(string));
    }

    std::string m_name;
    std::string m_folder;
    ProblemList m_problems{m_name};
    ScriptLayout m_layout;
    std::map<std::string, std::string> m_variables;  // name -> kind, upper case
    std::map<std::string, std::shared_ptr<const templates::Table>> m_tables;
    std::map<std::string, CustomPointer> m_pointers;
    std::map<std::string, PointerTable> m_pointerTables;
    std::map<std::string, std::string> m_autowrite;  // pointer table -> end token label
    std::shared_ptr<const templates::Table> m_table;
    std::vector<ScriptLabel> m_labels;
    bool m_tableless = false;
    std::optional<ScriptString> m_open;
    std::vector<ScriptPointer> m_pending;
    std::uint64_t m_position = 0;
    std::int64_t m_header = 0;
    bool m_bigEndian = false;
    std::uint64_t m_fixed = 0;
    char m_fill = 0;
    bool m_ownLayout = false;
    std::optional<EmbeddedPointer> m_embType;
    std::map<std::int64_t, EmbeddedPointer> m_embedded;
    std::uint64_t m_align = 1;
    std::optional<std::uint64_t> m_roomStart;
    std::optional<std::uint64_t> m_roomLast;
    std::uint64_t m_reached = 0;
};

}  // namespace

std::uint64_t scriptPointerValue(std::uint64_t position, std::int64_t header, std::int64_t offsetting,
                                 int size) {
    const std::uint64_t value =
        position - static_cast<std::uint64_t>(header) - static_cast<std::uint64_t>(offsetting);
    return size >= 8 ? value : value & ((std::uint64_t{1} << (size * 8)) - 1);
}

Result<ScriptLayout> walkAtlasScript(const AtlasScript& script, const std::string& name,
                                     const std::string& folder, bool ownLayout) {
    return Walker(name, folder, ownLayout).walk(script);
}

}  // namespace rq::exchange
