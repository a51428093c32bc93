#include "scriptchecks.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "files/codepage.h"

namespace rq::script {
namespace {

bool isInconsistent(const qa::Problem& problem) {
    return problem.check == "inconsistent";
}

}  // namespace

ScriptChecks::ScriptChecks(const qa::ScriptTexts& texts) {
    const std::size_t count = texts.originals.size();
    m_problems.resize(count);
    m_untranslated.assign(count, 0);
    m_flagged.assign(count, 0);
    for (auto& problem : qa::checkScript(texts)) {
        m_problems[problem.index].push_back(std::move(problem));
    }
    std::unordered_map<std::string_view, std::size_t> groups;
    m_group.assign(count, kAlone);
    for (std::size_t row = 0; row < count; ++row) {
        show(row);
        const std::string_view original = files::unpadded(texts.originals[row]);
        if (original.empty()) {
            continue;
        }
        const auto [at, added] = groups.try_emplace(original, m_members.size());
        if (added) {
            m_members.emplace_back();
        }
        m_members[at->second].push_back(row);
        m_group[row] = at->second;
    }
    for (const auto& members : m_members) {
        if (members.size() == 1) {
            m_group[members.front()] = kAlone;
        }
    }
}

std::span<const std::size_t> ScriptChecks::sameOriginal(std::size_t row) const {
    return m_group[row] == kAlone ? std::span<const std::size_t>() : m_members[m_group[row]];
}

void ScriptChecks::show(std::size_t row) {
    const auto& problems = m_problems[row];
    const char untranslated =
        std::ranges::any_of(problems, [](const qa::Problem& p) { return p.check == "untranslated"; }) ? 1 : 0;
    const char flagged =
        std::ranges::any_of(problems, [](const qa::Problem& p) { return p.check != "untranslated"; }) ? 1 : 0;
    m_untranslatedCount += untranslated - m_untranslated[row];
    m_flaggedCount += flagged - m_flagged[row];
    m_untranslated[row] = untranslated;
    m_flagged[row] = flagged;
}

void ScriptChecks::recheck(const qa::ScriptTexts& texts, std::span<const std::size_t> rows,
                           bool deferGroups) {
    std::vector<std::size_t> groups = std::exchange(m_pending, {});
    for (const std::size_t row : rows) {
        // Its own checks anew; its consistency stays until its group is checked below.
        auto& problems = m_problems[row];
        std::erase_if(problems, [](const qa::Problem& p) { return !isInconsistent(p); });
        auto fresh = qa::checkEntry(texts, row);
        problems.insert(problems.begin(), std::make_move_iterator(fresh.begin()),
                        std::make_move_iterator(fresh.end()));
        show(row);
        if (m_group[row] != kAlone) {
            groups.push_back(m_group[row]);
        }
    }
    std::ranges::sort(groups);
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    if (deferGroups) {
        m_pending = std::move(groups);
        return;
    }
    for (const std::size_t group : groups) {
        checkGroup(texts, group);
    }
}

std::optional<std::pair<std::size_t, std::size_t>> ScriptChecks::checkPending(const qa::ScriptTexts& texts) {
    if (m_pending.empty()) {
        return std::nullopt;
    }
    std::pair<std::size_t, std::size_t> range{m_members[m_pending.front()].front(), 0};
    for (const std::size_t group : std::exchange(m_pending, {})) {
        checkGroup(texts, group);
        range.first = std::min(range.first, m_members[group].front());
        range.second = std::max(range.second, m_members[group].back());
    }
    return range;
}

void ScriptChecks::checkGroup(const qa::ScriptTexts& texts, std::size_t group) {
    // The group's entries alone, as a script of their own: the check costs the group, not the script.
    const auto& members = m_members[group];
    templates::GameTemplate part;
    std::vector<std::string> originals;
    std::vector<std::string> translations;
    std::vector<editor::EntryRoom> rooms;
    for (const std::size_t row : members) {
        part.entries.push_back(texts.gameTemplate->entries[row]);
        originals.push_back(texts.originals[row]);
        translations.push_back(texts.translations[row]);
        rooms.push_back(row < texts.rooms.size() ? texts.rooms[row]
                                                 : editor::lengthRoom(texts.gameTemplate->entries[row]));
    }
    for (const std::size_t row : members) {
        std::erase_if(m_problems[row], isInconsistent);
    }
    for (auto& problem : qa::checkConsistency({&part, originals, translations, rooms, {}})) {
        const std::size_t row = members[problem.index];
        problem.index = row;
        m_problems[row].push_back(std::move(problem));
    }
    for (const std::size_t row : members) {
        show(row);
    }
}

std::vector<qa::Problem> saveErrors(const qa::ScriptTexts& texts, std::span<const std::size_t> rows) {
    std::vector<qa::Problem> errors;
    for (const std::size_t row : rows) {
        for (auto& problem : qa::checkEntry(texts, row)) {
            if (problem.severity == qa::Severity::Error) {
                errors.push_back(std::move(problem));
            }
        }
    }
    return errors;
}

}  // namespace rq::script
