#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
#include "files/newfile.h"
#include "files/result.h"

namespace rq::cli {

// What the command line gave a verb, as the parser took it.
struct Given {
    std::vector<std::string> operands;  // the files and words of the synopsis, in its order
    std::string templateName;           // --template
    std::string format;                 // --format, one of those the verb takes; empty when not given
    std::string layout;                 // insert --layout atlas; empty when not given
    std::vector<std::string> sets;      // each --set CONTROL=TEXT, in order
    bool force = false;
    bool json = false;
    bool fixChecksum = false;
    bool discard = false;
    bool reverse = false;               // patch apply --reverse
    bool repair = false;                // patch apply --repair
    std::string notes;                  // patch create --notes FILE
    std::string relative;               // --relative WORD
    std::string table;                  // --table TABLE
    std::string text;                   // --text TEXT
    std::string width;                  // --width 1|2; empty: both
    std::string endian;                 // --endian little|big; empty: both
    std::string offset;                 // --offset HEX
    std::string end;                    // table from-hit --end HEX
    std::vector<std::string> pointers;  // each --pointers OFFSET,COUNT,FORMAT[,BASE[,START-END[,STRIDE]]]
    std::string freeRanges;             // template new --free START-END[,START-END...]
    std::string fill;                   // template new --fill HEX
    std::string name;                   // --name NAME
    std::string game;                   // template from-cartographer --game FILE
    bool textGiven = false;             // --text was given (it may be empty)
    std::string entry;                  // render --entry N
    std::string png;                    // --png FILE
    int scale = 1;                      // render --scale S
    std::string outFile;                // wrap -o OUT, migrate -o NEW_TEXTS
    std::string glossary;               // qa --glossary TERMS
};

// What a verb works with: the streams, messages on standard error, and the files given as "-". The core
// reads files by path and at any offset, and makes a patched file with writes anywhere in it; so standard
// input is first copied into a temporary file, and an output to standard output is made in one and copied
// out once it is complete. Memory stays bounded, and a verb that fails writes nothing to standard output.
class Console {
  public:
    explicit Console(Streams io) : m_io(io) {}
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    [[nodiscard]] std::ostream& out() { return m_io.out; }
    [[nodiscard]] std::ostream& err() { return m_io.err; }
    [[nodiscard]] std::istream& in() { return m_io.in; }

    // A message on standard error; with a file, the file is named in front unless the message names it.
    void say(std::string_view message);
    void say(const std::string& file, std::string_view message);
    void warn(std::string_view message);

    // The path to read for an operand: itself or, for "-", the copy of standard input.
    [[nodiscard]] Result<std::string> input(const std::string& operand);
    // The path to write for an operand: itself or, for "-", a temporary file that finishOutput copies to
    // standard output; false when that fails (the stream's failure is told by run(), or by the program).
    [[nodiscard]] Result<std::string> output(const std::string& operand);
    [[nodiscard]] bool finishOutput();
    // A whole file of bytes made at an operand (through NewFile, or to standard output for "-"); false once
    // its failure is said.
    [[nodiscard]] bool writeWhole(const std::string& operand, std::string_view bytes);
    // The text with the temporary files' paths replaced by "standard input" and "standard output".
    [[nodiscard]] std::string named(std::string text) const;

  private:
    [[nodiscard]] Result<std::string> temporaryFolder();

    Streams m_io;
    std::optional<files::TemporaryFolder>
        m_folder;          // removed with the temporary files; made when first needed
    std::string m_input;   // the copy of standard input
    std::string m_output;  // the file made for standard output
};

// A file a verb reads or writes, as the verb declares it to the one check of outputs before it opens any.
struct FileUse {
    enum class Role {
        Read,
        Made,     // a whole new file, through NewFile
        InPlace,  // a game file written in place
    };
    Role role = Role::Read;
    std::string path;       // as given; "-" is a stream and no file
    std::string noun;       // the file as the subject of a refusal: "The alphabet"
    std::string what;       // the file as what another is: "the table it is made from"
    bool replaces = false;  // Made: replacing a file there is what the verb is for; else only with --force
    // Read: its refusal when it is the file written in place, "@" standing for its name.
    std::string inPlaceRefusal;
};
using FileUses = std::vector<FileUse> (*)(const Given&);

// The refusal of a verb's files, or nothing: a file made that is one of the others (whatever the name or link
// it is reached by), that would replace a folder, a device or a link to nothing, that is there already
// (unless the verb is for replacing it, or --force is given), or whose name holds a line break or another
// control character; a file read that is the file written in place.
[[nodiscard]] std::optional<std::string> checkFileUses(const std::vector<FileUse>& uses, bool force);

// Each verb's declaration of its files.
std::vector<FileUse> readsOnly(const Given& given);
std::vector<FileUse> insertUses(const Given& given);
std::vector<FileUse> inPlaceUses(const Given& given);
std::vector<FileUse> cutscenesInsertUses(const Given& given);
std::vector<FileUse> alphabetFromTableUses(const Given& given);
std::vector<FileUse> patchCreateUses(const Given& given);
std::vector<FileUse> patchApplyUses(const Given& given);
std::vector<FileUse> tableFromHitUses(const Given& given);
std::vector<FileUse> templateNewUses(const Given& given);
std::vector<FileUse> fromCartographerUses(const Given& given);
std::vector<FileUse> fontUses(const Given& given);
std::vector<FileUse> renderUses(const Given& given);
std::vector<FileUse> wrapUses(const Given& given);
std::vector<FileUse> mockUses(const Given& given);
std::vector<FileUse> templateRebaseUses(const Given& given);
std::vector<FileUse> migrateUses(const Given& given);

// A verb's refusal of standard input as a file it writes in place.
[[nodiscard]] int refuseStandardInputInPlace(Console& console);

// Each verb (and each word of a verb that has several) takes what the parser gave it and returns the
// process's exit status.
int identifyCommand(const Given& given, Console& console);
int iniCommand(const Given& given, Console& console);
int dumpCommand(const Given& given, Console& console);
int insertCommand(const Given& given, Console& console);
int checkCommand(const Given& given, Console& console);
int qaCommand(const Given& given, Console& console);
int recoverCommand(const Given& given, Console& console);
int cutscenesDumpCommand(const Given& given, Console& console);
int cutscenesInsertCommand(const Given& given, Console& console);
int headerCommand(const Given& given, Console& console);
int alphabetFromTableCommand(const Given& given, Console& console);
int alphabetToTableCommand(const Given& given, Console& console);
int alphabetCheckCommand(const Given& given, Console& console);
int patchCreateCommand(const Given& given, Console& console);
int patchApplyCommand(const Given& given, Console& console);
int patchInfoCommand(const Given& given, Console& console);
int findCommand(const Given& given, Console& console);
int pointersCommand(const Given& given, Console& console);
int tableFromHitCommand(const Given& given, Console& console);
int templateNewCommand(const Given& given, Console& console);
int fromCartographerCommand(const Given& given, Console& console);
int fontCommand(const Given& given, Console& console);
int renderCommand(const Given& given, Console& console);
int wrapCommand(const Given& given, Console& console);
int mockCommand(const Given& given, Console& console);
int templateRebaseCommand(const Given& given, Console& console);
int migrateCommand(const Given& given, Console& console);

// A verb's name, its synopsis after "romquill-cli " and what it does, as its help prints them.
struct VerbHelp {
    std::string_view name;
    std::string_view synopsis;
    std::string_view help;
};
[[nodiscard]] std::span<const VerbHelp> verbHelps();

// "Usage: romquill-cli [--program-folder DIR] COMMAND [ARGUMENTS]" and a line for each verb.
void printUsage(std::ostream& stream);
// "Usage: romquill-cli " and the verb's synopsis, then, with help, what it does.
void printVerbUsage(std::string_view verb, std::ostream& stream, bool withHelp = false);

}  // namespace rq::cli
