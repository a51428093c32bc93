#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/iniReadWriteDelete.h"
#include "templates/templatecheck.h"

namespace rq::templates {

// The problems of a template's pointer keys, for check: values of [Pointers], of each entry's Pointer and
// format keys and of each [PointerTableN] that break their rules, a cell without a Format, [FreeSpace]
// ranges that break their rule or overlap; with a game file, cells past its end, an entry's cells that do
// not hold the same value, and cells that point outside their region.
void checkPointers(const std::string& templatePath, const files::IniFile& ini, int entryCount,
                   const std::optional<std::string>& gameFile, std::vector<TemplateProblem>& problems);

}  // namespace rq::templates
