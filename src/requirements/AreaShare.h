#pragma once
// The share of the surveyed floor that meets a requirement. No Qt.
//
// The surveyed area is what the coverage map paints: the places within R of
// some point. It is cut into square cells of ShareCellSize(R) plan pixels
// (the last column and row cut at the plan's edge), and a cell belongs to
// the surveyed area when its centre lies within R of a point, as a cell of
// the coverage grid does.
//
// A cell takes the verdicts of its nearest point (by its centre; at equal
// distance, the point earlier in the survey). A verdict is a category, not
// a quantity: there is nothing between "pass" and "fail" to interpolate,
// and a figure interpolated between two points (2.5 usable access points, an
// SNR from one point's signal and another's noise) is one nobody measured.
// Points measured at the same place count as one, with the worse verdict of
// each criterion.
//
// Areas are whole plan pixels (each cell's clipped width x height), so the
// shares of a survey are exact numbers and add up to the surveyed area.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "requirements/Requirement.h"

// R / 16, at least 1: some 800 cells to a point's disc, so that a disc's
// area is within about 1 % of pi R^2, at a cost that does not grow with R.
int32_t ShareCellSize(int32_t radius);

struct ShareGeometry {
    int32_t planWidth = 0;
    int32_t planHeight = 0;
    int32_t radius = 60;                   // R, plan pixels (clamped as the coverage map clamps it)
    std::optional<double> metresPerPixel;  // the site's scale, when it has one
};

struct PlacedVerdict {
    int32_t x = 0;
    int32_t y = 0;
    PointVerdict verdict;
};

// Square plan pixels of each verdict.
struct VerdictArea {
    int64_t pass = 0;
    int64_t unknown = 0;
    int64_t fail = 0;

    int64_t Of(Verdict v) const {
        return v == Verdict::kPass ? pass : v == Verdict::kFail ? fail : unknown;
    }
    int64_t& Of(Verdict v) {
        return v == Verdict::kPass ? pass : v == Verdict::kFail ? fail : unknown;
    }
};

struct AreaShares {
    int32_t cell = 1;      // side of a cell, plan pixels
    int64_t surveyed = 0;  // square plan pixels within R of some point
    std::optional<double> metresPerPixel;
    std::array<std::optional<VerdictArea>, kCriterionCount> criteria;  // those the requirement has
    VerdictArea overall;

    // Percent of the surveyed area (0 when nothing was surveyed).
    double Percent(int64_t px2) const;
    // Square metres, where the site has a scale.
    std::optional<double> SquareMetres(int64_t px2) const;
};

AreaShares ComputeAreaShares(const std::vector<PlacedVerdict>& points, const ShareGeometry& g);
