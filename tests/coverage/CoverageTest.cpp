// The coverage core: the value each point gives a network, the list of
// networks, the interpolated grid against a plain computation, and the
// incremental updates against a full one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "SurveyEntries.h"
#include "coverage/CoverageMap.h"
#include "coverage/CoverageOverlay.h"
#include "coverage/CoverageState.h"
#include "coverage/NetworkCatalogue.h"
#include "coverage/RssiBand.h"
#include "site/PointRun.h"

namespace {

MacAddress Mac(uint8_t last) { return {0x00, 0x11, 0x22, 0x33, 0x44, last}; }

std::vector<int32_t> Values(const CApList& survey, const NetworkChoice& choice) {
    std::vector<PointValue> points;
    CollectPointValues(survey, choice, points);
    std::vector<int32_t> out;
    for (const PointValue& p : points) out.push_back(p.value);
    return out;
}

// A plan of 480 x 480 shown whole on 240 x 240 pixels: cell c's centre lies
// at world 2c + 1, so points at odd coordinates sit exactly on a centre.
CoverageView OddCentresView() { return {{0, 0, 480, 480}, {0, 0, 480, 480}, 240, 240, 1}; }

// The inverse-distance-weighted value at the centre of (col, row), computed
// plainly over every point, and the range of the readings it weighs.
struct Expected {
    bool any = false;
    double value = 0, lo = 0, hi = 0;
};
Expected Plainly(const CoverageGrid& g, int32_t col, int32_t row,
                 const std::vector<PointValue>& points, int32_t radius) {
    Expected e;
    double sw = 0, swv = 0, atSum = 0;
    int atCount = 0;
    for (const PointValue& p : points) {
        const double dx = g.CellX(col) - p.x, dy = g.CellY(row) - p.y;
        const double d2 = dx * dx + dy * dy;
        if (d2 > static_cast<double>(radius) * radius) continue;
        e.lo = e.any ? std::min<double>(e.lo, p.value) : p.value;
        e.hi = e.any ? std::max<double>(e.hi, p.value) : p.value;
        e.any = true;
        if (d2 == 0) {
            atSum += p.value;
            ++atCount;
        } else {
            sw += 1 / d2;
            swv += p.value / d2;
        }
    }
    e.value = atCount > 0 ? atSum / atCount : swv / sw;
    return e;
}

// The same bands and (unless only the bands are asked for) cell for cell
// the same values: the sums are whole numbers, so not near but equal.
void ExpectSameCells(const CoverageGrid& got, const CoverageGrid& want, bool values = true) {
    ASSERT_EQ(got.Bands(), want.Bands());
    if (!values) return;
    for (int32_t row = 0; row < want.Rows(); ++row)
        for (int32_t col = 0; col < want.Columns(); ++col)
            ASSERT_EQ(got.Value(col, row), want.Value(col, row)) << col << "," << row;
}

// A random survey: points on a plan of w x h, some hearing nothing (the
// placeholder as recorded or as read back), some at the place of another.
void AddRandomPoint(CApList& survey, std::mt19937& rng, int32_t w, int32_t h) {
    std::uniform_int_distribution<int32_t> px(0, w - 1), py(0, h - 1), rssi(-95, -30), aps(0, 3),
        kind(0, 9);
    int32_t x = px(rng), y = py(rng);
    if (kind(rng) == 0 && !survey.IsEmpty()) {
        x = survey.First()->x;  // measured again at an earlier place
        y = survey.First()->y;
    }
    const int k = kind(rng);
    if (k == 1) return AddEntry(survey, x, y, 0, 0, "FILL", "FILL", 0);
    if (k == 2) return AddEntry(survey, x, y, 0, -100, "", "TEST", 0);
    for (int n = aps(rng); n >= 0; --n)
        AddEntry(survey, x, y, 6, rssi(rng), n % 2 ? "office" : "guest", "TEST",
                 static_cast<uint8_t>(n));
}

}  // namespace

TEST(Coverage, ValuesAreBandedLikeTheCirclesAfterRoundingToWholeDbm) {
    const std::pair<double, int8_t> table[] = {
        {0, 0},   {-39, 0}, {-39.5, 0}, {-39.51, 1}, {-40, 1},   {-49, 1}, {-50, 2},  {-59, 2},
        {-60, 3}, {-69, 3}, {-70, 4},   {-79, 4},    {-79.6, 5}, {-80, 5}, {-100, 5}, {-128, 5}};
    for (const auto& [value, band] : table) EXPECT_EQ(RssiBandOfValue(value), band) << value;
}

TEST(Coverage, NetworksChosenByMacSsidAndStrongestGiveTheHandComputedPointValues) {
    CApList s;
    AddEntry(s, 100, 100, 1, -40, "office", "TEST", 1);
    AddEntry(s, 100, 100, 6, -60, "office", "TEST", 2);
    AddEntry(s, 100, 100, 11, -70, "guest", "TEST", 3);
    AddEntry(s, 200, 100, 6, -50, "office", "TEST", 2);
    AddEntry(s, 200, 100, 11, -45, "guest", "TEST", 3);
    AddEntry(s, 300, 100, 0, 0, "FILL", "FILL", 0);      // recorded where nothing was heard
    AddEntry(s, 400, 100, 0, -100, "", "TEST", 0);       // the same, read back from a file
    AddEntry(s, 100, 100, 6, -80, "office", "TEST", 1);  // two measurements merged
    AddEntry(s, 100, 100, 6, -75, "office", "TEST", 1);  // (a weaker channel of the same AP)

    struct Row {
        NetworkChoice choice;
        std::vector<int32_t> values;
    };
    const Row table[] = {
        {NetworkChoice::StrongestOfAll(), {-40, -45, -100, -100, -75}},
        {NetworkChoice::OfSsid("office"), {-40, -50, -100, -100, -75}},
        {NetworkChoice::OfSsid("guest"), {-70, -45, -100, -100, -100}},
        {NetworkChoice::OfAccessPoint(Mac(2)), {-60, -50, -100, -100, -100}},
        {NetworkChoice::OfAccessPoint(Mac(9)), {-100, -100, -100, -100, -100}},
    };
    for (const Row& r : table) EXPECT_EQ(Values(s, r.choice), r.values);

    // The catalogue, strongest first: "last MAC byte ssid channel points best",
    // then "ssid access points points best".
    const NetworkCatalogue cat = BuildCatalogue(s);
    std::vector<std::string> lines = {std::to_string(cat.points) + " points"};
    for (const AccessPointInfo& a : cat.accessPoints)
        lines.push_back(std::to_string(a.mac[5]) + " " + a.ssid + " " + std::to_string(a.channel) +
                        " " + std::to_string(a.points) + " " + std::to_string(a.bestRssi));
    for (const SsidInfo& i : cat.ssids)
        lines.push_back(i.ssid + " " + std::to_string(i.accessPoints) + " " +
                        std::to_string(i.points) + " " + std::to_string(i.bestRssi));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"5 points", "1 office 1 2 -40", "3 guest 11 2 -45",
                                        "2 office 6 2 -50", "office 2 3 -40", "guest 1 2 -45"}));
}

// The map takes the chosen network's values (how placeholders pull it down
// is the values' and the plain sum's, above and below).
TEST(Coverage, PlaceholdersAndPointsWithoutTheNetworkPullTheMapDown) {
    // A strong point at (101, 101) and a second point 40 to the right; the
    // cell half-way between them, at (121, 101), weighs both alike. Far
    // below, a placeholder as recorded.
    CApList s;
    AddEntry(s, 101, 101, 1, -40, "office", "TEST", 1);
    AddEntry(s, 141, 101, 6, -30, "guest", "TEST", 2);
    AddEntry(s, 101, 301, 0, 0, "", "FILL", 0);
    CCoverageMap map;
    map.SetChoice(NetworkChoice::OfAccessPoint(Mac(1)));
    EXPECT_EQ(map.Update(s, OddCentresView()).Value(60, 50), -70.0);
    map.SetChoice(NetworkChoice::OfSsid(""));  // the placeholder is no SSID
    EXPECT_EQ(map.Update(s, OddCentresView()).Value(50, 150), -100.0);
}

TEST(Coverage, TheMapIsExactAtMeasuredPlacesWithinItsReadingsAndEmptyBeyondTheRadius) {
    {
        // (301, 301) measured twice in a row and later once more.
        const int32_t readings[][3] = {{101, 101, -55}, {131, 101, -75}, {301, 301, -61},
                                       {301, 301, -99}, {1, 301, -72},   {311, 101, -48},
                                       {291, 301, -80}, {301, 301, -65}};
        CApList s;
        for (const auto& [x, y, rssi] : readings) AddEntry(s, x, y, 1, rssi, "office", "TEST", 1);
        CCoverageMap map;
        const CoverageGrid& g = map.Update(s, OddCentresView());
        EXPECT_EQ(g.Value(50, 50), -55.0);
        EXPECT_EQ(g.Value(65, 50), -75.0);
        EXPECT_EQ(g.Value(0, 150), -72.0);
        EXPECT_EQ(g.Value(150, 150), -63.0);  // the later run against the merged one
        EXPECT_EQ(g.Band(50, 50), 2);
    }
    // Random surveys through zoomed and scrolled views, against the plain sum.
    std::mt19937 rng(11);
    for (int round = 0; round < 24; ++round) {
        const int32_t w = 300 + round * 37, h = 200 + round * 23;
        CApList s;
        for (int i = 0; i < 40; ++i) AddRandomPoint(s, rng, w, h);
        CMapViewport vp;
        vp.SetWorld(w, h);
        vp.SetView(w, h);
        for (int z = 0; z < round % 3; ++z) vp.ZoomIn();
        if (round % 4 == 1) vp.ScrollLeft(10000);  // the plan's left edge in the middle
        if (round % 4 == 2) vp.ScrollDown(10000);
        CCoverageMap map;
        map.SetRadius(20 + round * 5);
        const CoverageView view = CoverageView::Of(vp, 97 + round, 83, 1 + round % 3);
        const CoverageGrid& g = map.Update(s, view);
        std::vector<PointValue> points;
        CollectPointValues(s, NetworkChoice::StrongestOfAll(), points);
        for (int32_t row = 0; row < g.Rows(); ++row) {
            for (int32_t col = 0; col < g.Columns(); ++col) {
                const double x = g.CellX(col), y = g.CellY(row);
                const bool onPlan = x >= 0 && x < w && y >= 0 && y < h;
                const Expected e = Plainly(g, col, row, points, map.Radius());
                const auto v = g.Value(col, row);
                ASSERT_EQ(v.has_value(), e.any && onPlan) << round << " " << col << "," << row;
                if (!v) {
                    ASSERT_EQ(g.Band(col, row), kNoBand);
                    continue;
                }
                ASSERT_GE(*v, e.lo);
                ASSERT_LE(*v, e.hi);
                ASSERT_NEAR(*v, e.value, 0.01);
                ASSERT_EQ(g.Band(col, row), RssiBandOfValue(*v));
            }
        }
    }
}

TEST(Coverage, IncrementalUpdatesGiveWhatAFullComputationGives) {
    std::mt19937 rng(7);
    const NetworkChoice choices[] = {NetworkChoice::StrongestOfAll(),
                                     NetworkChoice::OfSsid("office"),
                                     NetworkChoice::OfAccessPoint(Mac(1))};
    for (int round = 0; round < 12; ++round) {
        const int32_t w = 2000, h = 1400;
        CMapViewport vp;
        vp.SetWorld(w, h);
        vp.SetView(w, h);
        for (int z = 0; z < round % 4; ++z) vp.ZoomIn();
        const CoverageView view = CoverageView::Of(vp, 150, 130, 1 + round % 2);
        CApList s;
        for (int i = 0; i < 30; ++i) AddRandomPoint(s, rng, w, h);
        CCoverageMap live;
        live.SetChoice(choices[round % 3]);
        live.SetRadius(60 + 40 * (round % 3));
        live.Update(s, view);
        ASSERT_EQ(live.LastUpdate(), CCoverageMap::UpdateKind::Full);

        for (int step = 0; step < 20; ++step) {
            const int32_t cx = vp.GetCenterX(), cy = vp.GetCenterY();
            if (step % 5 == 4) {
                // Delete the run at a random position, as the location dialog does.
                ApRecord* e = s.First();
                int32_t at = 1;
                for (int n = std::uniform_int_distribution<int>(0, 20)(rng);
                     n > 0 && e->next != s.Sentinel(); --n, ++at)
                    e = e->next;
                for (; e->prev != s.Sentinel() && e->prev->x == e->x && e->prev->y == e->y; --at)
                    e = e->prev;
                ASSERT_GT(RemovePointRun(s, at, e->x, e->y), 0);
            } else if (step % 5 == 3 && !s.IsEmpty()) {
                ApRecord* last = s.Sentinel()->prev;  // measured again at the same place
                AddEntry(s, last->x, last->y, 11, -33, "office", "TEST", 1);
            } else {
                // A new point near the cursor, where the surveyor walks.
                std::uniform_int_distribution<int32_t> d(-80, 80);
                AddEntry(s, std::clamp(cx + d(rng), 0, w - 1), std::clamp(cy + d(rng), 0, h - 1),
                         step % 2 ? 0 : 1, step % 2 ? 0 : -20 - step * 3,
                         step % 2 ? "FILL" : "office", step % 2 ? "FILL" : "TEST", 1);
            }
            const CoverageGrid& g = live.Update(s, view);
            // (A measurement no stronger than the point's best changes nothing.)
            ASSERT_NE(live.LastUpdate(), CCoverageMap::UpdateKind::Full) << step;
            CCoverageMap fresh;
            fresh.SetChoice(live.Choice());
            fresh.SetRadius(live.Radius());
            SCOPED_TRACE(testing::Message() << round << " " << step);
            ExpectSameCells(g, fresh.Update(s, view), step == 19);
            if (HasFatalFailure()) return;
        }
        const uint64_t revision = live.Revision();
        live.Update(s, view);
        EXPECT_EQ(live.LastUpdate(), CCoverageMap::UpdateKind::Unchanged);
        EXPECT_EQ(live.Revision(), revision);
        vp.ScrollRight(30);
        live.Update(s, CoverageView::Of(vp, 150, 130, 1 + round % 2));
        EXPECT_EQ(live.LastUpdate(), CCoverageMap::UpdateKind::Full);
    }
}

// Build works a strip of rows at a time, on one thread or two (each its own
// scratch, the cells on a point counted before): discs cut by the strips'
// edges, on windows of one and of many strips, cells of 1 x 1 to 3 x 3 and
// both kinds of layer, with points at one place twice and off the plan, give
// the sums and bands of adding point by point.
TEST(Coverage, BuildingByStripsOnOneOrTwoThreadsGivesWhatAddingPointByPointGives) {
    const CoverageView views[] = {
        {{-40, 0, 440, 3200}, {0, 0, 400, 3200}, 240, 1600, 1},
        {{-40, 0, 440, 3200}, {0, 0, 400, 3200}, 240, 1600, 2},
        {{10.25, 5.5, 190.75, 1500.5}, {0, 0, 400, 3200}, 723, 1111, 3},
        {{100, 100, 110, 104}, {0, 0, 400, 3200}, 40, 16, 1},
    };
    std::mt19937 rng(11);
    std::uniform_int_distribution<int32_t> px(-20, 420), py(0, 3199), value(-95, -30);
    std::vector<PointValue> points;
    for (int i = 0; i < 300; ++i) points.push_back({px(rng), py(rng), value(rng)});
    points.push_back(points[7]);
    points.push_back({105, 102, -40});
    CBandShare share;
    for (const CoverageView& view : views)
        for (const CoverageLayer layer :
             {CoverageLayer::Signal(), CoverageLayer::Of(Metric::kPassFail)}) {
            SCOPED_TRACE(testing::Message() << view.clientWidth << " block " << view.block
                                            << " nearest " << layer.Nearest());
            CoverageGrid byPoint, one, two;
            byPoint.Reset(view, 90, layer);
            for (const PointValue& p : points) byPoint.Apply(p, 1);
            byPoint.RebandAll();
            one.Build(view, 90, layer, points);
            two.Build(view, 90, layer, points, &share);
            ExpectSameCells(one, byPoint);
            ExpectSameCells(two, byPoint);
            if (HasFatalFailure()) return;
        }
}

TEST(CoverageState, TheCaptionNamesTheNetworkAsItIsAndAnotherSiteShowsAllAgain) {
    CCoverageState state;
    int told = 0;
    state.SetListener([&told] { ++told; });
    EXPECT_EQ(state.Caption(), "Strongest of all, R 60 px");
    // A name with a placeholder of a format in it stays as it is.
    state.Choose(NetworkChoice::OfSsid("50%2 off"), 20);
    EXPECT_TRUE(state.Shown());
    EXPECT_EQ(state.Caption(), "50%2 off, R 20 px");
    state.SiteReplaced();  // network and radius were the last site's
    EXPECT_EQ(state.Caption(), "Strongest of all, R 60 px");
    state.SiteReplaced();  // nothing to forget: nobody is told
    state.Toggle();
    EXPECT_FALSE(state.Shown());
    EXPECT_EQ(told, 3);
}

// Each layer with two points 20 apart (A at 101, B at 121) and R 30: the
// value at A exactly, the cell between, a cell nearer A, nothing beyond R;
// and the map painted as the window paints it at scale 1 and 3 (cells of
// scale x scale device pixels): A's cell in the colour of A's band, the
// last cell within R of B banded and the next one, beyond R, left as it is.
// Each layer's fixed point value of a value out of its range (or between
// two steps) is limited to the range (or rounded).
TEST(Coverage, EveryLayerIsExactAtAPointEmptyBeyondRAndPaintsItsOwnColours) {
    const struct {
        CoverageLayer layer;
        double a, b, between, nearA, outside;
        int32_t fixed;
    } table[] = {
        {CoverageLayer::Signal(), -45, -75, -60, -1, -200, -128},
        {CoverageLayer::Of(Metric::kSecondarySignal), -70, -100, -85, -1, 200, 127},
        {CoverageLayer::Of(Metric::kUsableAps), 3, 0, 1.5, -1, -3, 0},
        {CoverageLayer::Of(Metric::kCochannel), 0, 3, 1.5, -1, -3, 0},
        {CoverageLayer::Of(Metric::kSnr), 38, 12, 25, -1, 200, 127},
        {CoverageLayer::Of(Metric::kDownload), 120.5, 3.25, 61.875, -1, 49.996, 5000},
        {CoverageLayer::Of(Metric::kUpload), 60, 20, 40, -1, 20000, 1000000},
        // Not interpolated: the nearest point's verdict, the first at a tie.
        {CoverageLayer::Of(Metric::kPassFail), kPassValue, kFailValue, kPassValue, kPassValue,
         std::nan(""), 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.a);
        EXPECT_EQ(row.layer.Fixed(row.outside), row.fixed) << row.outside;
        std::vector<PointValue> points = {{101, 101, row.layer.Fixed(row.a)},
                                          {121, 101, row.layer.Fixed(row.b)}};
        CCoverageMap map;
        map.SetRadius(30);
        map.SetLayer(row.layer, [&](const CApList&, const NetworkChoice&,
                                    std::vector<PointValue>& out) { out = points; });
        CApList s;  // the signal's values come from the survey itself
        AddEntry(s, 101, 101, 1, static_cast<int64_t>(row.a), "office", "TEST", 1);
        AddEntry(s, 121, 101, 1, static_cast<int64_t>(row.b), "office", "TEST", 2);
        const CoverageGrid& g = map.Update(s, OddCentresView());
        EXPECT_EQ(g.Value(50, 50), row.a);
        EXPECT_EQ(g.Band(50, 50), row.layer.BandOf(row.a));
        EXPECT_EQ(g.Value(55, 50), row.between);
        if (row.nearA >= 0) {
            EXPECT_EQ(g.Value(53, 50), row.nearA);
        }
        EXPECT_EQ(g.Value(50, 70), std::nullopt);
        EXPECT_EQ(g.Band(50, 70), kNoBand);

        for (const int32_t scale : {1, 3}) {
            SCOPED_TRACE(scale);
            CoverageView view = OddCentresView();
            view.clientWidth *= scale;
            view.clientHeight *= scale;
            view.block = scale;
            const CoverageGrid& grid = map.Update(s, view);
            std::vector<uint32_t> pixels(static_cast<size_t>(240 * scale), 0xFFFFFFu);
            const auto at = [&](int32_t cell) {
                return pixels[static_cast<size_t>(cell * scale + scale - 1)];
            };
            CCoverageOverlay(grid).PaintRow(
                {50 * scale + scale - 1, 0, 240 * scale, pixels.data()});
            EXPECT_EQ(at(50),
                      CCoverageOverlay::Blend(0xFFFFFF, row.layer.Colour(row.layer.BandOf(row.a))));
            EXPECT_NE(at(75), 0xFFFFFFu);  // its centre 151: 30 from B
            EXPECT_EQ(pixels[static_cast<size_t>(76 * scale)], 0xFFFFFFu);
        }
    }
    // Pass/fail: points at one place give the worse verdict, and a point
    // taken back leaves its cells to the nearest that stays.
    const CoverageLayer verdicts = CoverageLayer::Of(Metric::kPassFail);
    std::vector<PointValue> points = {{101, 101, 2}, {121, 101, 0}, {101, 101, 1}};
    CCoverageMap map;
    map.SetRadius(30);
    map.SetLayer(verdicts, [&](const CApList&, const NetworkChoice&, std::vector<PointValue>& out) {
        out = points;
    });
    const CApList none;
    EXPECT_EQ(map.Update(none, OddCentresView()).Value(50, 50), kUnknownValue);
    EXPECT_EQ(map.Grid().Value(55, 50), kUnknownValue);
    points.erase(points.begin());
    EXPECT_EQ(map.Update(none, OddCentresView()).Value(57, 50), kFailValue);
    EXPECT_EQ(map.Grid().Value(53, 50), kUnknownValue);
}
