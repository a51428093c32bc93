#pragma once

#include <QIcon>

namespace rq::kit {

// The program's 32 by 32 icon, drawn rather than shipped.
[[nodiscard]] QIcon appIcon();

// A padlock, 16 by 16: the cue of a locked entry, whose text no window changes.
[[nodiscard]] QIcon lockIcon();

}  // namespace rq::kit
