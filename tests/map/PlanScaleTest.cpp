// The plan's scale from a line or a print ratio, lengths both ways, and the
// print ratio as typed.

#include <gtest/gtest.h>

#include "map/PlanScale.h"

namespace {

TEST(PlanScaleTest, FromALineOrAPrint) {
    const struct {
        double x1, y1, x2, y2, metres;
        double mpp;  // 0: refused
    } lines[] = {
        {0, 0, 300, 400, 10, 0.02},          // a 500-pixel diagonal of 10 m
        {100, 50, 100, 1050, 25.5, 0.0255},  // vertical
        {7, 7, 7.5, 7, 1, 0},                // under a pixel
        {0, 0, 100, 0, 0, 0},                // no distance
        {0, 0, 100, 0, -3, 0},
        {0, 0, 100, 0, 1e9, 0},  // beyond a kilometre a pixel
    };
    for (const auto& l : lines) {
        const ScaleResult r = ScaleFromLine(l.x1, l.y1, l.x2, l.y2, l.metres);
        ASSERT_EQ(r.metresPerPixel.has_value(), l.mpp > 0) << l.x2 << " " << l.metres;
        if (r.metresPerPixel) {
            EXPECT_NEAR(*r.metresPerPixel, l.mpp, 1e-12);
        } else {
            EXPECT_FALSE(r.why.empty());
        }
    }
    const struct {
        double dpi, ratio, mpp;
    } prints[] = {
        {150, 100, 0.0254 / 150 * 100}, {72, 50, 0.0254 / 72 * 50}, {0, 100, 0}, {300, 0, 0}};
    for (const auto& p : prints) {
        const ScaleResult r = ScaleFromPrint(p.dpi, p.ratio);
        ASSERT_EQ(r.metresPerPixel.has_value(), p.mpp > 0) << p.dpi;
        if (r.metresPerPixel) {
            EXPECT_DOUBLE_EQ(*r.metresPerPixel, p.mpp);
        }
    }
}

TEST(PlanScaleTest, PrintRatioAsTyped) {
    const struct {
        const char* text;
        int64_t ratio;  // 0: refused
    } cases[] = {{"1:100", 100},
                 {" 1 : 50 ", 50},
                 {"1:1", 1},
                 {"1:1000000", 1000000},
                 {"1:1000001", 0},
                 {"2:100", 0},
                 {"1:", 0},
                 {"1:0", 0},
                 {"100", 0},
                 {"1:10x", 0},
                 {"1:99999999999999999999", 0}};
    for (const auto& c : cases) EXPECT_EQ(ParsePrintRatio(c.text).value_or(0), c.ratio) << c.text;
}

}  // namespace

// The bar is a round length and, on the screen, exactly that length at the
// zoom shown (within one pixel), at scale 1 and 3 alike.
TEST(PlanScaleTest, ScaleBarIsARoundLengthOfTheTrueScreenLength) {
    struct Row {
        double metresPerPixel, screenPerPlan, most, metres, pixels;
    } const rows[] = {
        {0.025, 0.504, 75, 2, 40.32},    // 1 screen px = 0.0496 m: 3.7 m fits, 2 m shown
        {0.025, 1.512, 225, 2, 120.96},  // the same at scale 3
        {0.05, 1, 80, 2, 40},           {0.05, 4, 80, 1, 80},
        {1, 1, 100, 100, 100},          {10, 1, 80, 500, 50},
    };
    for (const Row& r : rows) {
        const ScaleBar bar = ScaleBarFor(r.metresPerPixel, r.screenPerPlan, r.most);
        EXPECT_DOUBLE_EQ(bar.metres, r.metres) << r.metresPerPixel << " " << r.screenPerPlan;
        EXPECT_NEAR(bar.screenPixels, r.pixels, 1.0);
        EXPECT_LE(bar.screenPixels, r.most);
    }
    EXPECT_EQ(ScaleBarFor(0, 1, 80).screenPixels, 0);
    EXPECT_EQ(LengthText(500), "500 m");
    EXPECT_EQ(LengthText(2000), "2 km");
    EXPECT_EQ(LengthText(0.5), "50 cm");
}
