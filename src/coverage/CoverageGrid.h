#pragma once
// The coverage map's layer (CoverageLayer.h) at the view's resolution: one
// cell per block of block x block client pixels (not per plan pixel: plans
// reach 10,000 x 7,000), each holding the value of the survey points within
// the radius R of the cell's centre, or nothing when no point is that close.
//
// Interpolated layers take the inverse-distance-weighted (power 2) mean.
// Each point adds its weight 1/d^2 and weight x value into the cells within
// R of it and touches no other cell, so a new or deleted point costs only
// its own disc. The sums are whole numbers (the weight is 2^30 / d^2 cut to
// an integer, the value a fixed-point whole), so adding and taking back
// points in any order leaves exactly the sums a full computation gives; a
// cell whose centre lies exactly on a point takes the mean of the points
// there instead, so the map is exact at a measured place.
//
// The nearest-point layer (pass/fail) takes the value of the point nearest
// to the cell's centre; at equal distance the one applied first, and of
// points at the same place the lowest value (the worse verdict). It only
// takes points: a point that goes means building the grid anew.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "coverage/CoverageLayer.h"
#include "map/BandShare.h"
#include "map/DesktopViewport.h"
#include "map/MapViewport.h"

inline constexpr int32_t kDefaultCoverageRadius = 60;
inline constexpr int32_t kMinCoverageRadius = 1;
// Keeps the smallest weight (2^30 / R^2) at 64 or more.
inline constexpr int32_t kMaxCoverageRadius = 4096;
int32_t ClampCoverageRadius(int32_t radius);

// A span of the world in world units, to a fraction of a pixel: the
// desktop viewport's view starts anywhere between two world pixels.
struct WorldSpan {
    double left = 0, top = 0, right = 0, bottom = 0;
    WorldSpan() = default;
    WorldSpan(double l, double t, double r, double b) : left(l), top(t), right(r), bottom(b) {}
    WorldSpan(const VpRect& r) : WorldSpan(r.left, r.top, r.right, r.bottom) {}  // NOLINT
    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
    bool operator==(const WorldSpan&) const = default;
};

// What the map shows: the viewport's visible rectangle stretched over the
// client area (as the map painting does), the world that limits it, and the
// cell size in client pixels.
struct CoverageView {
    WorldSpan visible;  // may reach past the world's edges
    VpRect world;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    int32_t block = 1;

    static CoverageView Of(const CMapViewport& viewport, int32_t clientWidth, int32_t clientHeight,
                           int32_t block = 1);
    // The desktop viewport at `ratio` device pixels per logical pixel: the
    // client in device pixels, as the desktop map is painted.
    static CoverageView Of(const CDesktopViewport& viewport, double ratio, int32_t block = 1);
    // Something to compute: a world, a visible area and a client area.
    bool IsDrawable() const;
    bool operator==(const CoverageView&) const = default;
};

class CoverageGrid {
public:
    // Sets the geometry for `view` and `radius`, the layer, and empties
    // every cell.
    void Reset(const CoverageView& view, int32_t radius,
               const CoverageLayer& layer = CoverageLayer::Signal());
    // Adds (sign 1) or takes back (sign -1, interpolated layers only) the
    // point in the cells within the radius and remembers those cells for
    // Reband.
    void Apply(const PointValue& point, int sign);
    // Bands again every cell touched since the last call.
    void Reband();
    // Reband after a full computation: the points' cells, or the whole grid
    // when that is less work.
    void RebandAll();
    // Reset, every point of `points` applied in turn and RebandAll: the same
    // sums and bands, computed a strip of rows at a time. A strip's cells
    // stay in the processor's cache while its points are added and banded;
    // the whole grid (33 MB of sums at 1920 x 1080 cells) does not, and
    // adding point by point over it waits on memory at nearly every row of
    // every disc. The sums are not kept: a strip's are worked out again
    // from the points the first time Apply changes it (a new point touches
    // a few strips), so the build writes the bands alone to memory. With
    // `share` the strips are built on its two threads (each its own scratch;
    // a strip's cells are its own), to the same sums and bands.
    void Build(const CoverageView& view, int32_t radius, const CoverageLayer& layer,
               const std::vector<PointValue>& points, CBandShare* share = nullptr);

    int32_t Columns() const { return m_columns; }
    int32_t Rows() const { return m_rows; }
    int32_t Block() const { return m_view.block; }
    const CoverageLayer& Layer() const { return m_layer; }
    // kNoBand, or the layer's band of cell (col, row).
    int8_t Band(int32_t col, int32_t row) const { return m_bands[Index(col, row)]; }
    // Row by row, Columns() per row. Cell (c, r) covers client pixels
    // c*block .. (c+1)*block - 1 and r*block .. (r+1)*block - 1 (cut at the
    // client's edge).
    const std::vector<int8_t>& Bands() const { return m_bands; }
    // The cell's value in the layer's unit (dBm, Mbit/s ...), or nothing.
    std::optional<double> Value(int32_t col, int32_t row) const;
    // The world position of a cell's centre (the place its value is for).
    double CellX(int32_t col) const { return m_xs[col]; }
    double CellY(int32_t row) const { return m_ys[row]; }

private:
    // Sums of weights and of weight x value. Kept modulo 2^64, which is
    // exact as long as the true sums fit in 64 bits (a weight is below 2^34,
    // a value below 2^20 in size: a thousand points within a quarter pixel
    // of one cell's centre, any number farther off) and never undefined
    // beyond that.
    struct Sums {
        uint64_t w = 0;
        uint64_t wv = 0;
    };
    struct AtPoint {  // points exactly at a cell's centre
        int64_t count = 0;
        int64_t sum = 0;
    };
    struct Nearest {     // the nearest-point layer's cell
        double d2 = -1;  // squared distance of its point; < 0: none
        int32_t x = 0, y = 0, value = 0;
    };
    struct CellRange {
        int32_t col0 = 0, col1 = 0, row0 = 0, row1 = 0;  // half-open
    };

    size_t Index(int32_t col, int32_t row) const {
        return static_cast<size_t>(row) * static_cast<size_t>(m_columns) + static_cast<size_t>(col);
    }
    // Cells of a strip: 256 kB of sums.
    static constexpr int32_t kStripCells = 16384;

    // The geometry for `view`; the cells are left as they are.
    void Shape(const CoverageView& view, int32_t radius, const CoverageLayer& layer);
    // The cells a point's disc may reach, one more each side (the distance
    // test decides there), within the plan's part of the grid.
    CellRange Reach(const PointValue& p) const;
    // Adds or takes back the point in `cells`, a part of its reach, into
    // the sums of rows from `top` at `sums` (interpolated layers); with
    // `centres` the cells exactly on it count it in m_at. `dx2` is scratch.
    void ApplyRows(const PointValue& p, int sign, const CellRange& cells, Sums* sums, int32_t top,
                   bool centres, std::vector<double>& dx2);
    // The cells of `r` exactly on `p` count it in m_at, as ApplyRows does:
    // Build counts them all before its strips, which then only read m_at.
    void CountCentres(const PointValue& p, const CellRange& r);
    // Build's strip from row `top` with scratch `doer`.
    void BuildStrip(int32_t top, const std::vector<PointValue>& points, int doer);
    // Bands the cells of `r` from the sums of rows from `top` at `sums`.
    void RebandRange(const CellRange& r, const Sums* sums, int32_t top);
    // The kept sums of strip `s`, worked out from m_points when not yet.
    Sums* StripSums(int32_t s);
    void Take(size_t cell, double d2, const PointValue& p);
    // The cell's value in fixed-point units, or nothing.
    std::optional<double> FixedValue(size_t cell) const;
    static double Mean(const Sums& s);

    CoverageView m_view;
    CoverageLayer m_layer;
    double m_radius2 = 0;
    int32_t m_radius = 0;
    int32_t m_columns = 0;
    int32_t m_rows = 0;
    std::vector<double> m_xs, m_ys;  // world centres of columns and rows
    // Columns and rows whose centre lies on the plan (the rest are margins).
    int32_t m_col0 = 0, m_col1 = 0, m_row0 = 0, m_row1 = 0;
    // Interpolated layers: the points in the sums, and the sums of the
    // strips (m_stripRows rows each) Apply has changed since the last
    // Build or Reset; empty ones are worked out from the points.
    std::vector<PointValue> m_points;
    int32_t m_stripRows = 1;
    std::vector<std::vector<Sums>> m_strips;
    // A thread's scratch while Build works a strip: the strip's sums (empty
    // between strips) and ApplyRows'.
    struct Scratch {
        std::vector<Sums> sums;
        std::vector<double> dx2;
    };
    Scratch m_scratch[2];            // by doer (CBandShare)
    std::vector<Nearest> m_nearest;  // the nearest-point layer
    std::unordered_map<size_t, AtPoint> m_at;
    std::vector<int8_t> m_bands;
    std::vector<CellRange> m_touched;
    std::vector<CellRange> m_reach;  // scratch of Build
};
