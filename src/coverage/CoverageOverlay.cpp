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

void CCoverageOverlay::PaintRow(const MapRow& row) {
    const int32_t block = m_grid.Block();
    if (m_grid.Columns() == 0 || block <= 0 || row.y < 0) return;
    const int32_t cellRow = row.y / block;
    if (cellRow >= m_grid.Rows()) return;
    uint32_t colours[16];
    const CoverageLayer& layer = m_grid.Layer();
    for (int8_t b = 0; b < layer.BandCount() && b < 16; ++b) colours[b] = layer.Colour(b);
    const int8_t* bands = m_grid.Bands().data() +
                          static_cast<size_t>(cellRow) * static_cast<size_t>(m_grid.Columns());
    // Only target columns the grid has cells for.
    const int32_t first = std::max(0, -row.x);
    const int32_t last = std::min(row.count, m_grid.Columns() * block - row.x);
    for (int32_t i = first; i < last; ++i) {
        const int32_t col = (row.x + i) / block;
        if (col >= m_grid.Columns()) break;
        const int8_t band = bands[col];
        if (band != kNoBand) row.pixels[i] = Blend(row.pixels[i], colours[band]);
    }
}
