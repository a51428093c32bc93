// template rebase: a template carried to another revision of its game, each entry looked for in the new file.

#include <sstream>

#include "files/asciitext.h"
#include "files/filehandle.h"
#include "files/safewrite.h"
#include "revisions/rebase.h"
#include "search/searchfile.h"
#include "templateverbs.h"
#include "verbs.h"

namespace rq::cli {
namespace {

std::string hex(std::uint64_t value) {
    return "0x" + files::hexText(value);
}

// A line for an entry that is not in place: its name, then where it went or why it was kept.
std::string entryLine(const templates::TemplateEntry& entry, const revisions::EntryRebase& rebased) {
    std::string line = templates::entryName(entry) + ": ";
    const auto list = [](const auto& cells) {
        std::string text;
        for (const auto cell : cells) {
            text += (text.empty() ? "" : ", ") + hex(cell);
        }
        return text;
    };
    if (rebased.outcome == revisions::Outcome::Moved && entry.cells.empty()) {
        line += "moved from " + hex(rebased.oldOffset) + " to " + hex(rebased.newOffset);
    } else if (rebased.outcome == revisions::Outcome::Moved) {
        line += "moved: its string " +
                (rebased.oldOffset == rebased.newOffset
                     ? "still at " + hex(rebased.newOffset)
                     : "from " + hex(rebased.oldOffset) + " to " + hex(rebased.newOffset)) +
                (entry.cells.size() == 1 ? ", its cell from " : ", its cells from ") + list(entry.cells) +
                " to " + list(rebased.cells);
    } else {
        line +=
            (rebased.outcome == revisions::Outcome::NotFound ? "not found: " : "ambiguous: ") + rebased.why;
    }
    return files::escapeControls(line);
}

}  // namespace

int templateRebaseCommand(const Given& given, Console& console) {
    const auto templatePath = findTemplate(given.templateName, console);
    if (!templatePath) {
        return kExitRefused;
    }
    const auto gameTemplate = templates::readGameTemplate(*templatePath);
    const auto iniBytes = files::readFileBytes(*templatePath, files::kIniFileLimit);
    const auto readGame = [&console](const std::string& operand) {
        const auto path = console.input(operand);
        return path ? search::readSearchedFile(*path) : Result<std::string>(path.failure());
    };
    const auto oldFile = readGame(given.operands[0]);
    const auto newFile = readGame(given.operands[1]);
    const Status problem = !gameTemplate ? Status(gameTemplate.failure())
                           : !iniBytes   ? Status(iniBytes.failure())
                           : !oldFile    ? Status(oldFile.failure())
                           : !newFile    ? Status(newFile.failure())
                                         : success();
    if (!problem) {
        console.say(problem.error());
        return kExitRefused;
    }
    const auto rebased =
        revisions::rebaseEntries(*gameTemplate, files::IniFile::parse(*iniBytes), *oldFile, *newFile);
    const auto text = revisions::rebasedTemplate(*iniBytes, *gameTemplate, rebased);
    if (!text) {
        console.say(text.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    auto output = console.output(given.outFile);
    if (!output) {
        console.say(output.error());
        return kExitRefused;
    }
    if (const auto written = files::writeNewFile(*output, *text); !written) {
        console.say(written.error());
        return kExitRefused;
    }
    if (!console.finishOutput()) {
        return kExitRefused;
    }
    // The report goes where the template does not: standard output, or standard error when that is it.
    std::ostream& report = given.outFile == "-" ? console.err() : console.out();
    using revisions::Outcome;
    const std::size_t count = rebased.entries.size();
    report << count << (count == 1 ? " entry: " : " entries: ") << rebased.count(Outcome::InPlace)
           << " in place, " << rebased.count(Outcome::Moved) << " moved, " << rebased.count(Outcome::NotFound)
           << " not found, " << rebased.count(Outcome::Ambiguous) << " ambiguous\n";
    for (const auto& table : rebased.tables) {
        if (table.distance != 0) {
            report << "[PointerTable" << table.number << "]: moved from " << hex(table.offset) << " to "
                   << hex(static_cast<std::uint64_t>(static_cast<std::int64_t>(table.offset) +
                                                     table.distance))
                   << '\n';
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (rebased.entries[i].outcome != Outcome::InPlace) {
            report << entryLine(gameTemplate->entries[i], rebased.entries[i]) << '\n';
        }
    }
    return kExitOk;
}

}  // namespace rq::cli
