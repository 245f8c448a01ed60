#include "map/PointCircles.h"

#include <algorithm>

#include "map/RssiBands.h"

namespace {

bool Overlap(const VpRect& a, const VpRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void PaintClipped(CCircleLayer& layer, const LoggedCircle& c, const VpRect& clip) {
    const CircleStyle style = CircleStyleFor(c.strength);
    layer.PaintEllipse(CircleBox(c.x, c.y), style.penWidth, style.pen, style.brush, clip);
}

}  // namespace

CircleStyle CircleStyleFor(int32_t strength) {
    const RssiBandRow& band = kRssiBands[RssiBand(strength)];
    return {band.rgb, band.penWidth, band.rgb};
}

void PaintPointCircle(CCircleLayer& layer, int32_t x, int32_t y, int32_t strength) {
    PaintClipped(layer, {x, y, strength, 0}, {0, 0, layer.Width(), layer.Height()});
}

void MendDeletedCircles(CCircleLayer& layer, const CCircleLog& log,
                        const std::vector<LoggedCircle>& removed) {
    for (const LoggedCircle& gone : removed) {
        const VpRect box = CircleBox(gone.x, gone.y);
        const VpRect area{std::max(box.left, 0), std::max(box.top, 0),
                          std::min(box.right, layer.Width()), std::min(box.bottom, layer.Height())};
        if (area.left >= area.right || area.top >= area.bottom) continue;
        layer.Clear(area);
        for (const LoggedCircle& c : log.Circles())
            if (Overlap(CircleBox(c.x, c.y), area)) PaintClipped(layer, c, area);
    }
}
