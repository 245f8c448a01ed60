#pragma once
// CSurveyMap: the site map of the open survey. The plan as the file gives
// it, the circle layer painted over it, the circle log that ties circles to
// survey records, and the viewport through which the screen shows them.
// Scrolling and zooming come here with the handheld's scroll codes, one
// handler for both axes. No Qt.

#include <cstdint>

#include "map/CircleLayer.h"
#include "map/CircleLog.h"
#include "map/MapViewport.h"
#include "site/SiteFile.h"

// The two axes of the map: the horizontal scroll bar and the left and right
// keys move along kX, the vertical bar and the up and down keys along kY.
enum class MapAxis { kX, kY };

// Scroll codes of the handheld's scroll messages; "left" is "up" on kY.
enum ScrollCode {
    SB_LINELEFT = 0,
    SB_LINERIGHT = 1,
    SB_PAGELEFT = 2,
    SB_PAGERIGHT = 3,
    SB_THUMBTRACK = 5,
    SB_ENDSCROLL = 8  // moves nothing; the thumb goes back to the cursor
};

class CSurveyMap {
public:
    // What a line of scrolling (an arrow key, a bar's arrow) moves, in world units.
    static constexpr int32_t kScrollLine = 10;

    // The plan of a newly opened site with its circles; the viewport then
    // shows the whole plan with the cursor at its centre.
    void Adopt(MapBitmap&& plan, CCircleLayer&& layer, CCircleLog&& circles);
    // A plan is shown (after the first successful Open).
    bool HasMap() const { return m_plan.IsWhole() && m_viewport.HasWorld(); }
    int32_t Width() const { return m_plan.width; }
    int32_t Height() const { return m_plan.height; }

    void ZoomIn() { m_viewport.ZoomIn(); }
    void ZoomOut() { m_viewport.ZoomOut(); }
    // `code` along `axis`; `position` is the thumb's for SB_THUMBTRACK and
    // `page` the client's extent along the axis, in pixels, applied to world
    // units (a page is one screen only where one unit is one pixel).
    void Scroll(MapAxis axis, int code, int32_t position, int32_t page);
    // The cursor: the centre of the visible rectangle, in world units.
    int32_t Center(MapAxis axis) const;

    // The circle of a recorded point at (x, y) in the band of `strength`,
    // standing for its `records` survey records.
    void PaintPoint(int32_t x, int32_t y, int32_t strength, int32_t records);
    // Takes the circles of the `records` records deleted from list position
    // `first` off the map, leaving it as if they had never been there.
    void EraseRecords(int32_t first, int32_t records);

    CMapViewport& Viewport() { return m_viewport; }
    const CMapViewport& Viewport() const { return m_viewport; }
    const MapBitmap& Plan() const { return m_plan; }
    const CCircleLayer& Layer() const { return m_layer; }
    const CCircleLog& Circles() const { return m_circles; }

private:
    CMapViewport m_viewport;
    MapBitmap m_plan;      // the file's 8-bit bitmap as it was read
    CCircleLayer m_layer;  // the circles painted over it, in world pixels
    CCircleLog m_circles;  // the circles in painting order
};
