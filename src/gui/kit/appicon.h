#pragma once

#include <QIcon>

namespace rq::kit {

// The program's 32 by 32 icon, drawn rather than shipped.
[[nodiscard]] QIcon appIcon();

}  // namespace rq::kit
