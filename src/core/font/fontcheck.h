#pragma once

#include <optional>
#include <string>
#include <vector>

#include "templates/templatecheck.h"

namespace rq::font {

// What check lists of a template's font and boxes: every value of [Font], [Box] and [BoxN] that breaks its
// rule, a Box=N that names no section, a BoxBreak or CodeWidths label that an entry's table lacks (once a
// label and table), and with the game file a font or width table that runs past its end.
[[nodiscard]] std::vector<templates::TemplateProblem> checkFont(const std::string& templatePath,
                                                                const std::optional<std::string>& gameFile);

}  // namespace rq::font
