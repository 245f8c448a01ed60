#include "coverage/CoverageGrid.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "coverage/RssiBand.h"  // kNoBand

namespace {

constexpr double kWeightScale = 1073741824.0;  // 2^30
// Nearer than a quarter of a plan pixel (but not on the point) weighs as a
// quarter pixel: the weight stays below 2^34, so 2^34 x 128 x 2^21 points
// still fits in 64 bits.
constexpr double kNearest2 = 1.0 / 16.0;

int64_t WeightOf(double d2) { return static_cast<int64_t>(kWeightScale / std::max(d2, kNearest2)); }

// Centres of the cells along one axis, in world units: the visible span
// [lo, hi) stretched over `client` pixels in cells of `block` pixels.
std::vector<double> Centres(double lo, double hi, int32_t client, int32_t block) {
    const int32_t n = (client + block - 1) / block;
    std::vector<double> out(static_cast<size_t>(n));
    const double perPixel = (hi - lo) / client;
    for (int32_t i = 0; i < n; ++i) {
        const double mid =
            (static_cast<double>(i) * block + std::min((i + 1) * block, client)) / 2.0;
        out[static_cast<size_t>(i)] = lo + mid * perPixel;
    }
    return out;
}

// The cells [first, last) of `centres` from `from` on and before `to` (or up
// to and including `to`).
std::pair<int32_t, int32_t> Within(const std::vector<double>& centres, double from, double to,
                                   bool includeTo) {
    const auto first = std::lower_bound(centres.begin(), centres.end(), from);
    const auto last = includeTo ? std::upper_bound(first, centres.end(), to)
                                : std::lower_bound(first, centres.end(), to);
    return {static_cast<int32_t>(first - centres.begin()),
            static_cast<int32_t>(last - centres.begin())};
}

}  // namespace

int32_t ClampCoverageRadius(int32_t radius) {
    return std::clamp(radius, kMinCoverageRadius, kMaxCoverageRadius);
}

CoverageView CoverageView::Of(const CMapViewport& viewport, int32_t clientWidth,
                              int32_t clientHeight, int32_t block) {
    return {viewport.View(), viewport.World(), clientWidth, clientHeight, block};
}

CoverageView CoverageView::Of(const CDesktopViewport& viewport, double ratio, int32_t block) {
    const DesktopBlit blit = viewport.Blit(ratio);
    const int32_t w =
        std::max(1, static_cast<int32_t>(std::lround(viewport.ClientWidth() * ratio)));
    const int32_t h =
        std::max(1, static_cast<int32_t>(std::lround(viewport.ClientHeight() * ratio)));
    const VpRect world = viewport.HasWorld()
                             ? VpRect{0, 0, viewport.WorldWidth(), viewport.WorldHeight()}
                             : VpRect{};
    return {{blit.x.At(0), blit.y.At(0), blit.x.At(w), blit.y.At(h)}, world, w, h, block};
}

bool CoverageView::IsDrawable() const {
    return world.Width() > 0 && world.Height() > 0 && visible.Width() > 0 && visible.Height() > 0 &&
           clientWidth > 0 && clientHeight > 0 && block > 0;
}

void CoverageGrid::Shape(const CoverageView& view, int32_t radius, const CoverageLayer& layer) {
    m_view = view;
    m_layer = layer;
    m_radius = ClampCoverageRadius(radius);
    m_radius2 = static_cast<double>(m_radius) * m_radius;
    m_at.clear();
    m_touched.clear();
    if (!view.IsDrawable()) {
        m_columns = m_rows = 0;
        m_xs.clear();
        m_ys.clear();
        m_sums.clear();
        m_nearest.clear();
        m_bands.clear();
        m_col0 = m_col1 = m_row0 = m_row1 = 0;
        return;
    }
    m_xs = Centres(view.visible.left, view.visible.right, view.clientWidth, view.block);
    m_ys = Centres(view.visible.top, view.visible.bottom, view.clientHeight, view.block);
    m_columns = static_cast<int32_t>(m_xs.size());
    m_rows = static_cast<int32_t>(m_ys.size());
    // Cells over the white margins beside the plan stay empty.
    std::tie(m_col0, m_col1) = Within(m_xs, view.world.left, view.world.right, false);
    std::tie(m_row0, m_row1) = Within(m_ys, view.world.top, view.world.bottom, false);
}

void CoverageGrid::Reset(const CoverageView& view, int32_t radius, const CoverageLayer& layer) {
    Shape(view, radius, layer);
    const size_t cells = static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows);
    m_sums.clear();
    m_nearest.clear();
    if (cells == 0) return;
    if (layer.Nearest())
        m_nearest.assign(cells, Nearest{});
    else
        m_sums.assign(cells, Sums{});
    m_bands.assign(cells, kNoBand);
}

void CoverageGrid::Build(const CoverageView& view, int32_t radius, const CoverageLayer& layer,
                         const std::vector<PointValue>& points) {
    Shape(view, radius, layer);
    const size_t cells = static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows);
    // Sized, not filled: each strip is emptied just before its points come.
    if (layer.Nearest()) {
        m_sums.clear();
        m_nearest.resize(cells);
    } else {
        m_nearest.clear();
        m_sums.resize(cells);
    }
    m_bands.resize(cells);
    if (cells == 0) return;
    m_reach.clear();
    for (const PointValue& p : points) m_reach.push_back(Reach(p));
    const int32_t strip = std::max<int32_t>(1, kStripCells / m_columns);
    for (int32_t top = 0; top < m_rows; top += strip) {
        const int32_t bottom = std::min(m_rows, top + strip);
        const size_t from = Index(0, top), to = Index(0, bottom);
        if (layer.Nearest())
            std::fill(m_nearest.begin() + from, m_nearest.begin() + to, Nearest{});
        else
            std::fill(m_sums.begin() + from, m_sums.begin() + to, Sums{});
        std::fill(m_bands.begin() + from, m_bands.begin() + to, kNoBand);
        // In list order, so that each cell takes its points in the order
        // Apply would (the nearest-point layer keeps the first at a tie).
        CellRange banded{m_col1, m_col0, bottom, top};
        for (size_t i = 0; i < points.size(); ++i) {
            CellRange r = m_reach[i];
            r.row0 = std::max(r.row0, top);
            r.row1 = std::min(r.row1, bottom);
            if (r.row0 >= r.row1 || r.col0 >= r.col1) continue;
            ApplyRows(points[i], 1, r);
            banded = {std::min(banded.col0, r.col0), std::max(banded.col1, r.col1),
                      std::min(banded.row0, r.row0), std::max(banded.row1, r.row1)};
        }
        if (banded.col0 < banded.col1) RebandRange(banded);
    }
}

CoverageGrid::CellRange CoverageGrid::Reach(const PointValue& p) const {
    const double r = m_radius;
    auto [c0, c1] = Within(m_xs, p.x - r, p.x + r, true);
    auto [r0, r1] = Within(m_ys, p.y - r, p.y + r, true);
    // One more cell each side: at the very edge of the disc the distance test
    // below decides, exactly as it does everywhere else.
    return {std::max(c0 - 1, m_col0), std::min(c1 + 1, m_col1), std::max(r0 - 1, m_row0),
            std::min(r1 + 1, m_row1)};
}

void CoverageGrid::Apply(const PointValue& p, int sign) {
    if (m_columns == 0) return;
    const CellRange reach = Reach(p);
    if (reach.col0 >= reach.col1 || reach.row0 >= reach.row1) return;
    if (m_layer.Nearest() && sign < 0) return;
    ApplyRows(p, sign, reach);
    m_touched.push_back(reach);
}

void CoverageGrid::ApplyRows(const PointValue& p, int sign, const CellRange& cells) {
    const auto [c0, c1, r0, r1] = cells;
    m_dx2.resize(static_cast<size_t>(c1 - c0));
    for (int32_t c = c0; c < c1; ++c) {
        const double dx = m_xs[static_cast<size_t>(c)] - p.x;
        m_dx2[static_cast<size_t>(c - c0)] = dx * dx;
    }
    const bool nearest = m_layer.Nearest();
    const uint64_t v = static_cast<uint64_t>(static_cast<int64_t>(p.value));
    const auto atCentre = [&](int32_t col, int32_t row) {
        const size_t at = Index(col, row);
        AtPoint& a = m_at[at];
        a.count += sign;
        a.sum += sign * p.value;
        if (a.count == 0) m_at.erase(at);
    };
    for (int32_t row = r0; row < r1; ++row) {
        const double dy = m_ys[static_cast<size_t>(row)] - p.y;
        const double dy2 = dy * dy;
        if (dy2 > m_radius2) continue;
        // This row's chord of the disc, one cell wider each side; the
        // distance test decides at its ends.
        const double half = std::sqrt(m_radius2 - dy2);
        const auto first = m_xs.begin() + c0, last = m_xs.begin() + c1;
        const int32_t a = std::max(
            c0, static_cast<int32_t>(std::lower_bound(first, last, p.x - half) - m_xs.begin()) - 1);
        const int32_t b = std::min(
            c1, static_cast<int32_t>(std::upper_bound(first, last, p.x + half) - m_xs.begin()) + 1);
        if (nearest) {
            for (int32_t c = a; c < b; ++c) {
                const double d2 = m_dx2[static_cast<size_t>(c - c0)] + dy2;
                if (d2 <= m_radius2) Take(Index(c, row), d2, p);
            }
            continue;
        }
        Sums* line = &m_sums[Index(0, row)];
        for (int32_t c = a; c < b; ++c) {
            const double d2 = m_dx2[static_cast<size_t>(c - c0)] + dy2;
            if (d2 > m_radius2) continue;
            if (d2 == 0) {
                atCentre(c, row);
                continue;
            }
            const uint64_t w = static_cast<uint64_t>(sign * WeightOf(d2));
            line[c].w += w;
            line[c].wv += w * v;
        }
    }
}

void CoverageGrid::Take(size_t cell, double d2, const PointValue& p) {
    Nearest& n = m_nearest[cell];
    if (n.d2 < 0 || d2 < n.d2) {
        n = {d2, p.x, p.y, p.value};
    } else if (d2 == n.d2 && p.x == n.x && p.y == n.y) {
        n.value = std::min(n.value, p.value);
    }
}

double CoverageGrid::Mean(const Sums& s) {
    return static_cast<double>(static_cast<int64_t>(s.wv)) /
           static_cast<double>(static_cast<int64_t>(s.w));
}

std::optional<double> CoverageGrid::FixedValue(size_t i) const {
    if (!m_nearest.empty()) {
        const Nearest& n = m_nearest[i];
        if (n.d2 < 0) return std::nullopt;
        return n.value;
    }
    if (!m_at.empty()) {
        const auto it = m_at.find(i);
        if (it != m_at.end())
            return static_cast<double>(it->second.sum) / static_cast<double>(it->second.count);
    }
    const Sums& s = m_sums[i];
    if (s.w == 0) return std::nullopt;
    return Mean(s);
}

std::optional<double> CoverageGrid::Value(int32_t col, int32_t row) const {
    const std::optional<double> v = FixedValue(Index(col, row));
    if (!v) return std::nullopt;
    return *v / m_layer.Scale();
}

void CoverageGrid::RebandRange(const CellRange& r) {
    const double scale = m_layer.Scale();
    const bool signal = !m_layer.metric;
    const auto band = [&](double fixed) {
        // The signal's bands are the hot path of every repaint.
        return signal ? RssiBandOfValue(fixed) : m_layer.BandOf(fixed / scale);
    };
    for (int32_t row = r.row0; row < r.row1; ++row) {
        const size_t base = Index(0, row);
        for (int32_t c = r.col0; c < r.col1; ++c) {
            const size_t i = base + static_cast<size_t>(c);
            if (m_nearest.empty()) {
                const Sums& s = m_sums[i];
                m_bands[i] = s.w == 0 ? kNoBand : band(Mean(s));
            } else {
                const Nearest& n = m_nearest[i];
                m_bands[i] = n.d2 < 0 ? kNoBand : band(n.value);
            }
        }
    }
    // Few cells lie exactly on a point; they override what the sums say.
    for (const auto& [i, a] : m_at) {
        const int32_t row = static_cast<int32_t>(i / static_cast<size_t>(m_columns));
        const int32_t col = static_cast<int32_t>(i % static_cast<size_t>(m_columns));
        if (col >= r.col0 && col < r.col1 && row >= r.row0 && row < r.row1)
            m_bands[i] = band(static_cast<double>(a.sum) / static_cast<double>(a.count));
    }
}

void CoverageGrid::Reband() {
    for (const CellRange& r : m_touched) RebandRange(r);
    m_touched.clear();
}

void CoverageGrid::RebandAll() {
    // The cells no point reached are empty since Reset; band the points'
    // rectangles when they hold fewer cells than the plan's part of the grid.
    size_t touched = 0;
    for (const CellRange& r : m_touched)
        touched += static_cast<size_t>(r.col1 - r.col0) * static_cast<size_t>(r.row1 - r.row0);
    const size_t all = static_cast<size_t>(m_col1 - m_col0) * static_cast<size_t>(m_row1 - m_row0);
    if (touched < all) return Reband();
    m_touched.clear();
    RebandRange({m_col0, m_col1, m_row0, m_row1});
}
