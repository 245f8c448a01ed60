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
// From this size on a table shares the first chunk (a plan of about
// 2,000 x 2,000 pixels and more); a smaller one is not worth a chunk.
constexpr size_t kTableInChunkFrom = size_t{32} << 10;

int32_t TilesFor(int32_t side) {
    return (side + CCircleLayer::kTileMask) >> CCircleLayer::kTileShift;
}

VpRect Intersect(const VpRect& a, const VpRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

}  // namespace

void CCircleLayer::Reset(int32_t width, int32_t height) {
    // An empty world until the new table is in place (a failed Reset
    // leaves one).
    m_width = m_height = m_columns = m_rows = 0;
    const int32_t columns = TilesFor(std::clamp(width, 0, CMapViewport::kMaxWorldSide));
    const int32_t rows = TilesFor(std::clamp(height, 0, CMapViewport::kMaxWorldSide));
    const size_t slots = static_cast<size_t>(columns) * static_cast<size_t>(rows);
    m_tiles.at = nullptr;
    m_ownTable.clear();
    m_ownTable.shrink_to_fit();
    m_chunks.clear();
    m_spare.clear();
    m_spare.shrink_to_fit();
    const size_t tableBytes = slots * sizeof(uint8_t*);
    if (tableBytes >= kTableInChunkFrom && tableBytes <= kChunkBytes / 2) {
        m_chunkTiles = kChunkBytes / kTileBytes;
        uint8_t* chunk = NewChunk(kChunkBytes);
        std::memset(chunk, 0, tableBytes);
        m_tiles.at = reinterpret_cast<uint8_t**>(chunk);
        m_chunkUsed = (tableBytes + kTileBytes - 1) / kTileBytes;  // the tiles the table covers
    } else {
        m_ownTable.resize(slots);
        m_tiles.at = m_ownTable.data();
        // A small world's tiles all fit in one chunk of their own size.
        m_chunkTiles = std::min(kChunkBytes / kTileBytes, std::max<size_t>(slots, 1));
        m_chunkUsed = m_chunkTiles;
    }
    m_rowTiles.assign(static_cast<size_t>(rows), 0);
    m_width = std::clamp(width, 0, CMapViewport::kMaxWorldSide);
    m_height = std::clamp(height, 0, CMapViewport::kMaxWorldSide);
    m_columns = columns;
    m_rows = rows;
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
    return m_tiles
        .at[static_cast<size_t>(ty) * static_cast<size_t>(m_columns) + static_cast<size_t>(tx)];
}

uint8_t* CCircleLayer::TileToPaint(int32_t tx, int32_t ty) {
    uint8_t*& tile = Slot(tx, ty);
    if (!tile) {
        if (!m_spare.empty()) {
            tile = m_spare.back();
            m_spare.pop_back();
        } else {
            if (m_chunkUsed == m_chunkTiles) {
                NewChunk(m_chunkTiles * kTileBytes);
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

uint8_t* CCircleLayer::NewChunk(size_t bytes) {
    void* p = bytes == kChunkBytes ? std::aligned_alloc(kChunkBytes, bytes) : std::malloc(bytes);
    if (p == nullptr) throw std::bad_alloc();
    // Advice only: where huge pages are not to be had, 4 kB pages serve.
    if (bytes == kChunkBytes) ::madvise(p, bytes, MADV_HUGEPAGE);
    return m_chunks.emplace_back(static_cast<uint8_t*>(p)).get();
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

// The arithmetic is that of the first rasteriser, which painted into a
// 32-bit image of the whole map, so every pixel comes out the same. It is
// worked out for a box at the origin: every value below is a multiple of
// 0.5 before it is squared, so moving the box changes none of them.
const std::vector<CCircleLayer::EllipseRow>& CCircleLayer::RowsOf(int32_t width, int32_t height,
                                                                  int32_t penWidth) {
    for (const EllipseShape& shape : m_shapes)
        if (shape.width == width && shape.height == height && shape.penWidth == penWidth)
            return shape.rows;
    constexpr size_t kShapesKept = 8;  // circles use two; anything else is rare
    if (m_shapes.size() == kShapesKept) m_shapes.erase(m_shapes.begin());
    EllipseShape& shape = m_shapes.emplace_back(EllipseShape{width, height, penWidth, {}});
    const double a = width / 2.0;
    const double b = height / 2.0;
    const double ia = a - penWidth;
    const double ib = b - penWidth;
    const bool hasInner = ia > 0 && ib > 0;
    // A pixel is painted where (dx / a)^2 + (dy / b)^2 <= 1 for its centre.
    // dx * dx is exact and each term grows with |dx|: a row's painted
    // pixels are one run, mirrored about the centre, and so are its brush
    // pixels. Only the run's ends are sought.
    const int32_t middle = width >> 1;  // a column nearest the centre; x mirrors to width - 1 - x
    const auto lastInside = [&](double radius, double rowTerm) {
        // The last column right of the centre with dx^2 / radius^2 + rowTerm <= 1.
        const auto inside = [&](int32_t x) {
            const double dx = x + 0.5 - a;
            return (dx * dx) / (radius * radius) + rowTerm <= 1.0;
        };
        if (!inside(middle)) return middle - 1;
        const double reach = radius * std::sqrt(std::max(0.0, 1.0 - rowTerm));
        int32_t x = std::max(middle, static_cast<int32_t>(std::floor(a - 0.5 + reach)));
        while (x > middle && !inside(x)) --x;
        while (inside(x + 1)) ++x;
        return x;
    };
    shape.rows.resize(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        const double dy = y + 0.5 - b;
        const int32_t right = lastInside(a, (dy * dy) / (b * b));
        EllipseRow& row = shape.rows[static_cast<size_t>(y)];
        if (right < middle) {
            row = {0, 0, 0, 0};
            continue;
        }
        const int32_t innerRight =
            hasInner ? std::min(right, lastInside(ia, (dy * dy) / (ib * ib))) : middle - 1;
        const int32_t left = width - 1 - right, end = right + 1;
        if (innerRight < middle)
            row = {left, end, end, end};
        else
            row = {left, width - 1 - innerRight, innerRight + 1, end};
    }
    return shape.rows;
}

void CCircleLayer::PaintEllipse(const VpRect& box, int32_t penWidth, uint32_t penRgb,
                                uint32_t brushRgb, const VpRect& clip) {
    if (box.Width() <= 0 || box.Height() <= 0) return;
    const VpRect area = Intersect(Intersect(box, clip), {0, 0, m_width, m_height});
    if (area.left >= area.right || area.top >= area.bottom) return;
    const uint8_t pen = InkOf(penRgb);
    const uint8_t brush = InkOf(brushRgb);
    const std::vector<EllipseRow>& rows = RowsOf(box.Width(), box.Height(), penWidth);
    const auto fill = [&](int32_t y, int32_t x0, int32_t x1,
                          uint8_t ink) {  // box columns x0 .. x1 - 1
        x0 = std::max(box.left + x0, area.left);
        x1 = std::min(box.left + x1, area.right);
        if (x0 < x1) FillRun(y, x0, x1, ink);
    };
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const EllipseRow& row = rows[static_cast<size_t>(y - box.top)];
        fill(y, row.left, row.brushLeft, pen);
        fill(y, row.brushLeft, row.brushEnd, brush);
        fill(y, row.brushEnd, row.end, pen);
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
