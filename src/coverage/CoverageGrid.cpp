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
    m_points.clear();
    for (std::vector<Sums>& strip : m_strips) strip.clear();  // their memory kept
    if (!view.IsDrawable()) {
        m_columns = m_rows = 0;
        m_xs.clear();
        m_ys.clear();
        m_strips.clear();
        m_nearest.clear();
        m_bands.clear();
        m_col0 = m_col1 = m_row0 = m_row1 = 0;
        return;
    }
    m_xs = Centres(view.visible.left, view.visible.right, view.clientWidth, view.block);
    m_ys = Centres(view.visible.top, view.visible.bottom, view.clientHeight, view.block);
    m_columns = static_cast<int32_t>(m_xs.size());
    m_rows = static_cast<int32_t>(m_ys.size());
    m_stripRows = std::max<int32_t>(1, kStripCells / m_columns);
    m_strips.resize(static_cast<size_t>((m_rows + m_stripRows - 1) / m_stripRows));
    // Cells over the white margins beside the plan stay empty.
    std::tie(m_col0, m_col1) = Within(m_xs, view.world.left, view.world.right, false);
    std::tie(m_row0, m_row1) = Within(m_ys, view.world.top, view.world.bottom, false);
}

void CoverageGrid::Reset(const CoverageView& view, int32_t radius, const CoverageLayer& layer) {
    Shape(view, radius, layer);
    const size_t cells = static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows);
    m_nearest.clear();
    if (cells == 0) return;
    if (layer.Nearest()) m_nearest.assign(cells, Nearest{});
    m_bands.assign(cells, kNoBand);
}

void CoverageGrid::Build(const CoverageView& view, int32_t radius, const CoverageLayer& layer,
                         const std::vector<PointValue>& points, CBandShare* share) {
    Shape(view, radius, layer);
    const size_t cells = static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows);
    // Sized, not filled: each strip is emptied just before its points come.
    if (layer.Nearest()) {
        m_nearest.resize(cells);
    } else {
        m_nearest.clear();
        m_points = points;
        // Empty, and left empty by every Build.
        for (Scratch& s : m_scratch)
            s.sums.resize(static_cast<size_t>(m_stripRows) * static_cast<size_t>(m_columns));
    }
    m_bands.resize(cells);
    if (cells == 0) return;
    m_reach.clear();
    for (const PointValue& p : points) m_reach.push_back(Reach(p));
    if (!layer.Nearest())
        for (size_t i = 0; i < points.size(); ++i) CountCentres(points[i], m_reach[i]);
    const int32_t strips = (m_rows + m_stripRows - 1) / m_stripRows;
    if (share == nullptr) {
        for (int32_t s = 0; s < strips; ++s) BuildStrip(s * m_stripRows, points, 0);
        return;
    }
    share->Run(strips, [&](int32_t s, int doer) { BuildStrip(s * m_stripRows, points, doer); });
}

void CoverageGrid::CountCentres(const PointValue& p, const CellRange& r) {
    // The cells whose d2 is 0 are those whose dx^2 and dy^2 are: a run of
    // columns about p.x and one of rows about p.y.
    const auto on = [](const std::vector<double>& centres, int32_t from, int32_t to, double at) {
        const auto lo = centres.begin() + from, hi = centres.begin() + to;
        int32_t a = static_cast<int32_t>(std::lower_bound(lo, hi, at) - centres.begin());
        int32_t b = a;
        const auto zero = [&](int32_t i) {
            const double d = centres[static_cast<size_t>(i)] - at;
            return d * d == 0;
        };
        while (a > from && zero(a - 1)) --a;
        while (b < to && zero(b)) ++b;
        return std::pair<int32_t, int32_t>{a, b};
    };
    if (r.col0 >= r.col1 || r.row0 >= r.row1) return;
    const auto [c0, c1] = on(m_xs, r.col0, r.col1, p.x);
    const auto [r0, r1] = on(m_ys, r.row0, r.row1, p.y);
    for (int32_t row = r0; row < r1; ++row)
        for (int32_t col = c0; col < c1; ++col) {
            AtPoint& a = m_at[Index(col, row)];
            a.count += 1;
            a.sum += p.value;
        }
}

void CoverageGrid::BuildStrip(int32_t top, const std::vector<PointValue>& points, int doer) {
    Scratch& scratch = m_scratch[doer];
    const bool nearest = m_layer.Nearest();
    const int32_t bottom = std::min(m_rows, top + m_stripRows);
    const size_t from = Index(0, top), to = Index(0, bottom);
    // (The scratch is empty: banding it empties it again.)
    if (nearest) std::fill(m_nearest.begin() + from, m_nearest.begin() + to, Nearest{});
    std::fill(m_bands.begin() + from, m_bands.begin() + to, kNoBand);
    // In list order, so that each cell takes its points in the order
    // Apply would (the nearest-point layer keeps the first at a tie). The
    // cells on a point are counted in m_at already.
    CellRange banded{m_col1, m_col0, bottom, top};
    for (size_t i = 0; i < points.size(); ++i) {
        CellRange r = m_reach[i];
        r.row0 = std::max(r.row0, top);
        r.row1 = std::min(r.row1, bottom);
        if (r.row0 >= r.row1 || r.col0 >= r.col1) continue;
        ApplyRows(points[i], 1, r, scratch.sums.data(), top, false, scratch.dx2);
        banded = {std::min(banded.col0, r.col0), std::max(banded.col1, r.col1),
                  std::min(banded.row0, r.row0), std::max(banded.row1, r.row1)};
    }
    if (banded.col0 < banded.col1) {
        RebandRange(banded, scratch.sums.data(), top);
        if (!nearest)
            for (int32_t row = banded.row0; row < banded.row1; ++row)
                std::fill_n(
                    scratch.sums.begin() + static_cast<ptrdiff_t>(Index(banded.col0, row - top)),
                    banded.col1 - banded.col0, Sums{});
    }
}

CoverageGrid::Sums* CoverageGrid::StripSums(int32_t s) {
    std::vector<Sums>& strip = m_strips[static_cast<size_t>(s)];
    if (!strip.empty()) return strip.data();
    const int32_t top = s * m_stripRows, bottom = std::min(m_rows, top + m_stripRows);
    strip.assign(static_cast<size_t>(bottom - top) * static_cast<size_t>(m_columns), Sums{});
    // The cells on a point are in m_at already. Points more than the
    // radius and two cells away from the strip's centres reach none of it.
    const double cell = m_rows > 1 ? m_ys[1] - m_ys[0] : m_view.visible.Height();
    const double above = m_ys[static_cast<size_t>(top)] - 2 * cell - m_radius;
    const double below = m_ys[static_cast<size_t>(bottom - 1)] + 2 * cell + m_radius;
    for (const PointValue& p : m_points) {
        if (p.y < above || p.y > below) continue;
        CellRange r = Reach(p);
        r.row0 = std::max(r.row0, top);
        r.row1 = std::min(r.row1, bottom);
        if (r.row0 < r.row1 && r.col0 < r.col1)
            ApplyRows(p, 1, r, strip.data(), top, false, m_scratch[0].dx2);
    }
    return strip.data();
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
    if (m_layer.Nearest()) {
        if (sign < 0) return;
        ApplyRows(p, sign, reach, nullptr, 0, true, m_scratch[0].dx2);
    } else {
        // Each strip's sums as they were, then the point in or out of them.
        for (int32_t s = reach.row0 / m_stripRows; s * m_stripRows < reach.row1; ++s) {
            const int32_t top = s * m_stripRows;
            const CellRange part{reach.col0, reach.col1, std::max(reach.row0, top),
                                 std::min(reach.row1, top + m_stripRows)};
            ApplyRows(p, sign, part, StripSums(s), top, true, m_scratch[0].dx2);
        }
        if (sign > 0) {
            m_points.push_back(p);
        } else {
            const auto it = std::find(m_points.begin(), m_points.end(), p);
            if (it != m_points.end()) {
                *it = m_points.back();
                m_points.pop_back();
            }
        }
    }
    m_touched.push_back(reach);
}

void CoverageGrid::ApplyRows(const PointValue& p, int sign, const CellRange& cells, Sums* sums,
                             int32_t top, bool centres, std::vector<double>& dx2) {
    const auto [c0, c1, r0, r1] = cells;
    dx2.resize(static_cast<size_t>(c1 - c0));
    for (int32_t c = c0; c < c1; ++c) {
        const double dx = m_xs[static_cast<size_t>(c)] - p.x;
        dx2[static_cast<size_t>(c - c0)] = dx * dx;
    }
    const bool nearest = m_layer.Nearest();
    const uint64_t v = static_cast<uint64_t>(static_cast<int64_t>(p.value));
    const auto atCentre = [&](int32_t col, int32_t row) {
        if (!centres) return;
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
                const double d2 = dx2[static_cast<size_t>(c - c0)] + dy2;
                if (d2 <= m_radius2) Take(Index(c, row), d2, p);
            }
            continue;
        }
        Sums* line = sums + static_cast<size_t>(row - top) * static_cast<size_t>(m_columns);
        for (int32_t c = a; c < b; ++c) {
            const double d2 = dx2[static_cast<size_t>(c - c0)] + dy2;
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
    const int32_t row = static_cast<int32_t>(i / static_cast<size_t>(m_columns));
    const int32_t col = static_cast<int32_t>(i % static_cast<size_t>(m_columns));
    const std::vector<Sums>& strip = m_strips[static_cast<size_t>(row / m_stripRows)];
    Sums s;
    if (!strip.empty()) {
        s = strip[static_cast<size_t>(row % m_stripRows) * static_cast<size_t>(m_columns) +
                  static_cast<size_t>(col)];
    } else if (col >= m_col0 && col < m_col1 && row >= m_row0 && row < m_row1) {
        // The cell's sums from the points, as ApplyRows adds them.
        const double dy0 = m_ys[static_cast<size_t>(row)], dx0 = m_xs[static_cast<size_t>(col)];
        for (const PointValue& p : m_points) {
            const double dx = dx0 - p.x, dy = dy0 - p.y;
            const double dx2 = dx * dx, dy2 = dy * dy;
            const double d2 = dx2 + dy2;
            if (d2 > m_radius2 || d2 == 0) continue;
            const uint64_t w = static_cast<uint64_t>(WeightOf(d2));
            s.w += w;
            s.wv += w * static_cast<uint64_t>(static_cast<int64_t>(p.value));
        }
    }
    if (s.w == 0) return std::nullopt;
    return Mean(s);
}

std::optional<double> CoverageGrid::Value(int32_t col, int32_t row) const {
    const std::optional<double> v = FixedValue(Index(col, row));
    if (!v) return std::nullopt;
    return *v / m_layer.Scale();
}

void CoverageGrid::RebandRange(const CellRange& r, const Sums* sums, int32_t top) {
    const double scale = m_layer.Scale();
    const bool signal = !m_layer.metric;
    const auto band = [&](double fixed) {
        // The signal's bands are the hot path of every repaint.
        return signal ? RssiBandOfValue(fixed) : m_layer.BandOf(fixed / scale);
    };
    for (int32_t row = r.row0; row < r.row1; ++row) {
        const size_t base = Index(0, row);
        const Sums* line = m_nearest.empty() ? sums + static_cast<size_t>(row - top) *
                                                          static_cast<size_t>(m_columns)
                                             : nullptr;
        for (int32_t c = r.col0; c < r.col1; ++c) {
            const size_t i = base + static_cast<size_t>(c);
            if (line != nullptr) {
                const Sums& s = line[c];
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
    for (const CellRange& r : m_touched) {
        if (!m_nearest.empty()) {
            RebandRange(r, nullptr, 0);
            continue;
        }
        // Strip by strip: Apply has worked out the sums of each.
        for (int32_t s = r.row0 / m_stripRows; s * m_stripRows < r.row1; ++s) {
            const int32_t top = s * m_stripRows;
            RebandRange(
                {r.col0, r.col1, std::max(r.row0, top), std::min(r.row1, top + m_stripRows)},
                StripSums(s), top);
        }
    }
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
    m_touched.push_back({m_col0, m_col1, m_row0, m_row1});
    Reband();
}
