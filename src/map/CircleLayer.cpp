#include "map/CircleLayer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kTileBytes = size_t{CCircleLayer::kTileSide} * CCircleLayer::kTileSide;

int32_t TilesFor(int32_t side) {
    return (side + CCircleLayer::kTileMask) >> CCircleLayer::kTileShift;
}

VpRect Intersect(const VpRect& a, const VpRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

}  // namespace

void CCircleLayer::Reset(int32_t width, int32_t height) {
    m_width = std::clamp(width, 0, CMapViewport::kMaxWorldSide);
    m_height = std::clamp(height, 0, CMapViewport::kMaxWorldSide);
    m_columns = TilesFor(m_width);
    m_rows = TilesFor(m_height);
    m_tiles.clear();
    m_tiles.shrink_to_fit();
    m_tiles.resize(static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows));
    m_rowTiles.assign(static_cast<size_t>(m_rows), 0);
    m_tileCount = 0;
    m_inks = 0;
}

uint8_t CCircleLayer::InkOf(uint32_t rgb) {
    const uint32_t colour = 0xFF000000u | (rgb & 0x00FFFFFFu);
    for (int32_t ink = 1; ink <= m_inks; ++ink)
        if (m_inkColours[ink] == colour) return static_cast<uint8_t>(ink);
    // Six colours are ever used; a 256th distinct one would share the last.
    if (m_inks < 255) ++m_inks;
    m_inkColours[m_inks] = colour;
    return static_cast<uint8_t>(m_inks);
}

std::unique_ptr<uint8_t[]>& CCircleLayer::Slot(int32_t tx, int32_t ty) {
    return m_tiles[static_cast<size_t>(ty) * static_cast<size_t>(m_columns) +
                   static_cast<size_t>(tx)];
}

uint8_t* CCircleLayer::TileToPaint(int32_t tx, int32_t ty) {
    std::unique_ptr<uint8_t[]>& tile = Slot(tx, ty);
    if (!tile) {
        tile = std::make_unique<uint8_t[]>(kTileBytes);  // zeroed: nothing painted
        ++m_rowTiles[static_cast<size_t>(ty)];
        ++m_tileCount;
    }
    return tile.get();
}

void CCircleLayer::FreeTile(int32_t tx, int32_t ty) {
    Slot(tx, ty).reset();
    --m_rowTiles[static_cast<size_t>(ty)];
    --m_tileCount;
}

void CCircleLayer::PaintEllipse(const VpRect& box, int32_t penWidth, uint32_t penRgb,
                                uint32_t brushRgb, const VpRect& clip) {
    // The arithmetic is that of the first rasteriser, which painted into a
    // 32-bit image of the whole map, so every pixel comes out the same.
    const double a = box.Width() / 2.0;
    const double b = box.Height() / 2.0;
    if (a <= 0 || b <= 0) return;
    const double cx = box.left + a;
    const double cy = box.top + b;
    const double ia = a - penWidth;
    const double ib = b - penWidth;
    const VpRect area = Intersect(Intersect(box, clip), {0, 0, m_width, m_height});
    if (area.left >= area.right || area.top >= area.bottom) return;
    const uint8_t pen = InkOf(penRgb);
    const uint8_t brush = InkOf(brushRgb);
    const bool hasInner = ia > 0 && ib > 0;
    // The terms of each column, worked out once a circle and not once a
    // pixel: the same operations on the same values, so the same pixels,
    // without two divisions per pixel (Open paints thousands of circles).
    constexpr int32_t kMaxColumns = 64;
    double outerX[kMaxColumns], innerX[kMaxColumns];
    const bool cached = area.right - area.left <= kMaxColumns;
    const auto termsOf = [&](int32_t x, double& outer, double& inner) {
        const double dx = x + 0.5 - cx;
        outer = (dx * dx) / (a * a);
        inner = hasInner ? (dx * dx) / (ia * ia) : 0.0;
    };
    if (cached)
        for (int32_t x = area.left; x < area.right; ++x)
            termsOf(x, outerX[x - area.left], innerX[x - area.left]);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const double dy = y + 0.5 - cy;
        const double outerY = (dy * dy) / (b * b);
        const double innerY = hasInner ? (dy * dy) / (ib * ib) : 0.0;
        for (int32_t x = area.left; x < area.right; ++x) {
            double ox = 0, ix = 0;
            if (cached) {
                ox = outerX[x - area.left];
                ix = innerX[x - area.left];
            } else {
                termsOf(x, ox, ix);
            }
            if (ox + outerY > 1.0) continue;
            const bool inner = hasInner && ix + innerY <= 1.0;
            uint8_t* tile = TileToPaint(x >> kTileShift, y >> kTileShift);
            tile[(y & kTileMask) * kTileSide + (x & kTileMask)] = inner ? brush : pen;
        }
    }
}

void CCircleLayer::Clear(const VpRect& area) {
    const VpRect cut = Intersect(area, {0, 0, m_width, m_height});
    if (cut.left >= cut.right || cut.top >= cut.bottom) return;
    for (int32_t ty = cut.top >> kTileShift; ty <= (cut.bottom - 1) >> kTileShift; ++ty) {
        for (int32_t tx = cut.left >> kTileShift; tx <= (cut.right - 1) >> kTileShift; ++tx) {
            uint8_t* tile = Slot(tx, ty).get();
            if (tile == nullptr) continue;
            const int32_t x0 = tx << kTileShift, y0 = ty << kTileShift;
            const VpRect part = Intersect(cut, {x0, y0, x0 + kTileSide, y0 + kTileSide});
            for (int32_t y = part.top; y < part.bottom; ++y)
                std::memset(tile + (y - y0) * kTileSide + (part.left - x0), 0,
                            static_cast<size_t>(part.Width()));
            if (std::all_of(tile, tile + kTileBytes, [](uint8_t ink) { return ink == 0; }))
                FreeTile(tx, ty);
        }
    }
}

uint8_t CCircleLayer::InkAt(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const uint8_t* tile = Tile(x >> kTileShift, y >> kTileShift);
    return tile == nullptr ? 0 : tile[(y & kTileMask) * kTileSide + (x & kTileMask)];
}
