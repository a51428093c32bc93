#include <ostream>

#include "exchange/tablefile.h"
#include "files/codepage.h"
#include "files/filehandle.h"
#include "files/iniReadWriteDelete.h"
#include "files/outputname.h"
#include "files/safewrite.h"
#include "templates/templatecheck.h"
#include "verbs.h"

namespace rq::cli {

int alphabetFromTableCommand(const Given& given, Console& console) {
    const std::string& tablePath = given.operands[0];
    const std::string& outPath = given.operands[1];
    if (files::inputAtOutput(outPath, {tablePath})) {
        console.say("The alphabet cannot be saved as \"" + outPath +
                    "\": that is the table it is made from. Choose another name.");
        return kExitRefused;
    }
    const auto input = console.input(tablePath);
    const auto bytes =
        input ? files::readFileBytes(*input, files::kIniFileLimit) : Result<std::string>(input.failure());
    if (!bytes) {
        console.say(bytes.error());
        return kExitRefused;
    }
    const auto alphabet = exchange::alphabetFromTable(*bytes);
    if (!alphabet) {
        console.say(tablePath, alphabet.error() + "." + std::string(kNothingWritten));
        return kExitRefused;
    }
    // On standard output the alphabet is all there is: what was not carried goes to standard error.
    const bool toOutput = outPath == "-";
    if (toOutput) {
        console.out() << alphabet->ini;
    } else if (const auto written = files::writeNewFile(outPath, alphabet->ini); !written) {
        console.say(written.error());
        return kExitRefused;
    }
    for (const auto& note : alphabet->notes) {
        const std::string line = console.named(*input + ':' + std::to_string(note.line) + ": " + note.what);
        if (toOutput) {
            console.warn(line);
        } else {
            console.out() << files::escapeControls(line) << '\n';
        }
    }
    if (!toOutput) {
        console.out() << "Wrote " << outPath << ": " << alphabet->carried
                      << (alphabet->carried == 1 ? " code" : " codes") << " of " << alphabet->charLength
                      << (alphabet->charLength == 1 ? " byte" : " bytes") << ", " << alphabet->notes.size()
                      << (alphabet->notes.size() == 1 ? " line" : " lines")
                      << " not carried as they stand.\n";
        if (!alphabet->notes.empty()) {
            console.out() << "A template can name the table itself as its text format: every line of it is "
                             "then read.\n";
        }
    }
    return kExitOk;
}

int alphabetToTableCommand(const Given& given, Console& console) {
    const auto input = console.input(given.operands[0]);
    const auto table = input ? exchange::tableFromAlphabet(*input) : Result<std::string>(input.failure());
    if (!table) {
        console.say(table.error());
        return kExitRefused;
    }
    console.out() << *table;
    return kExitOk;
}

int alphabetCheckCommand(const Given& given, Console& console) {
    const auto input = console.input(given.operands[0]);
    if (!input) {
        console.say(input.error());
        return kExitRefused;
    }
    const auto problems = exchange::alphabetProblems(*input);
    for (const auto& problem : problems) {
        console.out() << files::escapeControls(
                             console.named(problem.file + ": " + templates::problemText(problem)))
                      << '\n';
    }
    if (problems.empty()) {
        console.out() << "no problems\n";
    }
    return templates::anyError(problems) ? kExitRefused : kExitOk;
}

}  // namespace rq::cli
