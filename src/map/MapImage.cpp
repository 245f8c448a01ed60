#include "map/MapImage.h"

#include "site/SiteFile.h"

namespace {

bool PlanIsWhole(const MapBitmap& bitmap) {
    if (bitmap.width <= 0 || bitmap.height <= 0) return false;
    const size_t needed = static_cast<size_t>(bitmap.stride) * static_cast<size_t>(bitmap.height);
    return bitmap.stride >= static_cast<uint32_t>(bitmap.width) && bitmap.bits.size() >= needed;
}

// Plan pixels of `area` (inside both) into the same pixels of `image`.
void CopyFromPlan(QImage& image, const MapBitmap& bitmap, const QRect& area) {
    QRgb table[256];
    for (int i = 0; i < 256; ++i) table[i] = 0xFF000000u | (bitmap.colorTable[i] & 0x00FFFFFFu);
    for (int32_t y = area.top(); y <= area.bottom(); ++y) {
        const int32_t row = bitmap.topDown ? y : bitmap.height - 1 - y;
        const uint8_t* src = bitmap.bits.data() + static_cast<size_t>(row) * bitmap.stride;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int32_t x = area.left(); x <= area.right(); ++x) dst[x] = table[src[x]];
    }
}

}  // namespace

QImage MapImageFromBitmap(const MapBitmap& bitmap) {
    if (!PlanIsWhole(bitmap)) return {};
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    CopyFromPlan(image, bitmap, image.rect());
    return image;
}

void RestoreFromPlan(QImage& map, const MapBitmap& plan, const QRect& area) {
    if (!PlanIsWhole(plan) || map.size() != QSize(plan.width, plan.height)) return;
    const QRect inside = area.intersected(map.rect());
    if (!inside.isEmpty()) CopyFromPlan(map, plan, inside);
}
