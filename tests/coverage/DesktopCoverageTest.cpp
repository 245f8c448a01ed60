// The coverage map over the desktop map: its cells lie exactly under the
// pixels the desktop map paints, at one scale for both axes, with nothing
// on the margins beside the plan.

#include <gtest/gtest.h>

#include <cmath>

#include "coverage/CoverageOverlay.h"
#include "map/DesktopRender.h"
#include "site/SiteFile.h"

TEST(DesktopCoverage, BandsLieWithinTheRadiusOnThePlanAtEveryRatio) {
    MapBitmap plan;
    plan.width = 1000;
    plan.height = 600;
    plan.stride = 1000;
    plan.colorTable[0] = 0xFFFFFF;
    ASSERT_TRUE(plan.bits.Allocate(1000 * 600));
    std::fill_n(plan.bits.data(), 1000 * 600, uint8_t{0});
    const PointValue point{40, 210, -45};
    constexpr int32_t kRadius = 60;

    for (const double ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        // Zoomed in near the left edge: a margin beside the plan, cut by
        // the point's disc.
        CDesktopViewport vp;
        vp.SetClient(700, 500);
        vp.SetWorld(1000, 600);
        vp.ZoomAt(3.7, 100, 240);
        vp.SetCenterX(30);
        const int32_t block = static_cast<int32_t>(ratio);
        CoverageGrid grid;
        grid.Build(CoverageView::Of(vp, ratio, block), kRadius, CoverageLayer::Signal(), {point});

        const DesktopBlit blit = vp.Blit(ratio);
        const int32_t w = static_cast<int32_t>(700 * ratio), h = static_cast<int32_t>(500 * ratio);
        ASSERT_GT(blit.dest.left, 0);
        std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
        CCoverageOverlay overlay(grid);
        CDesktopMapRenderer renderer;
        const CPlanPyramid none;
        const CCircleLog noCircles;
        renderer.Render(plan, none, noCircles, blit,
                        {pixels.data(), w, h, static_cast<size_t>(w), 0, 0}, &overlay, 4);
        int banded = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                // The world place of the centre of the pixel's cell.
                const double wx = blit.x.At((x / block) * block + block / 2.0);
                const double wy = blit.y.At((y / block) * block + block / 2.0);
                const double d = std::hypot(wx - point.x, wy - point.y);
                if (std::abs(d - kRadius) < 1e-6) continue;
                const bool expected = d < kRadius && wx >= 0 && wx < 1000 && wy >= 0 && wy < 600;
                const bool shown = (pixels[static_cast<size_t>(y * w + x)] & 0xFFFFFF) != 0xFFFFFF;
                ASSERT_EQ(shown, expected) << x << "," << y;
                banded += shown;
            }
        EXPECT_GT(banded, 1000);
    }
}
