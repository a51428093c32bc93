#pragma once

#include <QRgb>
#include <cstddef>

namespace rq::cutscenes {

// Where the cutscene editor's tabs, frames, boxes and markers lie, in twips.
namespace cutscenelayout {

// The story tabs; each but Sonic's and the last holds only its "Coming Soon" label.
struct StoryTab {
    const char* caption;
    const char* comingSoon;
};
inline constexpr StoryTab kStoryTabs[] = {
    {"Sonic's Story", nullptr},
    {"Tails' Story", "tails_comingsoon"},
    {"Knuckles' Story", "Knux_comingsoon"},
    {"Amy's Story", "amy_comingsoon"},
    {"E-102 Gamma's Story", "e102_comingsoon"},
    {"Big's Story", "nbig_comingsoon"},
    {"Super Sonic's Story", "supersonic_comingsoon"},
    {"Misc Text", nullptr},
};
inline constexpr int kMiscTab = 7;

inline constexpr const char* kSonicTabs[] = {"1 && 2",     "3",      "4",      "5",     "6 && 7", "8 && 9",
                                             "10, 11, 12", "Tab 7",  "Tab 8",  "Tab 9", "Tab 10", "Tab 11",
                                             "Tab 12",     "Tab 13", "Tab 14", "Tab 15"};

// The frame of each cutscene (sonic1 to sonic12) on its tab of sonic_tab, in twips from the page. Frames 6
// to 12 are empty; those of "10, 11, 12" stand one below the other, so their long titles fit. Frames 3 to 5
// are wide enough for a whole box, a marker and a counter in the right column.
struct CutsceneFrame {
    int tab;
    const char* title;
    int left, top, width, height;
};
inline constexpr CutsceneFrame kCutsceneFrames[] = {
    {0, "Cutscene 1 - Sonic's Intro", 120, 60, 4680, 4365},
    {0, "Cutscene 2 - Tail's Plane Crash", 4920, 60, 4680, 4365},
    {1, "Cutscene 3 - Tails' Emerald", 120, 60, 7785, 5685},
    {2, "Cutscene 4 - Enter Robotnik", 120, 60, 7785, 3885},
    {3, "Cutscene 5 - Chaos Absorbs An Emerald", 120, 60, 7785, 5685},
    {4, "Cutscene 6 - Sonic && Tails Get Ambushed", 120, 60, 4680, 4365},
    {4, "Cutscene 7 - Coming Round From The Gas", 4920, 60, 4680, 4365},
    {5, "Cutscene 8 - Enter Knuckles", 120, 60, 4680, 4365},
    {5, "Cutscene 9 - Chaos 4", 4920, 60, 4680, 4365},
    {6, "Cutscene 10 - Enter The Egg Carrier", 120, 60, 9480, 1695},
    {6, "Cutscene 11 - Tornado Launch!", 120, 1875, 9480, 1695},
    {6, "Cutscene 12 - Sonic Crashes Back To Earth", 120, 3690, 9480, 1695},
};

// Boxes stand in a left and a right column of their frame.
inline constexpr int kLeftColumn = 240;
inline constexpr int kRightColumn = 3960;
inline constexpr int kMiscColumn = 120;
inline constexpr int kBoxWidth = 2775;
inline constexpr int kBoxHeight = 285;
inline constexpr int kCounterWidth = 555;  // the room left, right of each box

// Small coloured labels beside boxes whose text the game uses elsewhere too.
struct Marker {
    const char* name;
    std::size_t box;
    int width;
    QRgb colour;
    const char* toolTip;
};
inline constexpr QRgb kOrange = 0xFF8000;
inline constexpr QRgb kCyan = 0x00FFFF;
inline constexpr Marker kMarkers[] = {
    {"Label1", 55, 255, kOrange, "This piece of text is also in Tails' story."},
    {"Label2", 56, 255, kOrange, "This piece of text is also in Tails' story."},
    {"Label3", 92, 255, kOrange, "This piece of text is also in Tails' story."},
    {"Label4", 15, 135, kCyan, "Used somewhere elsewhere too"},
};

// The three frames of "Misc Text", in twips from the page: two side by side, each wide enough for its boxes
// and their counters, and the keystones below the first.
inline constexpr int kMiscFrameTop = 120;
inline constexpr int kMiscFrameWidth = kMiscColumn + kBoxWidth + 60 + kCounterWidth + 120;
inline constexpr int kMiscFrameHeight = 2895;
inline constexpr int kMiscFrameGap = 225;
inline constexpr int kKeystones = 5;

}  // namespace cutscenelayout
}  // namespace rq::cutscenes
