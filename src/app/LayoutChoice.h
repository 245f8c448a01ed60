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

}  // namespace layoutchoice
