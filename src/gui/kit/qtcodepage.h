#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace rq::kit {

// Game and INI bytes as text for the windows, one character per byte.
[[nodiscard]] QString fromCodePage(std::string_view bytes);

// A path for the core's file services (UTF-8) and back.
[[nodiscard]] std::string toPath(const QString& path);
[[nodiscard]] QString fromPath(const std::string& path);

// The core's own UTF-8 texts (messages, names, tooltips) for the windows.
[[nodiscard]] inline QString fromUtf8View(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace rq::kit
