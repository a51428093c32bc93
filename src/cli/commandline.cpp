// The command line's grammar: every verb, its words, options and operands, parsed by CLI11. The verbs get
// what it parsed (Given); their help texts live in commands.cpp.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "commands.h"
#include "files/common.h"
#include "verbs.h"

namespace rq::cli {
namespace {

using Verb = int (*)(const Given&, Console&);

const std::vector<std::string> kTextsFormats = {"json", "po", "csv", "atlas", "xliff"};
// The formats that carry texts by entry or key, without a table: what cutscenes and wrap read and write.
const std::vector<std::string> kKeyedFormats = {"json", "po", "csv", "xliff"};
const std::vector<std::string> kPatchFormats = {"bps", "ips", "ups"};

class CommandLine {
  public:
    CommandLine();
    int run(Arguments args, Streams io);

  private:
    // A verb of words, or a verb (or a word of a verb that has several) with what it does and the files it
    // reads and writes, which are checked before it runs.
    CLI::App* verb(CLI::App& parent, const std::string& name);
    CLI::App* verb(CLI::App& parent, const std::string& name, Verb run, FileUses uses);
    // Operands in the synopsis's order; the last may be optional, or take any number (FILE...).
    void operand(CLI::App* app, const std::string& name, bool required = true);
    void operands(CLI::App* app, const std::string& name);
    void templateOptions(CLI::App* app);
    void formatOption(CLI::App* app, const std::vector<std::string>& formats);
    void layoutOptions(CLI::App* app);

    // The verb named on the command line and its word, or nothing.
    [[nodiscard]] CLI::App* chosenVerb() const;
    [[nodiscard]] CLI::App* chosenWord() const;
    [[nodiscard]] std::string verbName() const;
    int usageError(const std::string& problem, std::ostream& err) const;
    int parseError(const CLI::ParseError& error, std::ostream& err) const;
    // The usage, or what the verb named does.
    int help(const std::string& name, std::ostream& out, std::ostream& err) const;
    int runChosen(Streams io);

    CLI::App m_app{"", "romquill-cli"};
    Given m_given;
    std::string m_programFolder;
    bool m_version = false;
    std::map<const CLI::App*, std::pair<Verb, FileUses>> m_runs;
    std::map<const CLI::App*, const std::vector<std::string>*> m_formats;
};

CommandLine::CommandLine() {
    m_app.require_subcommand(0, 1);
    m_app.add_option("--program-folder", m_programFolder)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    m_app.add_flag("--version", m_version);

    operands(verb(m_app, "identify", identifyCommand, readsOnly), "FILE");

    CLI::App* ini = verb(m_app, "ini", iniCommand, readsOnly);
    for (const char* name : {"FILE", "SECTION", "KEY"}) {
        operand(ini, name);
    }
    operand(ini, "DEFAULT", false);

    CLI::App* dump = verb(m_app, "dump", dumpCommand, readsOnly);
    templateOptions(dump);
    formatOption(dump, kTextsFormats);
    operand(dump, "FILE");

    CLI::App* insert = verb(m_app, "insert", insertCommand, insertUses);
    templateOptions(insert);
    formatOption(insert, kTextsFormats);
    insert->add_option("--layout", m_given.layout)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    operand(insert, "FILE");
    operand(insert, "TEXTS");

    CLI::App* check = verb(m_app, "check", checkCommand, readsOnly);
    templateOptions(check);
    operand(check, "FILE", false);

    CLI::App* qa = verb(m_app, "qa", qaCommand, readsOnly);
    templateOptions(qa);
    formatOption(qa, kTextsFormats);
    qa->add_option("--layout", m_given.layout)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    operand(qa, "FILE");
    operand(qa, "TEXTS");
    qa->add_flag("--json", m_given.json);
    qa->add_option("--glossary", m_given.glossary)->type_name("TERMS");

    CLI::App* recover = verb(m_app, "recover", recoverCommand, inPlaceUses);
    recover->add_flag("--discard", m_given.discard);
    operand(recover, "FILE");

    // --format may come before the word or after it.
    CLI::App* cutscenes = verb(m_app, "cutscenes");
    formatOption(cutscenes, kKeyedFormats);
    operand(verb(*cutscenes, "dump", cutscenesDumpCommand, readsOnly), "FILE");
    CLI::App* cutscenesInsert = verb(*cutscenes, "insert", cutscenesInsertCommand, cutscenesInsertUses);
    cutscenesInsert->add_flag("--force", m_given.force);
    operand(cutscenesInsert, "FILE");
    operand(cutscenesInsert, "TEXTS");

    CLI::App* header = verb(m_app, "header", headerCommand, inPlaceUses);
    operand(header, "FILE");
    header->add_flag("--json", m_given.json);
    header->add_option("--set", m_given.sets)->type_name("CONTROL=TEXT");
    header->add_flag("--fix-checksum", m_given.fixChecksum);

    CLI::App* alphabet = verb(m_app, "alphabet");
    CLI::App* fromTable = verb(*alphabet, "from-tbl", alphabetFromTableCommand, alphabetFromTableUses);
    operand(fromTable, "TABLE.tbl");
    operand(fromTable, "OUT.ini");
    operand(verb(*alphabet, "to-tbl", alphabetToTableCommand, readsOnly), "ALPHABET.ini");
    operand(verb(*alphabet, "check", alphabetCheckCommand, readsOnly), "ALPHABET.ini");

    CLI::App* patch = verb(m_app, "patch");
    CLI::App* create = verb(*patch, "create", patchCreateCommand, patchCreateUses);
    for (const char* name : {"ORIGINAL", "MODIFIED", "OUT"}) {
        operand(create, name);
    }
    formatOption(create, kPatchFormats);
    create->add_option("--notes", m_given.notes)->type_name("FILE");
    CLI::App* apply = verb(*patch, "apply", patchApplyCommand, patchApplyUses);
    apply->add_flag("--reverse", m_given.reverse);
    apply->add_flag("--repair", m_given.repair);
    for (const char* name : {"PATCH", "FILE", "OUT"}) {
        operand(apply, name);
    }
    operand(verb(*patch, "info", patchInfoCommand, readsOnly), "PATCH");

    CLI::App* find = verb(m_app, "find", findCommand, readsOnly);
    operand(find, "FILE");
    operand(find, "TEXT", false);
    find->add_option("--relative", m_given.relative)->type_name("WORD");
    find->add_option("--table", m_given.table)->type_name("TABLE");
    find->add_option("--text", m_given.text)->type_name("TEXT");
    find->add_option("--program-folder", m_programFolder)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    layoutOptions(find);
    find->add_flag("--json", m_given.json);

    CLI::App* table = verb(m_app, "table");
    CLI::App* fromHit = verb(*table, "from-hit", tableFromHitCommand, tableFromHitUses);
    operand(fromHit, "FILE");
    operand(fromHit, "OUT.tbl");
    fromHit->add_option("--relative", m_given.relative)->type_name("WORD")->required();
    fromHit->add_option("--offset", m_given.offset)->type_name("HEX")->required();
    fromHit->add_option("--end", m_given.end)->type_name("HEX");
    layoutOptions(fromHit);
    fromHit->add_flag("--force", m_given.force);

    CLI::App* pointers = verb(m_app, "pointers", pointersCommand, readsOnly);
    operands(pointers, "FILE");
    pointers->add_flag("--json", m_given.json);

    CLI::App* madeTemplate = verb(m_app, "template");
    CLI::App* newTemplate = verb(*madeTemplate, "new", templateNewCommand, templateNewUses);
    newTemplate->add_option("--table", m_given.table)->type_name("TABLE")->required();
    newTemplate->add_option("--pointers", m_given.pointers)
        ->type_name("OFFSET,COUNT,FORMAT")
        ->required()
        ->allow_extra_args(false);
    newTemplate->add_option("--free", m_given.freeRanges)->type_name("START-END[,START-END...]");
    newTemplate->add_option("--fill", m_given.fill)->type_name("HEX");
    newTemplate->add_option("--name", m_given.name)->type_name("NAME");
    newTemplate->add_option("--program-folder", m_programFolder)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    newTemplate->add_flag("--force", m_given.force);
    operand(newTemplate, "OUT.ini");
    CLI::App* fromCommands =
        verb(*madeTemplate, "from-cartographer", fromCartographerCommand, fromCartographerUses);
    operand(fromCommands, "COMMANDS.txt");
    operand(fromCommands, "OUT.ini");
    fromCommands->add_option("--game", m_given.game)->type_name("FILE");
    fromCommands->add_option("--name", m_given.name)->type_name("NAME");
    fromCommands->add_option("--program-folder", m_programFolder)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    fromCommands->add_flag("--force", m_given.force);
    CLI::App* rebase = verb(*madeTemplate, "rebase", templateRebaseCommand, templateRebaseUses);
    templateOptions(rebase);
    operand(rebase, "OLD");
    operand(rebase, "NEW");
    rebase->add_option("-o", m_given.outFile)->type_name("OUT.ini")->required();
    rebase->add_flag("--force", m_given.force);

    CLI::App* fontVerb = verb(m_app, "font", fontCommand, fontUses);
    templateOptions(fontVerb);
    operand(fontVerb, "FILE");
    fontVerb->add_option("--png", m_given.png)->type_name("SHEET.png");
    fontVerb->add_flag("--json", m_given.json);

    CLI::App* render = verb(m_app, "render", renderCommand, renderUses);
    templateOptions(render);
    operand(render, "FILE");
    operand(render, "TEXTS", false);
    render->add_option("--entry", m_given.entry)->type_name("N")->required()->check(CLI::PositiveNumber);
    render
        ->add_option_function<std::string>("--text",
                                           [this](const std::string& text) {
                                               m_given.text = text;
                                               m_given.textGiven = true;
                                           })
        ->type_name("TEXT");
    render->add_option("--png", m_given.png)->type_name("OUT.png")->required();
    render->add_option("--scale", m_given.scale)->type_name("S")->check(CLI::Range(1, 16));

    CLI::App* wrap = verb(m_app, "wrap", wrapCommand, wrapUses);
    templateOptions(wrap);
    formatOption(wrap, kKeyedFormats);
    operand(wrap, "FILE");
    operand(wrap, "TEXTS");
    wrap->add_option("-o", m_given.outFile)->type_name("OUT");

    CLI::App* mock = verb(m_app, "mock", mockCommand, mockUses);
    templateOptions(mock);
    operand(mock, "FILE");
    operand(mock, "OUT");
    mock->add_flag("--force", m_given.force);
    CLI::App* migrate = verb(m_app, "migrate", migrateCommand, migrateUses);
    templateOptions(migrate);
    formatOption(migrate, kKeyedFormats);
    operand(migrate, "NEW.bin");
    operand(migrate, "OLD_TEXTS");
    migrate->add_option("-o", m_given.outFile)->type_name("NEW_TEXTS")->required();
    migrate->add_flag("--force", m_given.force);

    operand(verb(m_app, "help"), "COMMAND", false);
}

CLI::App* CommandLine::verb(CLI::App& parent, const std::string& name) {
    CLI::App* app = parent.add_subcommand(name);
    app->require_subcommand(0, 1);
    // A word's unknown options go to its verb, which knows the options shared by its words.
    app->fallthrough(&parent != &m_app);
    m_runs[app] = {nullptr, nullptr};
    return app;
}

CLI::App* CommandLine::verb(CLI::App& parent, const std::string& name, Verb run, FileUses uses) {
    CLI::App* app = verb(parent, name);
    m_runs[app] = {run, uses};
    return app;
}

void CommandLine::operand(CLI::App* app, const std::string& name, bool required) {
    app->add_option_function<std::string>(
           name, [this](const std::string& value) { m_given.operands.push_back(value); })
        ->required(required);
}

void CommandLine::operands(CLI::App* app, const std::string& name) {
    app->add_option(name, m_given.operands)->required();
}

void CommandLine::templateOptions(CLI::App* app) {
    app->add_option("--template", m_given.templateName)
        ->required()
        ->type_name("T")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app->add_option("--program-folder", m_programFolder)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

void CommandLine::formatOption(CLI::App* app, const std::vector<std::string>& formats) {
    app->add_option("--format", m_given.format)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    m_formats[app] = &formats;
}

void CommandLine::layoutOptions(CLI::App* app) {
    app->add_option("--width", m_given.width)->type_name("1|2");
    app->add_option("--endian", m_given.endian)->type_name("little|big");
}

CLI::App* CommandLine::chosenVerb() const {
    const auto chosen = m_app.get_subcommands();
    return chosen.empty() ? nullptr : chosen.front();
}

CLI::App* CommandLine::chosenWord() const {
    CLI::App* verb = chosenVerb();
    const auto chosen = verb != nullptr ? verb->get_subcommands() : std::vector<CLI::App*>{};
    return chosen.empty() ? verb : chosen.front();
}

std::string CommandLine::verbName() const {
    const CLI::App* verb = chosenVerb();
    return verb != nullptr ? verb->get_name() : std::string();
}

int CommandLine::usageError(const std::string& problem, std::ostream& err) const {
    if (!problem.empty()) {
        say(err, problem);
    }
    if (verbName().empty() || verbName() == "help") {
        if (!problem.empty()) {
            err << '\n';
        }
        printUsage(err);
    } else {
        printVerbUsage(verbName(), err);
    }
    return kExitUsage;
}

int CommandLine::parseError(const CLI::ParseError& error, std::ostream& err) const {
    const std::string what = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        // The first argument nothing took ("--" only marks the end of the options).
        const auto left = m_app.remaining(true);
        const auto first =
            std::find_if(left.begin(), left.end(), [](const std::string& a) { return a != "--"; });
        const std::string extra = first != left.end() ? *first : what;
        if (extra.size() > 1 && extra.front() == '-') {
            return usageError("unknown option '" + extra + "'", err);
        }
        return usageError((verbName().empty() ? "unknown command '" : "unexpected argument '") + extra + "'",
                          err);
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr &&
        what.find(':') != std::string::npos) {
        return usageError(what.substr(0, what.find(':')) + " needs a value", err);
    }
    return usageError(what, err);
}

int CommandLine::help(const std::string& name, std::ostream& out, std::ostream& err) const {
    if (name.empty()) {
        printUsage(out);
        return kExitOk;
    }
    const auto& verbs = verbHelps();
    if (std::none_of(verbs.begin(), verbs.end(), [&](const VerbHelp& v) { return v.name == name; })) {
        return usageError("unknown command '" + name + "'", err);
    }
    printVerbUsage(name, out, true);
    return kExitOk;
}

int CommandLine::runChosen(Streams io) {
    if (m_version) {
        io.out << "romquill-cli " << ROMQUILL_VERSION << "\n";
        return kExitOk;
    }
    CLI::App* word = chosenWord();
    if (word == nullptr) {
        return usageError({}, io.err);
    }
    if (verbName() == "help") {
        return help(m_given.operands.empty() ? std::string() : m_given.operands.front(), io.out, io.err);
    }
    const auto [run, uses] = m_runs[word];
    if (run == nullptr) {
        return usageError({}, io.err);
    }
    // A word takes the formats of its verb.
    auto formats = m_formats.find(word);
    formats = formats != m_formats.end() ? formats : m_formats.find(word->get_parent());
    if (!m_given.format.empty() && formats != m_formats.end()) {
        const std::vector<std::string>& known = *formats->second;
        if (std::find(known.begin(), known.end(), m_given.format) == known.end()) {
            std::string names = known.front();
            for (std::size_t i = 1; i < known.size(); ++i) {
                names += (i + 1 == known.size() ? " or " : ", ") + known[i];
            }
            return usageError("--format takes " + names + ", not '" + m_given.format + "'", io.err);
        }
    }
    if (!m_given.layout.empty() && m_given.layout != "atlas") {
        return usageError("--layout takes atlas, not '" + m_given.layout + "'", io.err);
    }
    for (const std::string& set : m_given.sets) {
        if (set.find('=') == std::string::npos) {
            return usageError("--set takes CONTROL=TEXT, not '" + set + "'", io.err);
        }
    }
    if (!m_programFolder.empty()) {
        files::setApplicationFolder(m_programFolder);
    }
    if (const auto refusal = checkFileUses(uses(m_given), m_given.force)) {
        say(io.err, *refusal);
        return kExitRefused;
    }
    Console console(io);
    return run(m_given, console);
}

int CommandLine::run(Arguments args, Streams io) {
    if (args.empty()) {
        printUsage(io.err);
        return kExitUsage;
    }
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        m_app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return help(verbName(), io.out, io.err);
    } catch (const CLI::ParseError& error) {
        return parseError(error, io.err);
    }
    return runChosen(io);
}

}  // namespace

int run(Arguments args, Streams io) {
    CommandLine commandLine;
    const int status = commandLine.run(args, io);
    // Output lost to a full disk or a closed pipe must not pass for success.
    io.out.flush();
    if (!io.out && io.reportLostOutput) {
        say(io.err, "the output could not be written.");
        return status == kExitOk ? kExitRefused : status;
    }
    return status;
}

}  // namespace rq::cli
