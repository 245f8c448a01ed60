// The coverage map on the map screen: bands over the plan under the circles,
// nothing beyond R, live with new and deleted points and with zoom, and the
// networks "Networks" lists. What a placeholder does to the values and how
// a band blends are CoverageTest's.

#include <QPainter>
#include <set>

#include "AppFakes.h"
#include "coverage/CoverageOverlay.h"

namespace {

constexpr uint32_t kOrange = 0xFF8000;
constexpr uint32_t kBlue = 0x0000FF;

// The plan's colour at (x, y) under a band.
uint32_t Banded(int x, int y, uint32_t band) {
    return CCoverageOverlay::Blend(SiteColour(x, y), band) & 0xFFFFFFu;
}

class CoverageViewTest : public AppTest {
protected:
    // The whole 240 x 268 site in view again, one world pixel per client pixel.
    QImage Whole(CTambRUMOView& view) {
        Recentre(view);
        return view.Render(QSize(240, 268));
    }
};

}  // namespace

TEST_F(CoverageViewTest, BandsOverThePlanUnderTheCirclesAndNothingBeyondTheRadius) {
    auto view = OpenedView();
    RecordPoint(*view, 60, 60, {{0x01, {-45}, 6, "office"}});  // orange
    view->OnKeyDown(Qt::Key_H);
    ASSERT_TRUE(view->Coverage().Shown());
    QImage img = Whole(*view);
    const struct {
        int x, y;
        uint32_t expected;
    } pixels[] = {
        {60, 60, kOrange},                  // the circle stays on top
        {75, 60, Banded(75, 60, kOrange)},  // the plan shows through the band
        {125, 60, SiteColour(125, 60)},     // 65 from every point: beyond R = 60
    };
    for (const auto& p : pixels) EXPECT_EQ(Px(img, p.x, p.y), p.expected) << p.x << "," << p.y;
    EXPECT_NE(Px(img, 75, 60), Px(img, 75 + 16, 60));  // two colours of the plan, both readable

    // At scale 3 a cell is 3 x 3 device pixels, one per pixel of the handheld.
    QImage fine(720, 804, QImage::Format_RGB32);
    fine.setDevicePixelRatio(3);
    {
        QPainter p(&fine);
        view->OnDraw(p, QRect(0, 0, 240, 268));
    }
    EXPECT_EQ(Px(fine, 3 * 75 + 2, 3 * 60), Banded(75, 60, kOrange));
    EXPECT_EQ(Px(fine, 3 * 125 + 1, 3 * 60 + 1), SiteColour(125, 60));

    view->OnKeyDown(Qt::Key_H);
    EXPECT_EQ(Px(Whole(*view), 75, 60), SiteColour(75, 60));
}

TEST_F(CoverageViewTest, MapFollowsNewAndDeletedPointsAndZoom) {
    auto view = OpenedView();
    view->Coverage().SetShown(true);
    RecordPoint(*view, 100, 100, {{0x01, {-45}, 6, "office"}});
    EXPECT_EQ(Px(Whole(*view), 110, 100), Banded(110, 100, kOrange));
    EXPECT_EQ(Px(Whole(*view), 200, 100), SiteColour(200, 100));

    // How the map takes a new point in is CoverageTest's incremental updates.
    RecordPoint(*view, 200, 90, {{0x01, {-75}, 6, "office"}});
    EXPECT_EQ(Px(Whole(*view), 200, 100), Banded(200, 100, kBlue));

    // Zoomed in twice about the centre: view (60, 67)-(180, 201), 2 pixels a unit.
    view->OnZoomIn();
    const QImage zoomed = view->Render(QSize(240, 268));
    EXPECT_EQ(Px(zoomed, 2 * (110 - 60), 2 * (100 - 67)), Banded(110, 100, kOrange));
    view->OnZoomOut();

    m_dialogs.locationResult = CLocationInfoDlg::kDeleted;  // the location dialog deletes the point
    Whole(*view);
    view->OnTapAndHold(QPoint(200, 90));
    const QImage deleted = Whole(*view);
    EXPECT_EQ(Px(deleted, 200, 100), SiteColour(200, 100));
    EXPECT_EQ(Px(deleted, 110, 100), Banded(110, 100, kOrange));
}

TEST_F(CoverageViewTest, NetworksListsTheSurveyAndClosedChangesNothing) {
    auto view = OpenedView();
    RecordPoint(*view, 100, 100, {{0x01, {-45}, 6, "office"}, {0x02, {-75}, 11, "lab"}});
    m_dialogs.networksAnswer.reset();  // closed: nothing changes
    view->OnNetworks();
    ASSERT_EQ(m_dialogs.networksShown.ssids.size(), 2u);
    EXPECT_EQ(m_dialogs.networksShown.ssids[0].ssid, "office");
    EXPECT_FALSE(view->Coverage().Shown());
    EXPECT_EQ(m_dialogs.networksUnit, " px");  // no scale
    // A choice shows the map under the frame's button (FrameTest); the
    // choice and R the map then takes, and another site showing all again,
    // are CCoverageState's and the survey document's tests.
}

// "Map Shows": a bad requirement is told in one line and changes nothing;
// voice shows pass/fail (the nearest point's verdict, not a blend) and its
// legend in the corner; back on the signal the caption tells no share.
TEST_F(CoverageViewTest, MapShowsPassFailOfARequirementWithItsLegend) {
    auto view = OpenedView();
    RecordPoint(*view, 60, 60, {{0x01, {-45}, 6, "office"}, {0x02, {-60}, 11, "office"}});
    RecordPoint(*view, 60, 200, {{0x03, {-50}, 6, "office"}});  // no secondary: fails voice
    m_dialogs.mapShowsAnswer = {CoverageLayer::Of(Metric::kPassFail), "primary=-200"};
    view->OnMapShows();
    EXPECT_NE(m_dialogs.told.find("primary"), std::string::npos) << m_dialogs.told;
    EXPECT_FALSE(view->Coverage().Shown());
    m_dialogs.mapShowsAnswer = {CoverageLayer::Of(Metric::kPassFail), "voice"};
    view->OnMapShows();
    ASSERT_EQ(m_dialogs.told, "");
    // Without a noise floor SNR is unknown: the first point is unknown, the
    // second fails (the share in the caption is SurveyDocumentTest's).
    const QImage img = Whole(*view);
    const CoverageLayer verdicts = CoverageLayer::Of(Metric::kPassFail);
    EXPECT_EQ(Px(img, 65, 110), Banded(65, 110, verdicts.Colour(1)));  // nearer the first
    EXPECT_EQ(Px(img, 65, 150), Banded(65, 150, verdicts.Colour(2)));  // nearer the second
    // The legend: a swatch of each verdict in the bottom-right corner.
    std::set<uint32_t> corner;
    for (int y = 200; y < 268; ++y)
        for (int x = 150; x < 240; ++x) corner.insert(Px(img, x, y));
    for (int b = 0; b < verdicts.BandCount(); ++b)
        EXPECT_TRUE(corner.count(verdicts.Colour(static_cast<int8_t>(b)))) << b;
    m_dialogs.mapShowsAnswer = {CoverageLayer::Signal(), "voice"};
    view->OnMapShows();
    EXPECT_EQ(view->Coverage().Caption(), "Strongest of all, R 60 px");
}
