#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "map/MapViewport.h"

void PrintTo(const VpRect& r, std::ostream* os) {
    *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

constexpr VpRect kClient{0, 0, 240, 268};
using Steps = std::function<void(CMapViewport&)>;

CMapViewport Opened(int32_t w, int32_t h) {
    CMapViewport vp;
    vp.SetWorld(w, h);
    vp.SetView(w, h);
    return vp;
}

TEST(MapViewport, ZoomAndScrollMoveTheViewAboutTheCentre) {
    const struct {
        const char* what;
        int32_t w, h;
        Steps steps;
        VpRect view;
        int32_t cx, cy;
    } cases[] = {
        // clang-format off
        {"open", 240, 320, [](CMapViewport&) {}, {0, 0, 240, 320}, 120, 160},
        {"zoom in", 240, 320, [](CMapViewport& v) { v.ZoomIn(); }, {60, 80, 180, 240}, 120, 160},
        {"zoom in and out", 240, 320, [](CMapViewport& v) { v.ZoomIn(), v.ZoomOut(); },
         {0, 0, 240, 320}, 120, 160},
        {"zoom out on the whole world", 240, 320, [](CMapViewport& v) { v.ZoomOut(); },
         {0, 0, 240, 320}, 120, 160},
        {"scroll past the left edge", 240, 320,
         [](CMapViewport& v) { v.ZoomIn(), v.ScrollLeft(1000); }, {-60, 80, 60, 240}, 0, 160},
        {"scroll past the bottom right", 240, 320,
         [](CMapViewport& v) { v.ZoomIn(), v.ScrollRight(1000), v.ScrollDown(1000); },
         {180, 240, 300, 400}, 240, 320},
        {"odd width loses a unit, the other axis stays", 125, 100,
         [](CMapViewport& v) { v.ScrollRight(1); }, {1, 0, 125, 100}, 63, 50},
        {"centre clamped into the world", 240, 320,
         [](CMapViewport& v) { v.SetCenterX(-5), v.SetCenterY(100000); },
         {-120, 160, 120, 480}, 0, 320},
        {"held arrows at the edges", 240, 320,
         [](CMapViewport& v) { for (int i = 0; i < 50; ++i) v.ScrollLeft(10), v.ScrollUp(10); },
         {-120, -160, 120, 160}, 0, 0},
        // Zoomed in as far as it goes, then one arrow key: the view keeps its
        // width (it used to halve 1 to 0, stop painting and then divide by 0).
        {"zoom in until refused, then scroll", 240, 320,
         [](CMapViewport& v) { while (v.ZoomIn()) {} v.ScrollLeft(10); },
         {109, 157, 111, 162}, 110, 160},
        {"a one-unit side widens to two at a scroll", 1, 1,
         [](CMapViewport& v) { v.ScrollRight(5), v.SetCenterY(0); }, {0, -1, 2, 1}, 1, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CMapViewport vp = Opened(c.w, c.h);
        c.steps(vp);
        EXPECT_EQ(vp.View(), c.view);
        EXPECT_EQ(std::make_pair(vp.GetCenterX(), vp.GetCenterY()), std::make_pair(c.cx, c.cy));
    }
}

TEST(MapViewport, ComputeBlitLeavesWhiteStripsWhereTheViewPassesTheWorld) {
    const struct {
        const char* what;
        Steps steps;
        VpRect dest, source;
        std::vector<VpRect> strips;
    } cases[] = {
        // clang-format off
        {"left edge", [](CMapViewport& v) { v.ZoomIn(), v.ScrollLeft(1000); },
         {120, 0, 240, 268}, {0, 80, 60, 240}, {{0, 0, 120, 268}}},
        {"bottom right",
         [](CMapViewport& v) { v.ZoomIn(), v.ScrollRight(1000), v.ScrollDown(1000); },
         {0, 0, 240 - (60 * 240) / 120, 268 - (80 * 268) / 160}, {180, 240, 240, 320},
         {{120, 0, 240, 268}, {0, 134, 240, 268}}},
        // A view starting exactly at the world's corner adds empty strips.
        {"whole world", [](CMapViewport&) {}, kClient, {0, 0, 240, 320},
         {{0, 0, 0, 268}, {0, 0, 240, 0}}},
        {"no world yet", [](CMapViewport& v) { v = CMapViewport(); }, {0, 0, 0, 0}, {},
         {kClient}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CMapViewport vp = Opened(240, 320);
        c.steps(vp);
        VpRect d = kClient, s;
        vp.ComputeBlit(d, s);
        EXPECT_EQ(d, c.dest);
        EXPECT_EQ(s, c.source);
        std::vector<VpRect> strips;
        for (int32_t i = 0; i < vp.GetStripCount(); ++i) strips.push_back(vp.GetStrip(i));
        EXPECT_EQ(strips, c.strips);
    }
}

TEST(MapViewport, ClientPointsMapToWorldPoints) {
    const struct {
        const char* what;
        int32_t side;
        VpRect client;
        int32_t px, py, wx, wy;
    } cases[] = {
        {"client centre of an unzoomed map", 240, {0, 0, 240, 240}, 120, 160, 120, 160},
        {"client corner", 240, kClient, 0, 0, 0, 0},
        {"outside the client: its edge", 240, {0, 0, 240, 240}, -50, 1000, 0, 240},
        {"no client area: the cursor", 240, {0, 0, 0, 0}, 7, 7, 120, 120},
        {"large plan, large client", 30000, {0, 0, 100000, 100000}, 99999, 99999, 29999, 29999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CMapViewport vp = Opened(c.side, c.side);
        int32_t wx = -1, wy = -1;
        vp.ScreenToWorld(c.client, c.px, c.py, wx, wy);
        EXPECT_EQ(std::make_pair(wx, wy), std::make_pair(c.wx, c.wy));
    }
}

// Random sequences of every operation over random worlds and clients: after
// each step the view is not empty, the cursor lies in the world and the view,
// the blit stays inside client and world, a tapped point inside the view; and
// Zoom Out comes back to the whole world. Before any world only the blit counts.
TEST(MapViewport, NoSequenceOfOperationsEmptiesTheViewOrLeavesTheWorld) {
    constexpr int32_t kMax = CMapViewport::kMaxWorldSide;
    std::mt19937 rng(20240611);
    const auto num = [&](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
    };
    const auto pick = [&](std::initializer_list<int32_t> v) {
        return v.begin()[num(0, int32_t(v.size()) - 1)];
    };
    const auto side = [&] { return pick({num(1, 4), kMax, num(1, kMax), num(1, kMax)}); };
    const auto far = [&] {
        return pick({INT32_MIN, INT32_MAX, num(-100, 0), 10, num(0, 2 * kMax), num(0, 2 * kMax)});
    };
    CMapViewport vp;
    std::string trace;
    const auto within = [&](const VpRect& r, const VpRect& outer, const char* what) {
        EXPECT_TRUE(outer.left <= r.left && r.left <= r.right && r.right <= outer.right &&
                    outer.top <= r.top && r.top <= r.bottom && r.bottom <= outer.bottom)
            << what << " " << ::testing::PrintToString(r) << " in "
            << ::testing::PrintToString(outer) << " after " << trace;
    };
    for (int world = 0; world < 400 && !HasFailure(); ++world) {
        vp = CMapViewport();
        trace.clear();
        for (int step = -3; step < 40 && !HasFailure(); ++step) {
            const VpRect client{0, 0, pick({0, num(1, 1200), num(1, 1200)}),
                                pick({0, num(1, 1200), num(1, 1200)})};
            const int32_t px = num(-10, client.right + 10), py = num(-10, client.bottom + 10);
            const auto open = [&] { vp.SetWorld(side(), side()), vp.SetView(kMax, kMax); };
            const std::pair<const char*, std::function<void()>> ops[] = {
                {"open", open},
                {"world", [&] { vp.SetWorld(far(), far()); }},
                {"view", [&] { vp.SetView(far(), far()); }},
                {"in", [&] { vp.ZoomIn(); }},
                {"in", [&] { vp.ZoomIn(); }},
                {"in", [&] { vp.ZoomIn(); }},
                {"out", [&] { vp.ZoomOut(); }},
                {"left", [&] { vp.ScrollLeft(far()); }},
                {"right", [&] { vp.ScrollRight(far()); }},
                {"up", [&] { vp.ScrollUp(far()); }},
                {"down", [&] { vp.ScrollDown(far()); }},
                {"x", [&] { vp.SetCenterX(far()); }},
                {"y", [&] { vp.SetCenterY(far()); }},
                {"tap", [&] { vp.CenterOnScreenPoint(client, px, py); }},
                {"look", [] {}},  // only ScreenToWorld and ComputeBlit, as after every step
            };
            const auto& op = step == 0 ? ops[0] : ops[num(0, int32_t(std::size(ops)) - 1)];
            op.second();
            trace += std::string(op.first) + " ";

            int32_t wx = 0, wy = 0;
            vp.ScreenToWorld(client, px, py, wx, wy);
            VpRect d = client, s;
            vp.ComputeBlit(d, s);
            within(d, client, "destination");
            for (int32_t i = 0; i < vp.GetStripCount(); ++i)
                within(vp.GetStrip(i), client, "strip");
            if (step < 0) continue;
            const VpRect v = vp.View();
            const VpRect centre{vp.GetCenterX(), vp.GetCenterY(), vp.GetCenterX(), vp.GetCenterY()};
            EXPECT_TRUE(v.left < v.right && v.top < v.bottom) << trace;
            within(centre, vp.World(), "cursor in the world");
            within(centre, v, "cursor in the view");
            within(s, vp.World(), "source");
            within({wx, wy, wx, wy}, v, "tapped point");
        }
        for (int i = 0; i < 64 && vp.View() != vp.World(); ++i) vp.ZoomOut();
        EXPECT_EQ(vp.View(), vp.World()) << trace;
    }
}

}  // namespace
