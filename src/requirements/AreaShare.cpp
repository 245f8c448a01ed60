#include "requirements/AreaShare.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "coverage/CoverageGrid.h"

namespace {

struct Site {
    int32_t x = 0;
    int32_t y = 0;
    int32_t order = 0;  // first appearance in the survey
    PointVerdict verdict;
};

// Points at one place become one site with the worse verdict of each criterion.
std::vector<Site> Sites(const std::vector<PlacedVerdict>& points) {
    std::vector<Site> all;
    all.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        all.push_back({points[i].x, points[i].y, static_cast<int32_t>(i), points[i].verdict});
    std::sort(all.begin(), all.end(), [](const Site& a, const Site& b) {
        return std::tie(a.y, a.x, a.order) < std::tie(b.y, b.x, b.order);
    });
    std::vector<Site> out;
    for (const Site& s : all) {
        if (!out.empty() && out.back().x == s.x && out.back().y == s.y) {
            PointVerdict& v = out.back().verdict;
            for (size_t c = 0; c < v.criteria.size(); ++c)
                if (s.verdict.criteria[c])
                    v.criteria[c] = v.criteria[c] ? Worse(*v.criteria[c], *s.verdict.criteria[c])
                                                  : *s.verdict.criteria[c];
            v.overall = Combine(v.criteria);
            continue;
        }
        out.push_back(s);
    }
    return out;  // sorted by y
}

struct Axis {
    std::vector<double> centres;
    std::vector<int32_t> sizes;
};

Axis CellsAlong(int32_t length, int32_t cell) {
    Axis a;
    for (int32_t from = 0; from < length; from += cell) {
        const int32_t to = std::min(from + cell, length);
        a.centres.push_back((from + to) / 2.0);
        a.sizes.push_back(to - from);
    }
    return a;
}

}  // namespace

int32_t ShareCellSize(int32_t radius) { return std::max(1, ClampCoverageRadius(radius) / 16); }

double AreaShares::Percent(int64_t px2) const {
    return surveyed > 0 ? 100.0 * static_cast<double>(px2) / static_cast<double>(surveyed) : 0;
}

std::optional<double> AreaShares::SquareMetres(int64_t px2) const {
    if (!metresPerPixel) return std::nullopt;
    return static_cast<double>(px2) * *metresPerPixel * *metresPerPixel;
}

AreaShares ComputeAreaShares(const std::vector<PlacedVerdict>& points, const ShareGeometry& g) {
    AreaShares out;
    const int32_t radius = ClampCoverageRadius(g.radius);
    out.cell = ShareCellSize(radius);
    out.metresPerPixel = g.metresPerPixel;
    if (!points.empty())
        for (size_t c = 0; c < out.criteria.size(); ++c)
            if (points.front().verdict.criteria[c]) out.criteria[c] = VerdictArea{};
    if (points.empty() || g.planWidth <= 0 || g.planHeight <= 0) return out;

    const std::vector<Site> sites = Sites(points);
    const Axis xs = CellsAlong(g.planWidth, out.cell);
    const Axis ys = CellsAlong(g.planHeight, out.cell);
    const double r = radius, r2 = r * r;
    const size_t columns = xs.centres.size();
    std::vector<double> best(columns, std::numeric_limits<double>::infinity());
    std::vector<int32_t> owner(columns, -1);  // index into sites
    std::vector<uint32_t> touched;            // the row's cells with an owner

    size_t lo = 0, hi = 0;  // the sites whose disc may reach the row
    for (size_t row = 0; row < ys.centres.size(); ++row) {
        const double cy = ys.centres[row];
        while (lo < sites.size() && sites[lo].y < cy - r) ++lo;
        hi = std::max(hi, lo);
        while (hi < sites.size() && sites[hi].y <= cy + r) ++hi;
        for (size_t s = lo; s < hi; ++s) {
            const Site& site = sites[s];
            const double dy = cy - site.y, dy2 = dy * dy;
            if (dy2 > r2) continue;
            const double half = std::sqrt(r2 - dy2);
            // One cell more each side; the distance test decides at the ends.
            size_t a = static_cast<size_t>(
                std::lower_bound(xs.centres.begin(), xs.centres.end(), site.x - half) -
                xs.centres.begin());
            size_t b = static_cast<size_t>(
                std::upper_bound(xs.centres.begin(), xs.centres.end(), site.x + half) -
                xs.centres.begin());
            a = a > 0 ? a - 1 : 0;
            b = std::min(b + 1, columns);
            for (size_t c = a; c < b; ++c) {
                const double dx = xs.centres[c] - site.x, d2 = dx * dx + dy2;
                if (d2 > r2) continue;
                const int32_t o = owner[c];
                if (o < 0) {
                    touched.push_back(static_cast<uint32_t>(c));
                } else if (d2 > best[c] ||
                           (d2 == best[c] && site.order > sites[static_cast<size_t>(o)].order)) {
                    continue;
                }
                best[c] = d2;
                owner[c] = static_cast<int32_t>(s);
            }
        }
        for (const uint32_t c : touched) {
            const PointVerdict& v = sites[static_cast<size_t>(owner[c])].verdict;
            const int64_t area = int64_t{xs.sizes[c]} * ys.sizes[row];
            out.surveyed += area;
            out.overall.Of(v.overall) += area;
            for (size_t k = 0; k < out.criteria.size(); ++k)
                if (out.criteria[k] && v.criteria[k]) out.criteria[k]->Of(*v.criteria[k]) += area;
            owner[c] = -1;
            best[c] = std::numeric_limits<double>::infinity();
        }
        touched.clear();
    }
    return out;
}
