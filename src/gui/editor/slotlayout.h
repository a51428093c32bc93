#pragma once

#include "templates/templaterules.h"

namespace rq::editor {

// Where the editor's 540 entry slots lie. Slot s holds entry s + 1; eighteen slots a tab, in two
// columns of nine, each caption directly above its text box. Tabs 1 to 15 belong to tabstrip (slots 0 to
// 269), tabs 16 to 30 to tabstrip2 (slots 270 to 539).
namespace slotlayout {

inline constexpr int kCount = templates::kEntrySlots;
inline constexpr int kPerTab = 18;
inline constexpr int kTabsPerStrip = 15;
inline constexpr int kPerStrip = kPerTab * kTabsPerStrip;  // 270

struct TwipsRect {
    int left, top, width, height;
};

// 0 for tabstrip, 1 for tabstrip2.
[[nodiscard]] constexpr int strip(int slot) {
    return slot / kPerStrip;
}
// The tab within its strip, from 0.
[[nodiscard]] constexpr int tab(int slot) {
    return slot % kPerStrip / kPerTab;
}
[[nodiscard]] constexpr int column(int slot) {
    return slot % kPerTab / 9;
}
[[nodiscard]] constexpr int row(int slot) {
    return slot % kPerTab % 9;
}

// In twips from the top-left corner of the slot's tab container, tab row included.
[[nodiscard]] constexpr TwipsRect label(int slot) {
    return {360 + 4440 * column(slot), 480 + 600 * row(slot), 3855, 255};
}
[[nodiscard]] constexpr TwipsRect textBox(int slot) {
    return {480 + 4440 * column(slot), 720 + 600 * row(slot), 3855, 285};
}

static_assert(strip(269) == 0 && strip(270) == 1 && tab(270) == 0 && tab(539) == 14);
static_assert(column(9) == 1 && row(9) == 0 && tab(18) == 1 && column(18) == 0 && row(18) == 0);

}  // namespace slotlayout
}  // namespace rq::editor
