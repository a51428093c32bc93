#include "exchange/atlasscript.h"

#include <algorithm>
#include <array>

#include "exchange/cartographer.h"
#include "exchange/translations.h"
#include "files/asciitext.h"

namespace rq::exchange {
namespace {

// What each command takes, one letter an argument (N a number, S a string, V a name), its forms split by
// "|"; a command that names a reason is one this reader knows but cannot follow.
struct CommandForm {
    std::string_view name;
    std::string_view forms;
    std::string_view refusal = {};
};

constexpr std::string_view kEmbedded =
    "places embedded pointers, which only the inserter's own layout can do; this insert places texts itself";
constexpr std::string_view kExtension = "runs an extension of the inserter, which this reader cannot follow";

constexpr std::array<CommandForm, 28> kCommands{{
    {"VAR", "VV"},
    {"ADDTBL", "SV"},
    {"ACTIVETBL", "V"},
    {"JMP", "N|NN"},
    {"HDR", "N"},
    {"SMA", "S"},
    {"STRTYPE", "S"},
    {"W16", "N"},
    {"W24", "N"},
    {"W32", "N"},
    {"CREATEPTR", "VSNN"},
    {"WRITE", "VN|V"},
    {"PTRTBL", "VNNV"},
    {"AUTOWRITE", "VS"},
    {"DISABLE", "VS"},
    {"EMBTYPE", "SNN"},
    {"EMBSET", "N", kEmbedded},
    {"EMBWRITE", "N", kEmbedded},
    {"FIXEDLENGTH", "NN"},
    {"ENDIANSWAP", "S"},
    {"STRINGALIGN", "N"},
    {"PTRLIST", "", "reads its pointers' places from a file, which this reader cannot follow"},
    {"LOADEXT", "", kExtension},
    {"EXECEXT", "", kExtension},
    {"WLB", "", "writes one byte of a pointer, which no template entry holds"},
    {"WHB", "", "writes one byte of a pointer, which no template entry holds"},
    {"WUB", "", "writes one byte of a pointer, which no template entry holds"},
    {"WBB", "", "writes one byte of a pointer, which no template entry holds"},
}};

std::string_view trimmedView(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

char kindLetter(ScriptArgument::Kind kind) {
    return kind == ScriptArgument::Kind::Number ? 'N' : kind == ScriptArgument::Kind::String ? 'S' : 'V';
}

std::string shapeWords(std::string_view form) {
    std::string words;
    for (const char letter : form) {
        words += std::string(words.empty() ? "" : ", ") + (letter == 'N'   ? "a number"
                                                           : letter == 'S' ? "a string"
                                                                           : "a name");
    }
    return words.empty() ? "nothing" : words;
}

// One argument as written, or why it is none.
Result<ScriptArgument> argumentOf(std::string_view text) {
    if (text.empty()) {
        return Error{"an argument is empty"};
    }
    if (text.front() == '"') {
        if (text.size() < 2 || text.back() != '"') {
            return Error{"the string " + std::string(text) + " has no closing quote"};
        }
        return ScriptArgument{ScriptArgument::Kind::String, 0, std::string(text.substr(1, text.size() - 2))};
    }
    if (text.starts_with("\xE2\x80\x9C") || text.starts_with("\xE2\x80\x9D")) {
        return Error{"the string " + std::string(text) +
                     " stands in curly quotes; strings take straight ones"};
    }
    if (text.front() == '$' || text.front() == '-' || (text.front() >= '0' && text.front() <= '9')) {
        const auto number = commandNumber(text, true);
        if (!number) {
            return Error{"\"" + std::string(text) + "\" is not a number of 32 bits ($hex or decimal)"};
        }
        return ScriptArgument{ScriptArgument::Kind::Number, *number, {}};
    }
    const bool name = std::ranges::all_of(text, [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
    if (!name) {
        return Error{"\"" + std::string(text) + "\" is neither a number, a string nor a name"};
    }
    return ScriptArgument{ScriptArgument::Kind::Name, 0, std::string(text)};
}

// The arguments between the parentheses, split at the commas outside strings.
Result<std::vector<ScriptArgument>> argumentsOf(std::string_view inside) {
    std::vector<ScriptArgument> arguments;
    if (trimmedView(inside).empty()) {
        return arguments;
    }
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= inside.size(); ++at) {
        if (at < inside.size() && inside[at] == '"') {
            quoted = !quoted;
        }
        if (at == inside.size() || (inside[at] == ',' && !quoted)) {
            auto argument = argumentOf(trimmedView(inside.substr(start, at - start)));
            if (!argument) {
                return argument.failure();
            }
            arguments.push_back(std::move(argument).value());
            start = at + 1;
        }
    }
    return arguments;
}

bool oneOf(std::string_view value, std::initializer_list<std::string_view> allowed) {
    const std::string upper = files::upperAscii(value);
    return std::ranges::find(allowed, upper) != allowed.end();
}

// What the command's values say that this reader cannot follow; empty when it can.
std::string valueProblem(const ScriptCommand& command) {
    const auto& arguments = command.arguments;
    const auto number = [&](std::size_t at) { return arguments[at].number; };
    const auto text = [&](std::size_t at) { return arguments[at].text; };
    const std::string& name = command.name;
    const auto linear = [&](std::size_t at) {
        return oneOf(text(at), {"LINEAR"}) ? std::string()
                                           : "takes the address mode \"" + text(at) +
                                                 "\", which this reader cannot follow: only \"LINEAR\" (file "
                                                 "offsets less the header)";
    };
    const auto bits = [&](std::size_t at) {
        return number(at) == 16 || number(at) == 24 || number(at) == 32
                   ? std::string()
                   : "makes pointers of " + std::to_string(number(at)) + " bits; templates hold 16, 24 or 32";
    };
    if (name == "SMA") {
        return linear(0);
    }
    if (name == "CREATEPTR") {
        return !linear(1).empty() ? linear(1) : bits(3);
    }
    if (name == "EMBTYPE") {
        return !linear(0).empty() ? linear(0) : bits(1);
    }
    if (name == "STRTYPE" && !oneOf(text(0), {"ENDTERM"})) {
        return "takes the string type \"" + text(0) + "\"; this reader follows only \"ENDTERM\"";
    }
    if (name == "ENDIANSWAP" && !oneOf(text(0), {"TRUE", "FALSE"})) {
        return "takes \"TRUE\" or \"FALSE\", not \"" + text(0) + "\"";
    }
    if (name == "VAR") {
        if (oneOf(text(1), {"POINTERLIST"})) {
            return "makes a pointer list, whose places are read from a file, which this reader cannot follow";
        }
        if (oneOf(text(1), {"EXTENSION"})) {
            return std::string(kExtension);
        }
        if (!oneOf(text(1), {"TABLE", "CUSTOMPOINTER", "POINTERTABLE"})) {
            return "makes a " + text(1) +
                   ", which is no kind of variable (TABLE, CUSTOMPOINTER, POINTERTABLE)";
        }
    }
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const bool address = name == "JMP" || name == "W16" || name == "W24" || name == "W32" ||
                             (name == "WRITE" && at == 1) || (name == "PTRTBL" && at == 1);
        if (address && number(at) < 0) {
            return "names the place " + std::to_string(number(at)) + ", before the file's start";
        }
    }
    if (name == "JMP" && arguments.size() == 2 && number(1) < number(0)) {
        return "ends its room before it begins";
    }
    if ((name == "PTRTBL" && number(2) <= 0) || (name == "STRINGALIGN" && number(0) <= 0)) {
        return "needs a step of at least 1";
    }
    if (name == "FIXEDLENGTH" && (number(0) < 0 || number(0) > 0x7FFF || number(1) < 0 || number(1) > 0xFF)) {
        return "needs a length from 0 to 32767 and a padding byte from 0 to 255";
    }
    return {};
}

// A command line, or why it is none.
Result<ScriptCommand> commandOf(std::string_view line, int number, bool embedded) {
    std::string_view rest = line.substr(1);
    const auto named = std::ranges::find_if_not(rest, [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
    const std::string name =
        files::upperAscii(rest.substr(0, static_cast<std::size_t>(named - rest.begin())));
    const std::size_t open = rest.find('(');
    const auto form = std::ranges::find(kCommands, name, &CommandForm::name);
    if (form == kCommands.end()) {
        return Error{"#" + name + " is no command this reader knows"};
    }
    if (!form->refusal.empty() && !(embedded && form->refusal == kEmbedded)) {
        return Error{"#" + name + " " + std::string(form->refusal)};
    }
    // The closing parenthesis is the last outside a string; a "//" comment may follow it.
    std::size_t close = std::string_view::npos;
    bool quoted = false;
    for (std::size_t at = open == std::string_view::npos ? rest.size() : open; at < rest.size(); ++at) {
        quoted = rest[at] == '"' ? !quoted : quoted;
        if (!quoted && rest[at] == ')') {
            close = at;
            break;
        }
    }
    if (close == std::string_view::npos ||
        !trimmedView(rest.substr(name.size(), open - name.size())).empty()) {
        return Error{"#" + name + " needs its arguments in parentheses"};
    }
    const std::string_view after = trimmedView(rest.substr(close + 1));
    if (!after.empty() && !after.starts_with("//")) {
        return Error{"#" + name + " is followed by \"" + std::string(after) +
                     "\"; only a \"//\" comment may be"};
    }
    auto arguments = argumentsOf(rest.substr(open + 1, close - open - 1));
    if (!arguments) {
        return Error{"#" + name + ": " + arguments.error()};
    }
    ScriptCommand command{number, name, std::move(arguments).value()};
    std::string shape;
    for (const auto& argument : command.arguments) {
        shape += kindLetter(argument.kind);
    }
    std::string wanted;
    for (std::size_t start = 0; start <= form->forms.size();) {
        const std::size_t bar = std::min(form->forms.find('|', start), form->forms.size());
        const std::string_view one = form->forms.substr(start, bar - start);
        if (one == shape) {
            const std::string problem = valueProblem(command);
            if (!problem.empty()) {
                return Error{"#" + name + " " + problem};
            }
            return command;
        }
        wanted += (wanted.empty() ? "" : ", or ") + shapeWords(one);
        start = bar + 1;
    }
    return Error{"#" + name + " takes " + wanted + ", not " + shapeWords(shape)};
}

}  // namespace

Result<AtlasScript> parseAtlasScript(std::string_view text, const std::string& name, bool embedded) {
    AtlasScript script;
    ProblemList problems(name);
    files::forEachLine(text, [&](std::string_view line, int number) {
        const std::string_view bare = trimmedView(line);
        if (bare.empty() || bare.starts_with("//")) {
            return;
        }
        if (bare.front() != '#') {
            script.items.emplace_back(ScriptText{number, std::string(line)});
            return;
        }
        auto command = commandOf(bare, number, embedded);
        if (!command) {
            problems.add(name + ", line " + std::to_string(number) + ": " + command.error());
            return;
        }
        script.items.emplace_back(std::move(command).value());
    });
    if (!problems.empty()) {
        return problems.error();
    }
    return script;
}

}  // namespace rq::exchange
