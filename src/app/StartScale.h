#pragma once
// The whole scale at which the window starts when neither QT_SCALE_FACTOR
// nor --scale gives one: the largest at which the window takes at most nine
// tenths of the screen's available height (in the screen's logical lines),
// so that it fits with its title bar and room to spare; never below 1.
// Pure arithmetic without Qt, so that it can be checked as a table.
//
//   240 x 320 handheld  -> 1     1366 x 768 laptop  -> 2
//   1920 x 1080 screen  -> 3     3840 x 2160 screen -> 6

namespace startscale {

// The frame's height at scale 1: the 268-line view, the status panes and the
// toolbar. The frame tests hold the real window to it.
constexpr int kWindowHeight = 313;
// The largest scale --scale accepts and the screen may choose.
constexpr int kMaxScale = 16;

constexpr int ForScreen(int availableHeight, int windowHeight = kWindowHeight) {
    if (availableHeight <= 0 || windowHeight <= 0) return 1;
    const long long room = static_cast<long long>(availableHeight) * 9 / 10;
    const long long scale = room / windowHeight;
    return scale < 1 ? 1 : scale > kMaxScale ? kMaxScale : static_cast<int>(scale);
}

}  // namespace startscale
