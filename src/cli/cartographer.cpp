// template from-cartographer: a dumper's command file as a template, with the tables it names copied into
// the program folder.

#include <filesystem>
#include <map>
#include <ostream>

#include "exchange/cartographertemplate.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/filehandle.h"
#include "files/iniReadWriteDelete.h"
#include "files/outputname.h"
#include "files/safewrite.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

// The tables the blocks name, each found beside the command file (or where its path leads) and taken from
// plugins/alphabets/ when one of its name is there with the same bytes, else copied there.
class CommandTables {
  public:
    explicit CommandTables(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    Result<exchange::BlockTable> find(const std::string& value) {
        auto& found = m_found[value];
        if (!found) {
            found = look(value);
        }
        return *found;
    }

    // The copies to make: where, and the bytes.
    [[nodiscard]] const std::map<std::string, std::string>& copies() const { return m_copies; }
    [[nodiscard]] const std::vector<std::string>& used() const { return m_used; }

  private:
    Result<exchange::BlockTable> look(const std::string& value) {
        const auto given = files::fsPath(value);
        const std::string name = files::pathText(given.filename());
        const std::string source = files::pathText(given.is_absolute() ? given : m_folder / given);
        const std::string there = files::appRelativePath("plugins\\alphabets\\" + name);
        const bool beside = files::isFile(source);
        if (!beside && !files::isFile(there)) {
            return Error{"is neither beside the command file nor in plugins/alphabets/", ErrorKind::Refusal};
        }
        auto bytes = files::readFileBytes(beside ? source : there, templates::kTableFileLimit);
        if (!bytes) {
            return Error{"cannot be read: " + bytes.error(), ErrorKind::Refusal};
        }
        auto table = std::make_shared<const templates::Table>(templates::Table::parse(*bytes));
        for (const auto& problem : table->problems()) {
            if (!problem.warning) {
                return Error{"has a line a template cannot read, line " + std::to_string(problem.line) +
                                 ": " + problem.what,
                             ErrorKind::Refusal};
            }
        }
        if (beside && !files::inputAtOutput(there, {source})) {
            const auto copied = m_copies.find(there);
            const auto present = files::isFile(there)
                                     ? files::readFileBytes(there, templates::kTableFileLimit)
                                     : Result<std::string>(Error{"", ErrorKind::Refusal});
            const std::string* other = copied != m_copies.end() ? &copied->second
                                       : present                ? &present.value()
                                                                : nullptr;
            if (other != nullptr && *other != *bytes) {
                return Error{"has other bytes than plugins/alphabets/" + name +
                                 ", which the template would read and is not replaced: rename one of them",
                             ErrorKind::Refusal};
            }
            if (other == nullptr) {
                m_copies[there] = *bytes;
            }
        }
        if (std::find(m_used.begin(), m_used.end(), name) == m_used.end()) {
            m_used.push_back(name);
        }
        return exchange::BlockTable{name, std::move(table)};
    }

    std::filesystem::path m_folder;
    std::map<std::string, std::optional<Result<exchange::BlockTable>>> m_found;
    std::map<std::string, std::string> m_copies;
    std::vector<std::string> m_used;
};

// The tables copied, then the template; a failure removes the copies made before it.
bool writeAll(const std::map<std::string, std::string>& copies, const std::string& out,
              const std::string& made, Console& console) {
    std::vector<std::string> written;
    for (const auto& [path, bytes] : copies) {
        if (const auto copied = files::writeNewFile(path, bytes); !copied) {
            console.say(copied.error());
            break;
        }
        written.push_back(path);
    }
    if (written.size() == copies.size()) {
        if (out == "-") {
            console.out() << made;
            return true;
        }
        if (const auto done = files::writeNewFile(out, made); done) {
            return true;
        } else {
            console.say(done.error());
        }
    }
    for (const auto& path : written) {
        std::error_code ignored;
        std::filesystem::remove(files::fsPath(path), ignored);
    }
    return false;
}

}  // namespace

int fromCartographerCommand(const Given& given, Console& console) {
    const std::string& out = given.operands[1];
    const auto input = console.input(given.operands[0]);
    const auto bytes =
        input ? files::readFileBytes(*input, files::kIniFileLimit) : Result<std::string>(input.failure());
    if (!bytes) {
        console.say(bytes.error());
        return kExitRefused;
    }
    const auto commands = exchange::parseCommandFile(*bytes);
    CommandTables tables(files::fsPath(given.operands[0]).parent_path());
    const auto game = given.game.empty() ? std::nullopt : std::optional<std::string>(given.game);
    auto result = exchange::templateFromCommands(
        commands, [&tables](const std::string& value) { return tables.find(value); }, game);
    if (!result) {
        console.say(result.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    exchange::CommandTemplate planned = std::move(result).value();
    const auto listNotes = [&](bool onError) {
        for (const auto& note : planned.notes) {
            const std::string line =
                console.named(*input + ':' + std::to_string(note.line) + ": " + note.what);
            if (onError || out == "-") {
                console.warn(line);
            } else {
                console.out() << files::escapeControls(line) << '\n';
            }
        }
    };
    auto& plan = planned.plan;
    plan.name = !given.name.empty()  ? given.name
                : !plan.name.empty() ? plan.name
                                     : files::pathText(files::fsPath(out).stem());
    plan.madeFrom = "the command file " + files::pathText(files::fsPath(console.named(*input)).filename());
    const auto made = search::templateForPointers(plan);
    std::vector<FileUse> uses = fromCartographerUses(given);
    for (const auto& copy : tables.copies()) {
        uses.push_back({FileUse::Role::Made, copy.first, "The table", "the table", false, {}});
    }
    const auto refusal = made ? checkFileUses(uses, given.force) : std::nullopt;
    if (!made || refusal) {
        listNotes(true);
        console.say(made ? *refusal : made.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    if (!writeAll(tables.copies(), out, *made, console)) {
        return kExitRefused;
    }
    std::size_t entries = plan.entries.size();
    for (const auto& place : plan.tables) {
        entries += static_cast<std::size_t>(place.count);
    }
    if (out != "-") {
        console.out() << "Wrote " << out << ": " << entries << (entries == 1 ? " entry" : " entries")
                      << " of " << planned.blocks << (planned.blocks == 1 ? " block" : " blocks") << ", "
                      << planned.notes.size() << (planned.notes.size() == 1 ? " line" : " lines")
                      << " not carried.\n";
        for (const auto& copy : tables.copies()) {
            console.out() << "Copied the table into " << copy.first << ".\n";
        }
    }
    listNotes(false);
    return kExitOk;
}

}  // namespace rq::cli
