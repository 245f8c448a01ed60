#include "screens/MapPainting.h"

#include <QPaintDevice>
#include <cmath>

#include "map/SurveyMap.h"
#include "platform/Gdi.h"

void PaintMap(QPainter& p, const QRect& dest, const MapBitmap& plan, const CCircleLayer& layer,
              const VpRect& source, IMapOverlay* overlay) {
    if (dest.isEmpty()) return;
    const qreal ratio = p.device() != nullptr ? p.device()->devicePixelRatio() : 1.0;
    // The destination in device pixels (whole at the program's whole scales).
    const int left = static_cast<int>(std::lround(dest.left() * ratio));
    const int top = static_cast<int>(std::lround(dest.top() * ratio));
    const int right = static_cast<int>(std::lround((dest.left() + dest.width()) * ratio));
    const int bottom = static_cast<int>(std::lround((dest.top() + dest.height()) * ratio));
    QImage samples(right - left, bottom - top, QImage::Format_RGB32);
    if (samples.isNull()) return;
    RenderMap(plan, layer, source, {left, top, right, bottom},
              MapTargetOf(samples, QPoint(left, top)), overlay);
    // Device pixel for device pixel onto the destination.
    samples.setDevicePixelRatio(ratio);
    gdi::StretchBlt(p, dest, samples, samples.rect());
}

QImage MapPicture(const CSurveyMap& map) {
    if (!map.Plan().IsWhole()) return {};
    const VpRect world{0, 0, map.Width(), map.Height()};
    return RenderMapImage(map.Plan(), map.Layer(), world, QSize(map.Width(), map.Height()));
}
