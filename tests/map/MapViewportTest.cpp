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
        EXPECT_EQ(vp.GetTapRect(), (VpRect{wx - 15, wy - 15, wx + 15, wy + 15}));
    }
    CMapViewport vp = Opened(240, 320);
    vp.CenterOnScreenPoint({0, 0, 240, 320}, 200, 10);
    EXPECT_EQ(vp.GetPointRect(), (VpRect{190, 0, 210, 20}));
}

// Random sequences of every operation over random worlds and clients: after
// each step the view is not empty, the centre lies in the world and the view,
// the blit stays inside client and world, and a tapped point inside the view.
// Zoom Out always comes back to the whole world.
class ViewportWalk {
public:
    explicit ViewportWalk(uint32_t seed) : m_rng(seed) {}

    void Run(int worlds, int steps) {
        for (int world = 0; world < worlds && !::testing::Test::HasFailure(); ++world) {
            m_vp = CMapViewport();
            m_trace.clear();
            for (int i = 0; i < 3; ++i) Step(false);  // before any world
            Open();
            for (int i = 0; i < steps && !::testing::Test::HasFailure(); ++i) Step(true);
            for (int i = 0; i < 64 && m_vp.View() != m_vp.World(); ++i) m_vp.ZoomOut();
            EXPECT_EQ(m_vp.View(), m_vp.World()) << m_trace;
        }
    }

private:
    static constexpr int32_t kMax = CMapViewport::kMaxWorldSide;
    int32_t Int(int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(m_rng);
    }
    int32_t Pick(std::initializer_list<int32_t> v) { return v.begin()[Int(0, v.size() - 1)]; }
    int32_t Side() { return Pick({Int(1, 4), kMax, Int(1, kMax), Int(1, kMax)}); }
    int32_t Distance() {
        return Pick({INT32_MIN, INT32_MAX, Int(-100, 0), 10, Int(0, 2 * kMax), Int(0, 2 * kMax)});
    }
    void Open() {
        const int32_t w = Side(), h = Side();
        m_vp.SetWorld(w, h);
        m_vp.SetView(w, h);
        m_trace += "open " + std::to_string(w) + "x" + std::to_string(h) + "; ";
    }

    void Step(bool opened) {
        const VpRect client{0, 0, Int(0, 3) == 0 ? 0 : Int(1, 1200),
                            Int(0, 3) == 0 ? 0 : Int(1, 1200)};
        const int32_t px = Int(-10, client.right + 10), py = Int(-10, client.bottom + 10);
        const std::pair<const char*, std::function<void()>> ops[] = {
            {"open", [&] { Open(); }},
            {"world", [&] { m_vp.SetWorld(Side(), Side()); }},
            {"view", [&] { m_vp.SetView(Distance(), Distance()); }},
            {"in", [&] { m_vp.ZoomIn(); }},
            {"in", [&] { m_vp.ZoomIn(); }},
            {"in", [&] { m_vp.ZoomIn(); }},
            {"out", [&] { m_vp.ZoomOut(); }},
            {"left", [&] { m_vp.ScrollLeft(Distance()); }},
            {"right", [&] { m_vp.ScrollRight(Distance()); }},
            {"up", [&] { m_vp.ScrollUp(Distance()); }},
            {"down", [&] { m_vp.ScrollDown(Distance()); }},
            {"x", [&] { m_vp.SetCenterX(Distance()); }},
            {"y", [&] { m_vp.SetCenterY(Distance()); }},
            {"tap", [&] { m_vp.CenterOnScreenPoint(client, px, py); }},
            {"look", [] {}},  // ScreenToWorld and ComputeBlit only, as after every step
        };
        const auto& op = ops[Int(0, std::size(ops) - 1)];
        op.second();
        m_trace += std::string(op.first) + " ";

        int32_t wx = 0, wy = 0;
        m_vp.ScreenToWorld(client, px, py, wx, wy);
        VpRect d = client, s;
        m_vp.ComputeBlit(d, s);
        ExpectWithin(d, client, "destination");
        for (int32_t i = 0; i < m_vp.GetStripCount(); ++i)
            ExpectWithin(m_vp.GetStrip(i), client, "strip");
        if (!opened) return;
        const VpRect v = m_vp.View(), w = m_vp.World();
        const VpRect centre{m_vp.GetCenterX(), m_vp.GetCenterY(), m_vp.GetCenterX(),
                            m_vp.GetCenterY()};
        EXPECT_TRUE(v.left < v.right && v.top < v.bottom) << m_trace;
        ExpectWithin(centre, w, "centre in the world");
        ExpectWithin(centre, v, "centre in the view");
        ExpectWithin(s, w, "source");
        ExpectWithin({wx, wy, wx, wy}, v, "tapped point");
    }

    void ExpectWithin(const VpRect& r, const VpRect& outer, const char* what) {
        EXPECT_TRUE(outer.left <= r.left && r.left <= r.right && r.right <= outer.right &&
                    outer.top <= r.top && r.top <= r.bottom && r.bottom <= outer.bottom)
            << what << " " << ::testing::PrintToString(r) << " in "
            << ::testing::PrintToString(outer) << " after " << m_trace;
    }

    std::mt19937 m_rng;
    CMapViewport m_vp;
    std::string m_trace;
};

TEST(MapViewport, NoSequenceOfOperationsEmptiesTheViewOrLeavesTheWorld) {
    ViewportWalk(20240611).Run(400, 40);
}

}  // namespace
