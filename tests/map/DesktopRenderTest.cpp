// The desktop map's picture: thin lines that survive every reduction, an
// overview that matches a box filter, the plan's colours kept exactly,
// sharp enlarged pixels under the taps that hit them, and circles that are
// the circle layer's at full size and stay legible when small.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <random>

#include "map/DesktopRender.h"
#include "map/PointCircles.h"
#include "site/SiteFile.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

class DesktopRenderTest : public ::testing::Test {
protected:
    // A bottom-up plan (as most files store them) with `fill` giving the
    // index of world pixel (x, y).
    static MapBitmap Plan(int32_t w, int32_t h,
                          const std::function<uint8_t(int32_t, int32_t)>& fill,
                          const std::function<uint32_t(int)>& colour) {
        MapBitmap plan;
        plan.width = w;
        plan.height = h;
        plan.stride = static_cast<uint32_t>((w + 3) & ~3);
        for (int i = 0; i < 256; ++i) plan.colorTable[i] = colour(i);
        EXPECT_TRUE(plan.bits.Allocate(size_t{plan.stride} * static_cast<size_t>(h)));
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* row = const_cast<uint8_t*>(plan.Row(y));
            for (int32_t x = 0; x < w; ++x) row[x] = fill(x, y);
        }
        return plan;
    }
    static uint32_t Grey(int i) {
        return i == 0 ? kWhite : 0x010101u * static_cast<uint32_t>(255 - i);
    }
    static uint32_t Hashed(int i) { return static_cast<uint32_t>(i) * 0x9E3779u & 0xFFFFFFu; }
    // Random indices below `levels`, one for each pixel of a plan `w` x `h`.
    static std::function<uint8_t(int32_t, int32_t)> Noise(int32_t w, int32_t h, unsigned seed,
                                                          unsigned levels = 256) {
        auto noise = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(w * h));
        std::mt19937 rng(seed);
        for (auto& v : *noise) v = static_cast<uint8_t>(rng() % levels);
        return
            [noise, w](int32_t x, int32_t y) { return (*noise)[static_cast<size_t>(y * w + x)]; };
    }
    static MapTarget Target(std::vector<uint32_t>& p, int32_t w, int32_t h) {
        return {p.data(), w, h, static_cast<size_t>(w), 0, 0};
    }
    // The plan in a client of `cw` x `ch`, zoomed by `zoom` about (px, py).
    void Show(const MapBitmap& plan, int32_t cw, int32_t ch, double zoom, double px, double py) {
        vp = {};
        vp.SetClient(cw, ch);
        vp.SetWorld(plan.width, plan.height);
        vp.ZoomAt(zoom, px, py);
    }

    // The plan shown whole in a client of `cw` x `ch` (zoomed by `zoom`
    // about the middle), painted at one pixel per logical pixel.
    void Render(const MapBitmap& plan, int32_t cw, int32_t ch, double zoom = 1) {
        Show(plan, cw, ch, zoom, cw / 2.0, ch / 2.0);
        ASSERT_TRUE(pyramid.Build(plan));
        EXPECT_LE(pyramid.Bytes(), CPlanPyramid::BudgetFor(plan.width, plan.height));
        blit = vp.Blit();
        pixels.assign(static_cast<size_t>(cw) * static_cast<size_t>(ch), 0);
        renderer.Render(plan, pyramid, circles, blit, Target(pixels, cw, ch), nullptr, 4);
        width = cw;
    }
    uint32_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) +
                      static_cast<size_t>(x)] &
               0xFFFFFFu;
    }
    // The target pixel showing world position (x, y).
    int32_t ColumnOf(double x) const {
        return static_cast<int32_t>(std::floor((x - blit.x.origin) / blit.x.perPixel));
    }
    int32_t RowOf(double y) const {
        return static_cast<int32_t>(std::floor((y - blit.y.origin) / blit.y.perPixel));
    }

    CDesktopViewport vp;
    CPlanPyramid pyramid;
    CCircleLog circles;
    CDesktopMapRenderer renderer;
    DesktopBlit blit;
    std::vector<uint32_t> pixels;
    int32_t width = 0;
};

}  // namespace

TEST_F(DesktopRenderTest, OnePixelLinesSurviveEveryReduction) {
    // Black lines one pixel wide on white: upright ones in the top half,
    // level ones in the bottom half, at spacings no block size divides.
    const auto line = [](int32_t x, int32_t y) -> uint8_t {
        return y < 512 ? (x % 37 == 5) : (y % 41 == 3);
    };
    const MapBitmap plan = Plan(4096, 1024, line, [](int i) { return i == 1 ? 0u : kWhite; });
    for (const int32_t factor : {8, 12, 16, 32}) {
        SCOPED_TRACE(factor);
        Render(plan, (4096 + factor - 1) / factor, 1024 / factor);
        // Each line darkens the pixels its column or row falls in by about
        // 1/factor of black; nearest-neighbour sampling would skip most.
        const int32_t limit = 255 - 255 * 4 / (10 * factor);
        const auto darkest = [this](int32_t c, int32_t r, int dc, int dr) {
            uint32_t v = 255;
            for (int k = -1; k <= 1; ++k)
                if (r + k * dr >= blit.dest.top && r + k * dr < blit.dest.bottom &&
                    c + k * dc >= 0 && c + k * dc < width)
                    v = std::min(v, At(c + k * dc, r + k * dr) & 0xFF);
            return static_cast<int32_t>(v);
        };
        for (int32_t x = 5; x < 4096; x += 37)
            EXPECT_LE(darkest(ColumnOf(x + 0.5), RowOf(256), 1, 0), limit) << "upright " << x;
        for (int32_t y = 536; y < 1024; y += 41)
            EXPECT_LE(darkest(ColumnOf(2048), RowOf(y + 0.5), 0, 1), limit) << "level " << y;
    }
}

TEST_F(DesktopRenderTest, OverviewOfALongPlanMatchesABoxFilter) {
    // 12,000 x 800: rooms of 8-pixel walls, a few coloured fills, and
    // "text", runs of random one-pixel dots.
    const auto dots = Noise(12000, 800, 12, 5);  // a dot where 0
    const auto fill = [&dots](int32_t x, int32_t y) -> uint8_t {
        if (x % 300 < 8 || y % 200 < 8) return 1;                                        // walls
        if ((x / 300 + y / 200) % 7 == 3) return static_cast<uint8_t>(2 + x / 300 % 4);  // rooms
        if (x % 300 > 40 && x % 300 < 160 && y % 200 > 90 && y % 200 < 102)
            return dots(x, y) == 0;  // text
        return 0;
    };
    const uint32_t colours[] = {kWhite, 0x000000, 0xC8E0FF, 0xFFE0A0, 0xA0FFB0, 0xFF8080};
    const MapBitmap plan =
        Plan(12000, 800, fill, [&colours](int i) { return i < 6 ? colours[i] : 0x123456u; });
    Render(plan, 1366, 768);
    ASSERT_EQ(blit.dest.Width(), 1366);
    ASSERT_NEAR(blit.dest.Height(), 91, 1);

    // The exact area average of each pixel's footprint.
    double total = 0;
    int32_t worst = 0, n = 0;
    for (int32_t v = blit.dest.top; v < blit.dest.bottom; ++v) {
        const double y0 = std::max(0.0, blit.y.At(v)), y1 = std::min(800.0, blit.y.At(v + 1));
        for (int32_t u = 0; u < 1366; ++u) {
            const double x0 = std::max(0.0, blit.x.At(u)), x1 = std::min(12000.0, blit.x.At(u + 1));
            double sum[3] = {}, area = 0;
            for (int32_t y = static_cast<int32_t>(y0); y < y1; ++y)
                for (int32_t x = static_cast<int32_t>(x0); x < x1; ++x) {
                    const double a = (std::min(x1, x + 1.0) - std::max(x0, 1.0 * x)) *
                                     (std::min(y1, y + 1.0) - std::max(y0, 1.0 * y));
                    const uint32_t c = plan.colorTable[plan.IndexAt(x, y)];
                    for (int k = 0; k < 3; ++k) sum[k] += a * ((c >> (8 * k)) & 0xFF);
                    area += a;
                }
            for (int k = 0; k < 3; ++k) {
                const int32_t d = std::abs(static_cast<int32_t>(std::lround(sum[k] / area)) -
                                           static_cast<int32_t>((At(u, v) >> (8 * k)) & 0xFF));
                total += d;
                worst = std::max(worst, d);
                ++n;
            }
        }
    }
    // Averaging a level pixel and then the footprint widens the filter a
    // little at sharp edges (walls); sampling, or a level too coarse, is
    // far off (nearest neighbour: a mean of 8.6, the worst 252).
    EXPECT_LT(total / n, 0.5);
    EXPECT_LT(worst, 24);
}

TEST_F(DesktopRenderTest, ColoursInUseStayExactWhenReduced) {
    // 64 squares of 64 colours out of a palette of 256 distinct ones, and a
    // colour used only in a band two pixels high.
    const auto fill = [](int32_t x, int32_t y) -> uint8_t {
        if (y == 300 || y == 301) return 200;
        return static_cast<uint8_t>(10 + (y / 64) * 8 + x / 64);
    };
    const auto colour = [](int i) { return static_cast<uint32_t>(i) * 0x010F3Bu & 0xFFFFFFu; };
    const MapBitmap plan = Plan(512, 512, fill, colour);
    Render(plan, 128, 128);  // a quarter
    for (int32_t k = 0; k < 64; ++k) {
        const int32_t x = (k % 8) * 64 + 32, y = (k / 8) * 64 + 32;
        EXPECT_EQ(At(ColumnOf(x), RowOf(y)), colour(10 + k)) << "square " << k;
    }
    Render(plan, 256, 256);  // a half: the band is one row
    EXPECT_EQ(At(100, 150), colour(200));
}

TEST_F(DesktopRenderTest, EnlargedPixelsAreSharpAndTapsHitThem) {
    const MapBitmap plan = Plan(64, 48, Noise(64, 48, 3), Hashed);
    Render(plan, 640, 480, 2.7);  // 27 screen pixels a plan pixel
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x) {
            int32_t wx = 0, wy = 0;
            vp.ScreenToWorld(x, y, wx, wy);
            const bool onPlan = wx >= 0 && wx < 64 && wy >= 0 && wy < 48;
            ASSERT_EQ(At(x, y), onPlan ? plan.colorTable[plan.IndexAt(wx, wy)] : kWhite)
                << x << "," << y;
        }
}

TEST_F(DesktopRenderTest, CirclesAreTheLayersAtFullSizeAndLegibleWhenSmall) {
    const MapBitmap plan = Plan(
        640, 480, [](int32_t, int32_t) { return 0; }, Grey);
    CCircleLayer layer;
    layer.Reset(640, 480);
    std::mt19937 rng(5);
    for (int i = 0; i < 60; ++i) {  // overlapping, some cut by the plan's edge
        const int32_t x = static_cast<int32_t>(rng() % 660) - 10,
                      y = static_cast<int32_t>(rng() % 500) - 10,
                      s = -30 - static_cast<int32_t>(rng() % 60);
        circles.Add(x, y, s, 1);
        PaintPointCircle(layer, x, y, s);
    }
    Render(plan, 640, 480);
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x) {
            const uint8_t ink = layer.InkAt(x, y);
            ASSERT_EQ(At(x, y), ink == 0 ? kWhite : layer.InkColour(ink) & 0xFFFFFFu)
                << x << "," << y;
        }

    // At 1/16 a circle would be 1.25 pixels across; it keeps a radius of 4.
    circles.Clear();
    circles.Add(160, 160, -45, 1);  // orange
    circles.Add(480, 320, -85, 1);  // black
    Render(plan, 40, 30);
    for (const LoggedCircle& c : circles.Circles()) {
        const uint32_t brush = CircleStyleFor(c.strength).brush;
        int painted = 0;
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x) painted += At(x, y) == brush;
        EXPECT_GE(painted, 45) << c.strength;  // pi x 4 x 4 is about 50
        EXPECT_EQ(At(ColumnOf(c.x), RowOf(c.y)), brush);
    }
    // A point's place is whatever its file held: far off, nothing is drawn.
    circles.Clear();
    circles.Add(INT32_MAX, INT32_MIN, -50, 1);
    Render(plan, 40, 30);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFFFFFFFFu), 40 * 30);
}

// A grey palette is averaged in one lane (four or eight taps a pixel at
// once, or any other number): pixel for pixel what the colour lanes give,
// which a palette with one colour among its greys takes.
TEST_F(DesktopRenderTest, GreysAveragedInOneLaneAreWhatTheColourLanesGive) {
    const auto fill = Noise(1200, 700, 3, 255);  // 255 never used
    const MapBitmap grey = Plan(1200, 700, fill, Grey);
    const MapBitmap tinted =
        Plan(1200, 700, fill, [](int i) { return i == 255 ? 0x00FF00u : Grey(i); });
    const CPlanPyramid none;  // the plan's own palette
    // 2 to 3, 3 to 4, 4 to 5 and 12 plan pixels a target pixel.
    const struct {
        int32_t w, h;
        double zoom;
    } views[] = {{301, 203, 3.3}, {301, 203, 1.9}, {301, 203, 1}, {101, 68, 1}};
    for (const auto& v : views) {
        Show(grey, v.w, v.h, v.zoom, 100, 70);
        std::vector<uint32_t> one(static_cast<size_t>(v.w * v.h), 0), three(one);
        renderer.RenderPlan(grey, none, vp.Blit(), Target(one, v.w, v.h));
        renderer.RenderPlan(tinted, none, vp.Blit(), Target(three, v.w, v.h));
        EXPECT_EQ(one, three) << v.w << " " << v.zoom;
    }
}

// The painter keeps the plan's coat and paints the coats over a copy of it:
// pixel for pixel what one Render paints, enlarged and reduced, with an
// overlay that reads the pixels it changes and with circles over it.
TEST_F(DesktopRenderTest, PlanThenCoatsPaintWhatOneRenderPaints) {
    struct Tint : IMapOverlay {
        void PaintRow(const MapRow& row) override {
            for (int32_t i = 0; i < row.count; ++i)
                if ((row.worldX[i] + row.worldY) % 3 == 0) row.pixels[i] ^= 0x00FF00u;
        }
    } tint;
    const MapBitmap plan = Plan(
        500, 300, [](int32_t x, int32_t y) { return static_cast<uint8_t>((x * 7 + y) % 256); },
        Grey);
    for (int i = 0; i < 20; ++i) circles.Add(25 * i, 15 * i, -40 - 2 * i, 1);
    for (double zoom : {1.0, 8.0}) {
        Show(plan, 120, 90, zoom, 40, 50);
        ASSERT_TRUE(pyramid.Build(plan));
        const DesktopBlit b = vp.Blit();
        std::vector<uint32_t> once(120 * 90, 0), twice(once), coat(once), thrice(once);
        renderer.Render(plan, pyramid, circles, b, Target(once, 120, 90), &tint, 4);
        renderer.RenderPlan(plan, pyramid, b, Target(twice, 120, 90));
        renderer.RenderCoats(plan, circles, b, Target(twice, 120, 90), &tint, 4);
        EXPECT_EQ(once, twice) << zoom;
        // The same with the coat copied row by row from the kept picture.
        const MapTarget kept = Target(coat, 120, 90);
        renderer.RenderPlan(plan, pyramid, b, kept);
        renderer.RenderCoats(plan, circles, b, Target(thrice, 120, 90), &tint, 4, &kept);
        EXPECT_EQ(once, thrice) << zoom;
    }
}

// A pan moves the kept coat and renders the uncovered bands: pixel for
// pixel the coat rendered anew, reduced from a level and from the plan,
// enlarged, with margins beside the plan, after pans by whole pixels (the
// kept pixels moved), by a fraction of one, out of sight and a zoom (in
// bands on two threads).
TEST_F(DesktopRenderTest, APanPaintsWhatRenderingAnewPaints) {
    const MapBitmap plan = Plan(3000, 2000, Noise(3000, 2000, 9), Hashed);
    ASSERT_TRUE(pyramid.Build(plan));
    const struct {
        double dx, dy;
        bool moves;
    } pans[] = {{3, 0, true},   {-7, 5, true},     {0, -2, true}, {2.5, 0, false},
                {40, 31, true}, {-5000, 0, false}, {1, 1, true}};
    for (const double zoom : {1.0, 4.0, 32.0}) {
        SCOPED_TRACE(zoom);
        Show(plan, 400, 300, zoom, 200, 150);
        std::vector<uint32_t> kept(400 * 300), fresh(400 * 300);
        const MapTarget keptTarget = Target(kept, 400, 300);
        DesktopBlit before = vp.Blit();
        renderer.RenderPlan(plan, pyramid, before, keptTarget);
        for (const auto& pan : pans) {
            SCOPED_TRACE(pan.dx);
            vp.ScrollBy(pan.dx, pan.dy);
            const DesktopBlit now = vp.Blit();
            EXPECT_EQ(renderer.RenderPlanMoved(plan, pyramid, before, now, keptTarget), pan.moves);
            renderer.RenderPlan(plan, pyramid, now, Target(fresh, 400, 300));
            ASSERT_EQ(kept, fresh);
            before = now;
        }
        // A zoom renders anew, here in bands on two threads.
        CBandShare share;
        vp.ZoomAt(1.3, 100, 100);
        renderer.RenderPlanMoved(plan, pyramid, before, vp.Blit(), keptTarget, &share);
        renderer.RenderPlan(plan, pyramid, vp.Blit(), Target(fresh, 400, 300));
        EXPECT_EQ(kept, fresh);
    }
}
