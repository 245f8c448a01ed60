#include "map/MapImage.h"

#include "site/SiteFile.h"

QImage MapImageFromBitmap(const MapBitmap& bitmap) {
    if (bitmap.width <= 0 || bitmap.height <= 0) return {};
    const size_t needed = static_cast<size_t>(bitmap.stride) * static_cast<size_t>(bitmap.height);
    if (bitmap.stride < static_cast<uint32_t>(bitmap.width) || bitmap.bits.size() < needed)
        return {};
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    QRgb table[256];
    for (int i = 0; i < 256; ++i) table[i] = 0xFF000000u | (bitmap.colorTable[i] & 0x00FFFFFFu);
    for (int32_t y = 0; y < bitmap.height; ++y) {
        const int32_t row = bitmap.topDown ? y : bitmap.height - 1 - y;
        const uint8_t* src = bitmap.bits.data() + static_cast<size_t>(row) * bitmap.stride;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int32_t x = 0; x < bitmap.width; ++x) dst[x] = table[src[x]];
    }
    return image;
}
