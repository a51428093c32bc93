#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rq::templates {

// One thing wrong with a template, one of its alphabets or its fit to a game file.
struct TemplateProblem {
    std::string file;     // the template, an alphabet or the game file (a path)
    std::string section;  // empty when the problem is the file as a whole
    std::string key;
    std::optional<std::string>
        value;             // code-page bytes as the file holds them; nothing when the key is missing
    std::string what;      // why it cannot be used, said of the value: "is not a number" (a rule's phrase)
    int line = 0;          // a table file's problems are of a line (1-based); 0 for the others
    bool warning = false;  // the file is used all the same: said, but no reason to refuse it
};

// Every problem at once, for template authors, where reading a template stops at the first: values that
// are not what the format allows (an alphabet name that leads out of its folder is not followed), a text
// format without an alphabet file, an alphabet without CharLength, a Length that is not a whole multiple of
// CharLength, and entries whose rooms overlap; with a game file, entries whose rooms run past its end.
// Alphabets are named as the editor finds them. Empty when clean.
[[nodiscard]] std::vector<TemplateProblem> checkTemplate(const std::string& templatePath,
                                                         const std::optional<std::string>& gameFile);

// The problems of one alphabet file among them: a file that cannot be read, CharLength missing or 0, and
// the values the format does not allow.
[[nodiscard]] std::vector<TemplateProblem> checkAlphabet(const std::string& path);

// The problems of one table file: a file that cannot be read, and each line a read cannot use; as warnings,
// each end token that begins a longer key.
[[nodiscard]] std::vector<TemplateProblem> checkTable(const std::string& path);

// A problem as one line of UTF-8 text, without its file: "[section] key = "value" what", or "line N: what";
// a warning starts with "warning: ".
[[nodiscard]] std::string problemText(const TemplateProblem& problem);

// Whether any of the problems is more than a warning.
[[nodiscard]] bool anyError(const std::vector<TemplateProblem>& problems);

}  // namespace rq::templates
