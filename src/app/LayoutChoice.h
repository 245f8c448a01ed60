#pragma once
// Which of the two window layouts the program starts in. The handheld
// layout is the handheld's screen at a whole scale; the desktop layout a
// resizable window whose map fills what the toolbar and panes leave.
// Without --layout the desktop layout is taken where the handheld window
// would take less than half of the screen's available width and neither
// --scale nor QT_SCALE_FACTOR gives a scale. Pure arithmetic without Qt.
//
//   240 x 320 handheld  -> handheld   1366 x 768 laptop  -> desktop
//   480 x 800 portrait  -> handheld   800 x 480 tablet   -> desktop
//   any screen with --scale N or QT_SCALE_FACTOR        -> handheld

#include "app/StartScale.h"

enum class WindowLayout { kHandheld, kDesktop };
enum class LayoutRequest { kChosen, kHandheld, kDesktop };  // --layout, or none

namespace layoutchoice {

// The handheld window's width at scale 1 (the view; the panes and the
// toolbar are narrower).
constexpr int kHandheldWidth = 240;

constexpr WindowLayout Choose(LayoutRequest request, bool scaleGiven, int availableWidth,
                              int availableHeight) {
    if (request == LayoutRequest::kHandheld) return WindowLayout::kHandheld;
    if (request == LayoutRequest::kDesktop) return WindowLayout::kDesktop;
    if (scaleGiven || availableWidth <= 0) return WindowLayout::kHandheld;
    const long long handheld =
        static_cast<long long>(kHandheldWidth) * startscale::ForScreen(availableHeight);
    return 2 * handheld < availableWidth ? WindowLayout::kDesktop : WindowLayout::kHandheld;
}

// The desktop layout's toolbar and panes at a whole multiple of the
// handheld's (16-pixel buttons, 50-pixel panes), so that the button art
// stays crisp: a button about a twenty-second of the screen's available
// height, so that a laptop's 768 lines less a desktop panel still take 2.
//
//   480 lines (tablet) -> 1   728 .. 1091 -> 2 (32-pixel buttons)
//   1440 -> 3                 2160 -> 5
constexpr int kBarLinesPerScale = 364;
constexpr int DesktopBarScale(int availableHeight) {
    const int scale = availableHeight / kBarLinesPerScale;
    return scale < 1 ? 1 : scale > startscale::kMaxScale ? startscale::kMaxScale : scale;
}

}  // namespace layoutchoice
