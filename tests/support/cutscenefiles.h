#pragma once

#include <cstddef>
#include <string>

#include "cutscenes/cutscenerooms.h"
#include "support/testfiles.h"

namespace rq::test {

// Room i holds "t" and its number, a zero byte, then "~" to its size: a text of its own, cut by the zero.
[[nodiscard]] std::string cutsceneShownText(std::size_t room);

// A sparse executable of 0x480000 bytes, "sonic" + marker + ".exe" in the folder, with the marker at 0x3C
// and every room the edition places filled as above.
[[nodiscard]] std::string writeCutsceneExecutable(const TempDir& dir, const std::string& marker,
                                                  cutscenes::Edition edition);

}  // namespace rq::test
