#pragma once

#include "launcher/loader.h"

namespace rq {

// Every window the launcher opens, made as the program makes them: the one place that names them all, for
// the program, its screenshots and its window tests.
[[nodiscard]] launcher::LauncherWindows programWindows();

}  // namespace rq
