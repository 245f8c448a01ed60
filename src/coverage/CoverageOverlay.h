#pragma once
// The coverage map as a coat of the map painting (IMapOverlay): each pixel
// whose grid cell holds a value is blended with the colour of its band (of
// the grid's layer),
// translucent, so the plan stays readable through it; cells without a value
// (farther than R from every point, or beside the plan) leave the plan as it
// is. The circles come on top (RenderMap paints them after the overlay).
// The window and the report paint with it. No Qt.
//
// The grid must have been computed for the target the map is painted into:
// its client area is the target's pixels from (0, 0), so cell (c, r) covers
// target pixels c*block .. (c+1)*block - 1 and r*block .. (r+1)*block - 1.

#include <cstdint>

#include "coverage/CoverageGrid.h"
#include "map/MapRender.h"

class CCoverageOverlay : public IMapOverlay {
public:
    // The band's share of a painted pixel, out of 256: the plan keeps the
    // rest, enough to read walls and labels through the darkest band.
    static constexpr uint32_t kOpacity = 112;

    explicit CCoverageOverlay(const CoverageGrid& grid) : m_grid(grid) {}
    void PaintRow(const MapRow& row) override;

    // 0xRRGGBB of a signal band: the colour of the circles and the legend.
    static uint32_t BandColour(int8_t band);
    // `colour` over `plan` at kOpacity (both 0x..RRGGBB; the result is opaque).
    static uint32_t Blend(uint32_t plan, uint32_t colour);

private:
    const CoverageGrid& m_grid;
};
