#pragma once
// The site map of the desktop layout as a picture, in three coats: the plan
// (nearest neighbour where it is enlarged, so its pixels stay crisp;
// averaged over each target pixel's area from a pyramid level with at least
// 1.5 of its pixels to a target pixel where it is reduced), then an optional overlay (the coverage
// map), then the point circles from the circle log at the target's resolution, never smaller than a
// legible radius. The margins beside the plan are white. No Qt.
//
// Circles come from the log rather than the circle layer: the layer holds
// them at 10 plan pixels, which at 1/16 is less than one screen pixel.

#include <cstdint>
#include <memory>
#include <vector>

#include "map/BandShare.h"
#include "map/CircleLog.h"
#include "map/DesktopViewport.h"
#include "map/GreyRow.h"
#include "map/MapRender.h"
#include "map/PlanPyramid.h"

class CDesktopMapRenderer {
public:
    // Paints `blit` (the target's whole map: plan, strips) into `target`,
    // touching only pixels inside both. The pyramid is taken when it was
    // built for this plan (else the plan alone is averaged, slower).
    // `minRadius` is the smallest circle radius in target pixels.
    void Render(const MapBitmap& plan, const CPlanPyramid& pyramid, const CCircleLog& circles,
                const DesktopBlit& blit, const MapTarget& target, IMapOverlay* overlay,
                double minRadius);
    // The same in two steps, pixel for pixel: the plan's coat alone (a
    // picture a painter keeps while the view stays), then the overlay and
    // the circles over a target holding that picture. With `share` the
    // plan's rows are rendered in bands on two threads.
    void RenderPlan(const MapBitmap& plan, const CPlanPyramid& pyramid, const DesktopBlit& blit,
                    const MapTarget& target, CBandShare* share = nullptr);
    // With `coat` (the plan's coat, of the target's size and place) each
    // row is copied from it just before the overlay paints it, while it is
    // in the cache; without, the target holds the coat already.
    void RenderCoats(const MapBitmap& plan, const CCircleLog& circles, const DesktopBlit& blit,
                     const MapTarget& target, IMapOverlay* overlay, double minRadius,
                     const MapTarget* coat = nullptr);
    // RenderPlan into a target that holds the plan's coat of `kept` (of the
    // same plan and target). After a pan (the same scale, the view moved by
    // whole pixels) the kept pixels that stay in sight are moved and only
    // the uncovered bands rendered, when every column and row moved takes
    // the same plan pixels with the same shares as before (else, and after
    // a zoom, everything is rendered): pixel for pixel what RenderPlan paints.
    // True when kept pixels were moved.
    bool RenderPlanMoved(const MapBitmap& plan, const CPlanPyramid& pyramid,
                         const DesktopBlit& kept, const DesktopBlit& blit, const MapTarget& target,
                         CBandShare* share = nullptr);

    // A circle's radius on the target: its 10 plan pixels, or `minRadius`.
    static double CircleRadius(const WorldAxis& axis, double minRadius);

private:
    // Along one axis, for each target pixel: the level pixels its area
    // covers (from `first`, `count` of them) and their shares out of 256.
    struct Taps {
        std::vector<int32_t> first, count, offset;
        std::vector<uint16_t> weight;
        int32_t widest = 0;
        // The same as `wide` taps for every pixel (shares of 0 padding
        // them), from `start`: a loop of fixed length, without branches.
        int32_t wide = 0;
        std::vector<int32_t> start;
        std::vector<uint16_t> padded;
    };
    // The strips and the plan (with the overlay row by row); the plan's
    // part of the target, empty when there is nothing more to paint.
    VpRect PaintPlan(const MapBitmap& plan, const CPlanPyramid& pyramid, const DesktopBlit& blit,
                     const MapTarget& target, IMapOverlay* overlay, CBandShare* share = nullptr);
    // The plan within `area`, a part of the plan's part of the target.
    void PaintPlanArea(const MapBitmap& plan, const CPlanPyramid& pyramid, const DesktopBlit& blit,
                       const VpRect& area, const MapTarget& target, IMapOverlay* overlay);
    // The pyramid level the plan is averaged from (nullptr: the plan).
    static const PlanLevel* LevelFor(const MapBitmap& plan, const CPlanPyramid& pyramid,
                                     const DesktopBlit& blit);
    // Whether target pixels [from, to) of `now` show what pixels from
    // `from + shift` of `kept` showed: the same plan pixels, the same shares.
    bool SameAlong(const WorldAxis& kept, const WorldAxis& now, int32_t factor, int32_t side,
                   int32_t from, int32_t to, int32_t shift);
    static void MakeTaps(const WorldAxis& axis, int32_t factor, int32_t side, int32_t from,
                         int32_t to, Taps& taps);
    void PaintPlanSharp(const MapBitmap& plan, const VpRect& area, const DesktopBlit& blit,
                        const MapTarget& target, IMapOverlay* overlay);
    void PaintPlanAveraged(const MapBitmap& plan, const PlanLevel* level, const uint32_t* palette,
                           const VpRect& area, const DesktopBlit& blit, const MapTarget& target,
                           IMapOverlay* overlay);
    static void PaintCircles(const CCircleLog& circles, const VpRect& area, const DesktopBlit& blit,
                             const MapTarget& target, double minRadius);

    std::vector<int32_t> m_worldX;
    Taps m_tapsX, m_tapsY, m_keptTaps;
    std::vector<uint16_t> m_rows;                   // level rows averaged along x, a few kept
    std::vector<int32_t> m_rowOf;                   // which level row each kept row is
    GreyTaps m_greyTaps;                            // m_tapsX for a grey palette
    std::vector<uint16_t> m_greyRow;                // a level row's greys, where taps reach
    std::unique_ptr<CDesktopMapRenderer> m_helper;  // the scratch of a band share's worker
};
