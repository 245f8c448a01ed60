#include "coverage/CoverageOverlay.h"

#include <algorithm>

#include "coverage/RssiBand.h"

uint32_t CCoverageOverlay::BandColour(int8_t band) { return CoverageLayer::Signal().Colour(band); }

uint32_t CCoverageOverlay::Blend(uint32_t plan, uint32_t colour) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t p = (plan >> shift) & 0xFFu;
        const uint32_t c = (colour >> shift) & 0xFFu;
        out |= ((p * (256 - kOpacity) + c * kOpacity) >> 8) << shift;
    }
    return out;
}

namespace {

// Blend with kOpacity in two lanes (red and blue together, green alone),
// each channel's (plan x (256 - a) + colour x a) >> 8 as Blend computes it:
// no lane's sum reaches the next lane's bits.
struct LaneColour {
    uint32_t redBlue = 0, green = 0;  // the colour's lanes times kOpacity
};
inline uint32_t BlendLanes(uint32_t plan, const LaneColour& c) {
    constexpr uint32_t keep = 256 - CCoverageOverlay::kOpacity;
    const uint32_t rb = (((plan & 0xFF00FFu) * keep + c.redBlue) >> 8) & 0xFF00FFu;
    const uint32_t g = (((plan & 0x00FF00u) * keep + c.green) >> 8) & 0x00FF00u;
    return 0xFF000000u | rb | g;
}

}  // namespace

void CCoverageOverlay::PaintRow(const MapRow& row) {
    const int32_t block = m_grid.Block();
    if (m_grid.Columns() == 0 || block <= 0 || row.y < 0) return;
    const int32_t cellRow = row.y / block;
    if (cellRow >= m_grid.Rows()) return;
    LaneColour colours[16];
    const CoverageLayer& layer = m_grid.Layer();
    for (int8_t b = 0; b < layer.BandCount() && b < 16; ++b) {
        const uint32_t c = layer.Colour(b);
        colours[b] = {(c & 0xFF00FFu) * kOpacity, (c & 0x00FF00u) * kOpacity};
    }
    const int8_t* bands = m_grid.Bands().data() +
                          static_cast<size_t>(cellRow) * static_cast<size_t>(m_grid.Columns());
    // Only target columns the grid has cells for. Bands lie in wide runs of
    // cells: the run is found cell by cell, then its pixels are blended in
    // one loop the compiler vectorises (a loop per cell, with a division
    // for its column, cost more than the blending itself).
    const int32_t first = std::max(0, -row.x);
    const int32_t last = std::min(row.count, m_grid.Columns() * block - row.x);
    if (first >= last) return;
    const int32_t lastCol = (row.x + last - 1) / block + 1;
    for (int32_t col = (row.x + first) / block; col < lastCol;) {
        const int8_t band = bands[col];
        int32_t next = col + 1;
        while (next < lastCol && bands[next] == band) ++next;
        if (band != kNoBand) {
            const LaneColour c = colours[band];
            uint32_t* pixels = row.pixels;
            const int32_t end = std::min(last, next * block - row.x);
            for (int32_t k = std::max(first, col * block - row.x); k < end; ++k)
                pixels[k] = BlendLanes(pixels[k], c);
        }
        col = next;
    }
}
