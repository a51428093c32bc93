#include <ostream>

#include "commands.h"
#include "exchange/tablefile.h"
#include "files/codepage.h"
#include "files/filehandle.h"
#include "files/iniReadWriteDelete.h"
#include "files/outputname.h"
#include "files/safewrite.h"

namespace rq::cli {
namespace {

int fromTable(const std::string& tablePath, const std::string& outPath, Streams io) {
    if (inputAtOutput(outPath, {tablePath})) {
        io.err << "romquill-cli: The alphabet cannot be saved as \"" << outPath
               << "\": that is the table it is made from. Choose another name.\n";
        return kExitRefused;
    }
    const auto bytes = readFileBytes(tablePath, kIniFileLimit);
    if (!bytes) {
        io.err << "romquill-cli: " << bytes.error() << '\n';
        return kExitRefused;
    }
    const auto alphabet = alphabetFromTable(*bytes);
    if (!alphabet) {
        io.err << "romquill-cli: " << tablePath << ": " << alphabet.error() << '.' << kNothingWritten << '\n';
        return kExitRefused;
    }
    if (const auto written = writeNewFile(outPath, alphabet->ini); !written) {
        io.err << "romquill-cli: " << written.error() << '\n';
        return kExitRefused;
    }
    for (const auto& note : alphabet->notes) {
        io.out << escapeControls(tablePath + ':' + std::to_string(note.line) + ": " + note.what) << '\n';
    }
    io.out << "Wrote " << outPath << ": " << alphabet->carried
           << (alphabet->carried == 1 ? " code" : " codes") << " of " << alphabet->charLength
           << (alphabet->charLength == 1 ? " byte" : " bytes") << ", " << alphabet->notes.size()
           << (alphabet->notes.size() == 1 ? " line" : " lines") << " not carried as they stand.\n";
    return kExitOk;
}

}  // namespace

int alphabetCommand(Arguments args, Streams io) {
    if (args.size() == 3 && args[0] == "from-tbl") {
        return fromTable(args[1], args[2], io);
    }
    if (args.size() == 2 && args[0] == "to-tbl") {
        const auto table = tableFromAlphabet(args[1]);
        if (!table) {
            io.err << "romquill-cli: " << table.error() << '\n';
            return kExitRefused;
        }
        io.out << *table;
        return kExitOk;
    }
    if (args.size() == 2 && args[0] == "check") {
        const auto problems = alphabetProblems(args[1]);
        for (const auto& problem : problems) {
            io.out << escapeControls(problem.file + ": " + problemText(problem)) << '\n';
        }
        if (problems.empty()) {
            io.out << "no problems\n";
        }
        return problems.empty() ? kExitOk : kExitRefused;
    }
    printVerbUsage("alphabet", io.err);
    return kExitUsage;
}

}  // namespace rq::cli
