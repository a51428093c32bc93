#pragma once

#include <string>

namespace rq {

enum class NoticeIcon { None, Information, Exclamation, Critical, Question };

// A message the core words for the user; a window shows it as it stands, in a box with its icon.
struct Notice {
    std::string text;  // UTF-8
    NoticeIcon icon = NoticeIcon::None;

    friend bool operator==(const Notice&, const Notice&) = default;
};

}  // namespace rq
