// The desktop viewport: one scale for both axes, margins, zoom about the
// pointer, taps landing on the world pixel painted under them, and the
// odd plans and windows that must never leave an empty view.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "map/DesktopViewport.h"

namespace {

CDesktopViewport Opened(int32_t planW, int32_t planH, int32_t clientW, int32_t clientH) {
    CDesktopViewport vp;
    vp.SetClient(clientW, clientH);
    vp.SetWorld(planW, planH);
    return vp;
}

int64_t Area(const VpRect& r) { return int64_t{r.Width()} * r.Height(); }

bool Overlap(const VpRect& a, const VpRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Plan and strips tile the target: inside it, disjoint, nothing left over.
void ExpectTiled(const DesktopBlit& b, int32_t tw, int32_t th) {
    ASSERT_GT(Area(b.dest), 0);
    int64_t covered = Area(b.dest);
    for (int32_t i = 0; i < b.stripCount; ++i) {
        const VpRect& s = b.strips[i];
        EXPECT_TRUE(s.left >= 0 && s.top >= 0 && s.right <= tw && s.bottom <= th);
        EXPECT_FALSE(Overlap(s, b.dest));
        for (int32_t k = 0; k < i; ++k) EXPECT_FALSE(Overlap(s, b.strips[k]));
        covered += Area(s);
    }
    EXPECT_EQ(covered, int64_t{tw} * th);
}

}  // namespace

TEST(DesktopViewport, PropertiesHoldAtRandomWindowsPlansAndZooms) {
    std::mt19937 rng(21);
    const auto uniform = [&rng](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
    };
    const int32_t shapes[][2] = {{1, 1}, {32767, 1}, {1, 32767}, {12000, 800}, {240, 320}};
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const bool special = round % 4 == 0;
        const int32_t pw = special ? shapes[round / 4 % 5][0] : uniform(1, 32767);
        const int32_t ph = special ? shapes[round / 4 % 5][1] : uniform(1, 32767);
        int32_t cw = round % 7 == 0 ? uniform(1, 8) : uniform(1, 2560);
        int32_t ch = round % 11 == 0 ? uniform(1, 8) : uniform(1, 1600);
        CDesktopViewport vp = Opened(pw, ph, cw, ch);
        SCOPED_TRACE(::testing::Message() << pw << "x" << ph << " in " << cw << "x" << ch);

        // Fitted: the whole plan, centred, its shape kept.
        DesktopBlit b = vp.Blit();
        ExpectTiled(b, cw, ch);
        EXPECT_LE(std::abs(b.dest.left - (cw - b.dest.right)), 1);
        EXPECT_LE(std::abs(b.dest.top - (ch - b.dest.bottom)), 1);
        EXPECT_LE(std::abs(b.dest.Width() - std::max(1.0, pw * vp.Scale())), 1.0);
        EXPECT_LE(std::abs(b.dest.Height() - std::max(1.0, ph * vp.Scale())), 1.0);
        EXPECT_TRUE(b.dest.Width() == cw || b.dest.Height() == ch);
        EXPECT_EQ(vp.GetCenterX(), pw / 2);
        EXPECT_EQ(vp.GetCenterY(), ph / 2);

        // Zoom about a random pointer: the place under it stays, unless the
        // cursor met the plan's edge.
        for (int step = 0; step < 3; ++step) {
            const double factor = std::pow(2.0, uniform(-40, 80) / 10.0);
            const double px = uniform(0, cw), py = uniform(0, ch);
            const double wx = vp.VisibleLeft() + px / vp.Scale();
            const double wy = vp.VisibleTop() + py / vp.Scale();
            vp.ZoomAt(factor, px, py);
            const double centreX = vp.VisibleLeft() + cw / 2.0 / vp.Scale();
            const double centreY = vp.VisibleTop() + ch / 2.0 / vp.Scale();
            const bool free = centreX > 0 && centreX < pw && centreY > 0 && centreY < ph;
            EXPECT_TRUE(!free ||
                        std::abs((wx - vp.VisibleLeft()) * vp.Scale() - px) < 1e-6 * (1 + px));
            EXPECT_TRUE(!free ||
                        std::abs((wy - vp.VisibleTop()) * vp.Scale() - py) < 1e-6 * (1 + py));
            vp.ScrollBy(uniform(-3000, 3000), uniform(-3000, 3000));
        }
        if (round % 3 == 0) vp.SetClient(cw = uniform(1, 2560), ch = uniform(1, 1600));
        EXPECT_GE(vp.Scale(), vp.MinScale());
        EXPECT_LE(vp.Scale(), vp.MaxScale());
        EXPECT_TRUE(vp.GetCenterX() >= 0 && vp.GetCenterX() <= pw);
        EXPECT_TRUE(vp.GetCenterY() >= 0 && vp.GetCenterY() <= ph);

        // Whatever the zoom: tiled, one scale, and a tap lands on the world
        // pixel drawn under it, on the plan wherever the plan is drawn.
        const double ratio = round % 5 == 0 ? 2.0 : 1.0;
        b = vp.Blit(ratio);
        ExpectTiled(b, static_cast<int32_t>(std::lround(cw * ratio)),
                    static_cast<int32_t>(std::lround(ch * ratio)));
        EXPECT_DOUBLE_EQ(b.x.perPixel, b.y.perPixel);
        const DesktopBlit one = vp.Blit();
        // Screen pixel p's centre lies on world pixel w (or, on the plan's
        // own pixels, within one screen pixel of the plan).
        const auto lands = [](const WorldAxis& a, int32_t w, int32_t p, bool onPlan, int32_t side) {
            const double c = p + 0.5, lo = (w - a.origin) / a.perPixel;
            const bool near =
                c >= -a.origin / a.perPixel - 1 && c <= (side - a.origin) / a.perPixel + 1;
            return lo <= c + 1e-6 && lo + 1 / a.perPixel >= c - 1e-6 && (!onPlan || near);
        };
        for (int tap = 0; tap < 5; ++tap) {
            const int32_t px = uniform(0, cw - 1), py = uniform(0, ch - 1);
            int32_t wx = 0, wy = 0;
            vp.ScreenToWorld(px, py, wx, wy);
            const bool onPlan = px >= one.dest.left && px < one.dest.right && py >= one.dest.top &&
                                py < one.dest.bottom;
            EXPECT_TRUE(lands(one.x, wx, px, onPlan, pw)) << px << " -> " << wx;
            EXPECT_TRUE(lands(one.y, wy, py, onPlan, ph)) << py << " -> " << wy;
            if (tap == 4) {
                vp.CenterOnScreenPoint(px, py);
                EXPECT_EQ(vp.GetCenterX(), std::clamp(wx, 0, pw));
                EXPECT_EQ(vp.GetCenterY(), std::clamp(wy, 0, ph));
            }
        }
    }
}

TEST(DesktopViewport, LimitsBarsAndResizes) {
    // Zoom limits: 32 screen pixels a plan pixel at most, the whole plan at
    // least; a plan smaller than the window stays fitted.
    CDesktopViewport vp = Opened(10000, 7000, 1920, 1080);
    EXPECT_DOUBLE_EQ(vp.Scale(), 1080.0 / 7000);
    while (vp.ZoomIn()) {
    }
    EXPECT_DOUBLE_EQ(vp.Scale(), CDesktopViewport::kMaxScale);
    EXPECT_EQ(vp.GetCenterX(), 5000);                          // zooms about the cursor keep it
    EXPECT_DOUBLE_EQ(Opened(1, 1, 1920, 1080).Scale(), 1080);  // fitted, however close

    // A plan thinner than a screen pixel still shows its one pixel.
    CDesktopViewport thin = Opened(32767, 1, 1920, 1080);
    EXPECT_EQ(thin.Blit().dest, (VpRect{0, 540, 1920, 541}));
    EXPECT_EQ(thin.GetCenterX(), 16383);

    // Scroll bars: the thumb is the shown part, its position the cursor;
    // a thumb position puts the cursor there at any zoom.
    vp.FitWhole();
    const ScrollBarState whole = vp.HorizontalBar();
    EXPECT_EQ(whole.pageStep, 12444);  // 1920 px at 1080 / 7000
    vp.ZoomIn(), vp.ZoomIn();
    EXPECT_EQ(vp.HorizontalBar().pageStep, 3111);
    vp.SetCenterX(57);
    vp.SetCenterY(100000);
    EXPECT_EQ(vp.HorizontalBar().value, 57);
    EXPECT_EQ(vp.GetCenterY(), 7000);
    vp.SetCenterX(-5);

    // A resize keeps a zoomed view's scale and centre; a fitted view
    // follows the window; a window squeezed to one pixel still shows one.
    const double zoomed = vp.Scale();
    vp.SetClient(1366, 768);
    EXPECT_DOUBLE_EQ(vp.Scale(), zoomed);
    EXPECT_EQ(vp.GetCenterX(), 0);  // clamped from -5
    vp.FitWhole();
    vp.SetClient(1366, 768);
    EXPECT_DOUBLE_EQ(vp.Scale(), 768.0 / 7000);
    vp.SetClient(0, -3);
    EXPECT_EQ(vp.Blit().dest, (VpRect{0, 0, 1, 1}));

    // Before a plan: the whole client is margin.
    CDesktopViewport none;
    none.SetClient(300, 200);
    EXPECT_EQ(none.Blit().stripCount, 1);
    EXPECT_EQ(none.Blit().strips[0], (VpRect{0, 0, 300, 200}));
    EXPECT_FALSE(none.ZoomIn());
    EXPECT_FALSE(vp.ZoomAt(2, std::nan(""), 0));  // a pointer the window could not place
    EXPECT_EQ(vp.GetCenterX(), 5000);
}
