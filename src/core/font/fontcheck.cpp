#include "font/fontcheck.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "files/iniReadWriteDelete.h"
#include "files/readwritetext.h"
#include "font/gamefont.h"
#include "templates/gametemplate.h"

namespace rq::font {
namespace {

using templates::TemplateProblem;

std::optional<std::string> valueOrNothing(const std::string& value) {
    return value.empty() ? std::nullopt : std::optional<std::string>(value);
}

// The labels a box names, with the key that names each.
std::vector<std::pair<std::string, std::string>> labelsOf(const BoxKeys& box) {
    std::vector<std::pair<std::string, std::string>> labels;
    if (!box.boxBreak.empty()) {
        labels.emplace_back("BoxBreak", box.boxBreak);
    }
    for (const auto& [label, pixels] : box.codeWidths) {
        labels.emplace_back("CodeWidths", label);
    }
    return labels;
}

std::string boxSection(int number) {
    return number == 0 ? "Box" : "Box" + std::to_string(number);
}

}  // namespace

std::vector<TemplateProblem> checkFont(const std::string& templatePath,
                                       const std::optional<std::string>& gameFile) {
    const auto ini = files::loadIniFile(templatePath);
    if (!ini) {
        return {};  // the template's own check says it cannot be read
    }
    std::vector<TemplateProblem> problems;
    const auto sections = readFontSections(*ini);
    for (const auto& fault : sections.faults) {
        problems.push_back(
            {templatePath, fault.section, fault.key, valueOrNothing(fault.value), fault.phrase});
    }
    for (const auto& section : ini->sections()) {
        if (section.value("Box") && !boxNumberOf(*ini, section.name)) {
            problems.push_back({templatePath, section.name, "Box", section.value("Box"),
                                boxNumberOf(*ini, section.name).error()});
        }
    }
    const auto gameTemplate = templates::readGameTemplate(templatePath);
    if (!gameTemplate) {
        return problems;
    }
    std::set<std::tuple<int, std::string, const void*>> reported;
    for (const auto& entry : gameTemplate->entries) {
        const auto box = gameTemplate->boxes.find(entry.box);
        if (box == gameTemplate->boxes.end()) {
            continue;
        }
        for (const auto& named : labelsOf(box->second)) {
            const std::string& key = named.first;
            const std::string& label = named.second;
            const void* source =
                entry.table ? static_cast<const void*>(entry.table.get()) : entry.alphabet.get();
            const bool has =
                entry.table && std::ranges::any_of(entry.table->entries(), [&](const auto& code) {
                    return code.kind == templates::Table::Kind::Control && code.text == label;
                });
            if (!has && reported.emplace(box->first, label, source).second) {
                const std::string& file = entry.table ? entry.table->path() : entry.alphabet->path();
                problems.push_back({templatePath, boxSection(box->first), key, label,
                                    "names the control code " + label + ", which " + file +
                                        " (the text format of " + templates::entryName(entry) + ") lacks"});
            }
        }
    }
    if (gameFile && gameTemplate->font) {
        if (const auto size = files::regularFileSize(*gameFile)) {
            if (auto past = pastEndPhrase(*gameTemplate->font, *gameFile, *size)) {
                problems.push_back({templatePath, "Font", "", std::nullopt, std::move(*past)});
            }
        }
    }
    return problems;
}

}  // namespace rq::font
