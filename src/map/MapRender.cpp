#include "map/MapRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

StretchAxis StretchAlong(int32_t sourceBegin, int32_t sourceEnd, int32_t targetBegin,
                         int32_t targetEnd, int32_t clipBegin, int32_t clipEnd,
                         int32_t sourceLimit) {
    StretchAxis axis;
    if (sourceEnd <= sourceBegin || targetEnd <= targetBegin) return axis;
    // The raster engine's arithmetic (qt_scale_image_32bit), step by step,
    // in its types: the scale in double, the step cut to 16.16, the first
    // sample at the centre of the first pixel drawn, rounded up less one.
    const double scale =
        static_cast<double>(sourceEnd - sourceBegin) / static_cast<double>(targetEnd - targetBegin);
    axis.step = static_cast<int32_t>(0x00010000 * scale);
    axis.first = std::max(targetBegin, clipBegin);
    const int32_t last = std::min(targetEnd, clipEnd);  // excluded
    if (last <= axis.first) return axis;
    axis.count = last - axis.first;
    const int32_t offset =
        static_cast<int32_t>(std::ceil((axis.first + 0.5 - targetBegin) * scale * 65536)) - 1;
    axis.start = static_cast<uint32_t>(sourceBegin * 65536.0) + static_cast<uint32_t>(offset);
    // Its guard against rounding past the image: the last pixel stays as it
    // was. Within the image, as here, it never fires.
    const uint32_t end =
        axis.start + static_cast<uint32_t>(axis.step) * static_cast<uint32_t>(axis.count - 1);
    if (static_cast<int32_t>(end >> 16) >= sourceLimit) --axis.count;
    return axis;
}

namespace {

bool Inside(const VpRect& r, int32_t width, int32_t height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height &&
           r.left < r.right && r.top < r.bottom;
}

// The layer's painted pixels of one row over `row`.
void PaintLayerRow(const CCircleLayer& layer, int32_t worldY, const int32_t* worldX, int32_t count,
                   uint32_t* row) {
    const int32_t ty = worldY >> CCircleLayer::kTileShift;
    if (layer.TileRowEmpty(ty)) return;
    const int32_t inRow = (worldY & CCircleLayer::kTileMask) * CCircleLayer::kTileSide;
    int32_t tileX = -1;
    const uint8_t* tile = nullptr;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t tx = worldX[i] >> CCircleLayer::kTileShift;
        if (tx != tileX) {
            tileX = tx;
            tile = layer.Tile(tx, ty);
        }
        if (tile == nullptr) continue;
        const uint8_t ink = tile[inRow + (worldX[i] & CCircleLayer::kTileMask)];
        if (ink != 0) row[i] = layer.InkColour(ink);
    }
}

}  // namespace

void RenderMap(const MapBitmap& plan, const CCircleLayer& layer, const VpRect& source,
               const VpRect& dest, const MapTarget& target, IMapOverlay* overlay) {
    if (!plan.IsWhole() || !Inside(source, plan.width, plan.height) || target.pixels == nullptr)
        return;
    // Drawn where the destination meets the buffer, which is what the
    // raster engine clips an image's painting to.
    const StretchAxis ax = StretchAlong(source.left, source.right, dest.left, dest.right,
                                        target.originX, target.originX + target.width, plan.width);
    const StretchAxis ay =
        StretchAlong(source.top, source.bottom, dest.top, dest.bottom, target.originY,
                     target.originY + target.height, plan.height);
    if (ax.count <= 0 || ay.count <= 0) return;

    std::vector<int32_t> worldX(static_cast<size_t>(ax.count));
    for (int32_t i = 0; i < ax.count; ++i) worldX[static_cast<size_t>(i)] = ax.Source(i);
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = 0xFF000000u | (plan.colorTable[i] & 0x00FFFFFFu);
    const bool withLayer = layer.Width() == plan.width && layer.Height() == plan.height;

    const uint32_t* previous = nullptr;
    int32_t previousY = -1;
    for (int32_t j = 0; j < ay.count; ++j) {
        const int32_t y = ay.first + j;
        const int32_t worldY = ay.Source(j);
        uint32_t* row = target.pixels + static_cast<size_t>(y - target.originY) * target.stride +
                        static_cast<size_t>(ax.first - target.originX);
        // Zoomed in, neighbouring rows show the same world row.
        if (worldY == previousY && overlay == nullptr) {
            std::memcpy(row, previous, static_cast<size_t>(ax.count) * sizeof *row);
            continue;
        }
        const uint8_t* indices = plan.Row(worldY);
        for (int32_t i = 0; i < ax.count; ++i)
            row[i] = palette[indices[worldX[static_cast<size_t>(i)]]];
        if (overlay != nullptr)
            overlay->PaintRow({y, ax.first, ax.count, row, worldY, worldX.data()});
        if (withLayer) PaintLayerRow(layer, worldY, worldX.data(), ax.count, row);
        previous = row;
        previousY = worldY;
    }
}
