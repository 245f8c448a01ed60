#include <gtest/gtest.h>

#include "map/MapViewport.h"

namespace {

constexpr VpRect kClient{0, 0, 240, 268};

CMapViewport Opened(int32_t w, int32_t h) {
    CMapViewport vp;
    vp.SetWorld(w, h);
    vp.SetView(w, h);
    return vp;
}

TEST(MapViewport, OpenShowsTheWholeWorldCentred) {
    CMapViewport vp = Opened(240, 320);
    EXPECT_EQ(vp.World(), (VpRect{0, 0, 240, 320}));
    EXPECT_EQ(vp.View(), (VpRect{0, 0, 240, 320}));
    EXPECT_EQ(std::make_pair(vp.GetCenterX(), vp.GetCenterY()), std::make_pair(120, 160));
    int32_t wx = 0, wy = 0;
    vp.ScreenToWorld({0, 0, 240, 320}, 120, 160, wx, wy);
    EXPECT_EQ(std::make_pair(wx, wy), std::make_pair(120, 160));
}

TEST(MapViewport, ZoomInHalvesAboutTheCentreAndZoomOutRestores) {
    CMapViewport vp = Opened(240, 320);
    ASSERT_TRUE(vp.ZoomIn());
    EXPECT_EQ(vp.View(), (VpRect{60, 80, 180, 240}));
    EXPECT_EQ(vp.GetCenterX(), 120);
    vp.ZoomOut();
    EXPECT_EQ(vp.View(), (VpRect{0, 0, 240, 320}));
    vp.ZoomOut();  // the whole world: nothing changes
    EXPECT_EQ(vp.View(), (VpRect{0, 0, 240, 320}));
    EXPECT_EQ(vp.GetCenterY(), 160);
}

TEST(MapViewport, ZoomInStopsBeforeTheViewBecomesEmpty) {
    CMapViewport vp = Opened(240, 320);
    int steps = 0;
    while (vp.ZoomIn()) ASSERT_LT(++steps, 64);
    EXPECT_GE(vp.View().Width(), 1);
    EXPECT_GE(vp.View().Height(), 1);
    VpRect d = kClient, s;
    vp.ComputeBlit(d, s);  // must not divide by zero
    int32_t wx, wy;
    vp.ScreenToWorld(kClient, 239, 267, wx, wy);
    EXPECT_EQ(wx, vp.View().left + 239 * vp.View().Width() / 240);
}

TEST(MapViewport, ScrollPastTheLeftEdgeLeavesAWhiteMargin) {
    CMapViewport vp = Opened(240, 320);
    vp.ZoomIn();
    vp.ScrollLeft(1000);
    EXPECT_EQ(vp.GetCenterX(), 0);
    EXPECT_EQ(vp.View(), (VpRect{-60, 80, 60, 240}));
    VpRect d = kClient, s;
    vp.ComputeBlit(d, s);
    EXPECT_EQ(d, (VpRect{120, 0, 240, 268}));
    EXPECT_EQ(s, (VpRect{0, 80, 60, 240}));
    ASSERT_EQ(vp.GetStripCount(), 1);
    EXPECT_EQ(vp.GetStrip(0), (VpRect{0, 0, 120, 268}));
}

TEST(MapViewport, ComputeBlitAddsStripsForEveryUncoveredEdge) {
    CMapViewport vp = Opened(240, 320);
    vp.ZoomIn();  // (60, 80)-(180, 240)
    vp.ScrollRight(1000);
    vp.ScrollDown(1000);
    EXPECT_EQ(vp.View(), (VpRect{180, 240, 300, 400}));
    VpRect d = kClient, s;
    vp.ComputeBlit(d, s);
    EXPECT_EQ(s, (VpRect{180, 240, 240, 320}));
    EXPECT_EQ(d.right, 240 - (60 * 240) / 120);
    EXPECT_EQ(d.bottom, 268 - (80 * 268) / 160);
    ASSERT_EQ(vp.GetStripCount(), 2);
    EXPECT_EQ(vp.GetStrip(0), (VpRect{d.right, 0, 240, 268}));
    EXPECT_EQ(vp.GetStrip(1), (VpRect{0, d.bottom, 240, 268}));

    // A view that starts exactly at the world's corner adds empty strips.
    CMapViewport whole = Opened(240, 320);
    VpRect d2 = kClient, s2;
    whole.ComputeBlit(d2, s2);
    EXPECT_EQ(d2, kClient);
    ASSERT_EQ(whole.GetStripCount(), 2);
    EXPECT_EQ(whole.GetStrip(0).Width(), 0);
    EXPECT_EQ(whole.GetStrip(1).Height(), 0);
}

TEST(MapViewport, CentreIsClampedIntoTheWorld) {
    CMapViewport vp = Opened(240, 320);
    for (auto [asked, kept] : {std::pair{-5, 0}, {57, 57}, {100000, 240}}) {
        vp.SetCenterX(asked);
        EXPECT_EQ(vp.GetCenterX(), kept) << asked;
    }
    vp.SetCenterY(100000);
    EXPECT_EQ(vp.GetCenterY(), 320);
    for (int i = 0; i < 50; ++i) vp.ScrollLeft(10);
    EXPECT_EQ(vp.GetCenterX(), 0);
    vp.ScrollUp(10000);
    EXPECT_EQ(vp.GetCenterY(), 0);
}

TEST(MapViewport, OddWidthLosesOneUnitAtTheFirstScroll) {
    CMapViewport vp = Opened(125, 100);
    vp.ScrollRight(1);
    EXPECT_EQ(vp.View().Width(), 124);
    EXPECT_EQ(vp.View().Height(), 100);  // the other axis is untouched
}

TEST(MapViewport, TapsMapClientPointsToWorldPoints) {
    CMapViewport vp = Opened(240, 320);
    vp.CenterOnScreenPoint({0, 0, 240, 320}, 200, 10);
    EXPECT_EQ(std::make_pair(vp.GetCenterX(), vp.GetCenterY()), std::make_pair(200, 10));
    EXPECT_EQ(vp.GetPointRect(), (VpRect{190, 0, 210, 20}));
    int32_t wx, wy;
    vp.ScreenToWorld(kClient, 0, 0, wx, wy);
    EXPECT_EQ(wx, vp.View().left);
    EXPECT_EQ(vp.GetTapRect(), (VpRect{wx - 15, wy - 15, wx + 15, wy + 15}));
}

TEST(MapViewport, LargePlansDoNotOverflowTheArithmetic) {
    CMapViewport vp = Opened(30000, 30000);
    int32_t wx, wy;
    vp.ScreenToWorld({0, 0, 100000, 100000}, 99999, 99999, wx, wy);
    EXPECT_EQ(std::make_pair(wx, wy), std::make_pair(29999, 29999));
}

}  // namespace
