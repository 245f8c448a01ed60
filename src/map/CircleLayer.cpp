#include "map/CircleLayer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kTileBytes = size_t{CCircleLayer::kTileSide} * CCircleLayer::kTileSide;
constexpr size_t kChunkBytes = size_t{2} << 20;  // a huge page

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
    m_chunks.clear();
    m_spare.clear();
    m_spare.shrink_to_fit();
    // A small world's tiles all fit in one chunk of their own size.
    m_chunkTiles = std::min(kChunkBytes / kTileBytes, std::max<size_t>(m_tiles.size(), 1));
    m_chunkUsed = m_chunkTiles;
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

void CCircleLayer::FreeChunk::operator()(uint8_t* p) const { std::free(p); }

uint8_t*& CCircleLayer::Slot(int32_t tx, int32_t ty) {
    return m_tiles[static_cast<size_t>(ty) * static_cast<size_t>(m_columns) +
                   static_cast<size_t>(tx)];
}

uint8_t* CCircleLayer::TileToPaint(int32_t tx, int32_t ty) {
    uint8_t*& tile = Slot(tx, ty);
    if (!tile) {
        if (!m_spare.empty()) {
            tile = m_spare.back();
            m_spare.pop_back();
        } else {
            if (m_chunkUsed == m_chunkTiles) {
                const size_t bytes = m_chunkTiles * kTileBytes;
                void* p = bytes == kChunkBytes ? std::aligned_alloc(kChunkBytes, bytes)
                                               : std::malloc(bytes);
                if (p == nullptr) throw std::bad_alloc();
                // Advice only: where huge pages are not to be had, 4 kB pages serve.
                if (bytes == kChunkBytes) ::madvise(p, bytes, MADV_HUGEPAGE);
                m_chunks.emplace_back(static_cast<uint8_t*>(p));
                m_chunkUsed = 0;
            }
            tile = m_chunks.back().get() + m_chunkUsed++ * kTileBytes;
        }
        std::memset(tile, 0, kTileBytes);  // nothing painted
        ++m_rowTiles[static_cast<size_t>(ty)];
        ++m_tileCount;
    }
    return tile;
}

void CCircleLayer::ReturnUnusedTail() {
    if (m_chunks.empty() || m_chunkTiles * kTileBytes != kChunkBytes) return;
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto chunk = reinterpret_cast<uintptr_t>(m_chunks.back().get());
    const uintptr_t from = (chunk + m_chunkUsed * kTileBytes + page - 1) / page * page;
    // Every tile is cleared when it is handed out, so the pages that come
    // back zeroed serve as they are.
    if (from < chunk + kChunkBytes)
        ::madvise(reinterpret_cast<void*>(from), chunk + kChunkBytes - from, MADV_DONTNEED);
}

void CCircleLayer::FreeTile(int32_t tx, int32_t ty) {
    uint8_t*& tile = Slot(tx, ty);
    m_spare.push_back(tile);
    tile = nullptr;
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
    // A pixel is painted where (dx / a)^2 + (dy / b)^2 <= 1 for its centre,
    // in the very operations the first rasteriser used. dx is a multiple of
    // 0.5 (the box's centre is), so dx * dx is exact and each term grows
    // with |dx|: a row's painted pixels are one run, mirrored about the
    // centre, and so are its brush pixels. Only the run's ends are sought.
    const int32_t twiceCx = box.left + box.right;  // mirror of x: twiceCx - 1 - x
    const int32_t middle = twiceCx >> 1;           // a column nearest the centre
    const auto lastInside = [&](double radius, double rowTerm) {
        // The last column right of the centre with dx^2 / radius^2 + rowTerm <= 1.
        const auto inside = [&](int32_t x) {
            const double dx = x + 0.5 - cx;
            return (dx * dx) / (radius * radius) + rowTerm <= 1.0;
        };
        if (!inside(middle)) return middle - 1;
        const double reach = radius * std::sqrt(std::max(0.0, 1.0 - rowTerm));
        int32_t x = std::max(middle, static_cast<int32_t>(std::floor(cx - 0.5 + reach)));
        while (x > middle && !inside(x)) --x;
        while (inside(x + 1)) ++x;
        return x;
    };
    const auto fill = [&](int32_t y, int32_t x0, int32_t x1, uint8_t ink) {  // x0 .. x1 - 1
        x0 = std::max(x0, area.left);
        x1 = std::min(x1, area.right);
        if (x0 < x1) FillRun(y, x0, x1, ink);
    };
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const double dy = y + 0.5 - cy;
        const int32_t right = lastInside(a, (dy * dy) / (b * b));
        if (right < middle) continue;
        const int32_t left = twiceCx - 1 - right;
        const int32_t innerRight =
            hasInner ? std::min(right, lastInside(ia, (dy * dy) / (ib * ib))) : middle - 1;
        if (innerRight < middle) {
            fill(y, left, right + 1, pen);
            continue;
        }
        const int32_t innerLeft = twiceCx - 1 - innerRight;
        fill(y, left, innerLeft, pen);
        fill(y, innerLeft, innerRight + 1, brush);
        fill(y, innerRight + 1, right + 1, pen);
    }
}

void CCircleLayer::FillRun(int32_t y, int32_t x0, int32_t x1, uint8_t ink) {
    const int32_t ty = y >> kTileShift;
    const int32_t row = (y & kTileMask) * kTileSide;
    while (x0 < x1) {
        const int32_t tx = x0 >> kTileShift;
        const int32_t end = std::min(x1, (tx + 1) << kTileShift);
        std::memset(TileToPaint(tx, ty) + row + (x0 & kTileMask), ink,
                    static_cast<size_t>(end - x0));
        x0 = end;
    }
}

void CCircleLayer::Clear(const VpRect& area) {
    const VpRect cut = Intersect(area, {0, 0, m_width, m_height});
    if (cut.left >= cut.right || cut.top >= cut.bottom) return;
    for (int32_t ty = cut.top >> kTileShift; ty <= (cut.bottom - 1) >> kTileShift; ++ty) {
        for (int32_t tx = cut.left >> kTileShift; tx <= (cut.right - 1) >> kTileShift; ++tx) {
            uint8_t* tile = Slot(tx, ty);
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
