// The site map: drawing with margins and cursor, input, circles and the
// recording of finished scans.

#include <QCoreApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <functional>

#include "AppFakes.h"
#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "site/SiteRecord.h"

// The view hands its plan, viewport and cursor to the painter; the margins
// past an edge are the viewport's strips (MapViewportTest) painted as the
// golden pictures show (MapGoldenTest).
TEST_F(AppTest, MapShowsTheWholeSiteWithTheCursorAtTheCentre) {
    auto view = MakeView();
    ScreenArt art;
    art.cursor = QImage(32, 32, QImage::Format_RGB32);
    art.cursor.fill(Qt::black);
    view->SetArt(art);
    ASSERT_TRUE(Open(*view, MakeSite("a.hss"), false));
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
    EXPECT_EQ(view->Map().Viewport().GetCenterX(), 120);
    EXPECT_EQ(view->Map().Viewport().GetCenterY(), 134);
    const QImage img = view->Render(QSize(240, 268));
    // Cursor ANDed at (w/2 - 16, h/2 - 16), 32 x 32; the map elsewhere.
    for (QPoint p : {QPoint(104, 118), QPoint(135, 149)}) EXPECT_EQ(Px(img, p.x(), p.y()), 0u);
    for (QPoint p : {QPoint(17, 3), QPoint(239, 267), QPoint(136, 150), QPoint(103, 117)})
        EXPECT_EQ(Px(img, p.x(), p.y()), SiteColour(p.x(), p.y())) << p.x() << "," << p.y();
}

// Every way of moving the cursor through a bar, a key or a zoom ends with
// both thumbs at the cursor. Starts at the middle (300, 500) of a 600 x 1000 map.
TEST_F(AppTest, EveryBarActionMovesTheMapAndLeavesTheThumbAtTheCursor) {
    using S = QAbstractSlider;
    using View = CTambRUMOView;
    const auto act = [](S::SliderAction a) {
        return [a](QScrollBar* b, View&) { b->triggerAction(a); };
    };
    const auto wheel = [](int notches) {
        return [notches](QScrollBar* b, View&) {
            QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(b, &e);
        };
    };
    const int pageX = 240, pageY = 268;  // the client area
    const struct {
        const char* what;
        bool vertical;
        std::function<void(QScrollBar*, View&)> action;
        int expected;  // the cursor along the bar's axis
    } cases[] = {
        // clang-format off
        {"line right", false, act(S::SliderSingleStepAdd), 310},
        {"line up", true, act(S::SliderSingleStepSub), 490},
        {"page left (and the track's auto-repeat)", false, act(S::SliderPageStepSub), 300 - pageX},
        {"page down", true, act(S::SliderPageStepAdd), 500 + pageY},
        {"left edge", false, act(S::SliderToMinimum), 0},
        {"bottom edge", true, act(S::SliderToMaximum), 1000},
        {"wheel down over the vertical bar: three lines", true, wheel(1), 530},
        {"wheel over the horizontal bar", false, wheel(-2), 240},
        {"scroll here", false, [](QScrollBar* b, View&) { b->setValue(123); }, 123},
        {"thumb dragged", true,
         [](QScrollBar* b, View&) {
             b->setSliderDown(true), b->setSliderPosition(57), b->setSliderDown(false);
         }, 57},
        {"other codes move nothing", false, [](QScrollBar*, View& v) { v.OnScroll(MapAxis::kX, 4, 123); }, 300},
        {"joystick left", false, [](QScrollBar*, View& v) { v.OnKeyDown(Qt::Key_Left); }, 290},
        {"joystick down", true, [](QScrollBar*, View& v) { v.OnKeyDown(Qt::Key_Down); }, 510},
        {"zoom out beside the left edge moves the cursor", false,
         [](QScrollBar* b, View& v) {
             v.OnZoomIn(), b->triggerAction(S::SliderToMinimum), v.OnZoomOut();
         }, 150},
        // clang-format on
    };
    auto view = OpenedView(600, 1000);
    EXPECT_EQ(view->Bars().Bar(MapAxis::kX)->maximum(), 600);
    EXPECT_EQ(view->Bars().Bar(MapAxis::kY)->maximum(), 1000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        view->OnZoomOut(), view->OnZoomOut();
        view->OnScroll(MapAxis::kX, SB_THUMBTRACK, 300);
        view->OnScroll(MapAxis::kY, SB_THUMBTRACK, 500);
        c.action(c.vertical ? view->Bars().Bar(MapAxis::kY) : view->Bars().Bar(MapAxis::kX), *view);
        QCoreApplication::processEvents();
        const CMapViewport& vp = view->Map().Viewport();
        EXPECT_EQ(c.vertical ? vp.GetCenterY() : vp.GetCenterX(), c.expected);
        for (auto [bar, centre] : {std::pair{view->Bars().Bar(MapAxis::kX), vp.GetCenterX()},
                                   std::pair{view->Bars().Bar(MapAxis::kY), vp.GetCenterY()}}) {
            EXPECT_EQ(bar->value(), centre);
            EXPECT_EQ(bar->sliderPosition(), centre);
        }
    }
}

TEST_F(AppTest, AHeldCentreKeyTakesOnePointHTogglesOnceAndAHeldArrowKeepsScrollingOnTheMap) {
    auto view = OpenedView();
    const int x0 = view->Map().Viewport().GetCenterX();
    for (int key : {Qt::Key_Return, Qt::Key_H, Qt::Key_Left})
        for (bool repeat : {false, true, true, true}) {
            PressKey(view.get(), key, repeat);
            // The key is still held when the point has been recorded.
            if (view->Session().Pending()) FinishScan(*view, {{1, {-50}, 6, "ap"}});
        }
    EXPECT_EQ(m_sounds.played.size(), 1u);
    EXPECT_EQ(surveyList.Count(), 1);
    EXPECT_EQ(view->Map().Viewport().GetCenterX(), x0 - 40);
    EXPECT_TRUE(view->Coverage().Shown());
}

TEST_F(AppTest, TapsAndTheCentreKeyStartNothingBeforeASiteIsOpen) {
    auto view = MakeView();
    TapWorld(*view, 100, 100);
    view->OnKeyDown(Qt::Key_Return);
    view->OnTapAndHold(QPoint(100, 100));
    EXPECT_FALSE(view->Session().Pending());
    EXPECT_TRUE(m_sounds.played.empty());
    EXPECT_EQ(theBoard.m_requestedMode.load(), 0);
    EXPECT_EQ(m_dialogs.locationShown, 0);

    // A finished scan nobody asked for records nothing and crashes nothing.
    FinishScan(*view, {});
    EXPECT_EQ(theBoard.m_bScanStarted.load(), 0);
    EXPECT_TRUE(surveyList.IsEmpty());
    EXPECT_EQ(view->Mode(), DisplayMode::kStartup);
    EXPECT_TRUE(m_boxes.shown.empty());
}

TEST_F(AppTest, TapStartsAPointAtTheTappedPlaceTheScanRecordsItAndAnEmptyOneWarns) {
    auto view = OpenedView();
    TapWorld(*view, 200, 100);
    EXPECT_EQ(view->Map().Viewport().GetCenterX(), 200);
    EXPECT_EQ(view->Map().Viewport().GetCenterY(), 100);
    EXPECT_EQ(view->Mode(), DisplayMode::kScanScreen);
    ASSERT_EQ(m_sounds.played.size(), 1u);
    EXPECT_EQ(m_sounds.played[0].first.toLower(), QStringLiteral("ping"));  // found in any case
    EXPECT_FALSE(m_sounds.played[0].second);  // the board's request: LiveBoard (ScanEndTest)

    FinishScan(*view, {{0x01, {-61, -62, -64}, 6, "lab"}});
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
    EXPECT_EQ(Px(MapPicture(view->Map()), 200, 100), 0x00FF00u);  // green circle at the cursor
    EXPECT_EQ(m_boxes.shown.size(), 1u);                          // only the keep-points question

    // An empty scan warns after the red alert and paints black.
    m_boxes.shown.clear();
    view->OnKeyDown(Qt::Key_Enter);
    EXPECT_EQ(view->Mode(), DisplayMode::kScanScreen);
    FinishScan(*view, {});
    ASSERT_EQ(m_sounds.played.size(), 3u);
    EXPECT_EQ(m_sounds.played[2], std::make_pair(QStringLiteral("REDALERT"), true));
    ExpectOneBox("No Access Points Detected!", "COVERAGE WARNING", platform::MB_ICONEXCLAMATION);
    EXPECT_EQ(Px(MapPicture(view->Map()), 200, 100), 0x000000u);
}

TEST_F(AppTest, PressHeldWithoutMovingIsAHoldAndOtherwiseATap) {
    platform::CTapAndHold gesture;
    gesture.SetHoldInterval(1);
    gesture.SetDragDistance(5);
    std::vector<std::pair<char, QPoint>> seen;
    gesture.onTap = [&](QPoint p) { seen.push_back({'t', p}); };
    gesture.onHold = [&](QPoint p) { seen.push_back({'h', p}); };

    gesture.Press(QPoint(10, 10));
    gesture.Move(QPoint(12, 11));  // within the drag distance
    EXPECT_TRUE(PumpUntil([&] { return !gesture.Pending(); }, std::chrono::seconds(5)));
    gesture.Release();
    gesture.Press(QPoint(30, 30));
    gesture.Release();
    gesture.Press(QPoint(50, 50));
    gesture.Move(QPoint(60, 50));  // moved away: a tap where it was pressed
    gesture.Release();
    EXPECT_EQ(seen, (std::vector<std::pair<char, QPoint>>{
                        {'h', QPoint(10, 10)}, {'t', QPoint(30, 30)}, {'t', QPoint(50, 50)}}));
}

// Set Scale by a drag through the window's gesture, the line drawn while it
// lasts and no point taken; between two taps a zoom changes nothing of the
// plan pixels measured.
TEST_F(AppTest, SetScaleByADragOrByTwoTapsWithAZoomBetween) {
    auto view = OpenedView();
    m_dialogs.scaleAnswer = 7.0;
    constexpr uint32_t kLine = 0xD01010;
    view->OnSetScale();
    TapWorld(*view, 20, 100);
    EXPECT_EQ(Px(view->Render(QSize(240, 268)), 20, 100), kLine);  // the first mark shows
    view->OnZoomIn();  // twice as large about (120, 134): the mark off screen with its pixel
    EXPECT_NE(Px(view->Render(QSize(240, 268)), 20, 100), kLine);
    view->OnTap(QPoint(200, 66));  // (160, 100)
    EXPECT_DOUBLE_EQ(m_dialogs.scaleAsked, 140);

    view->OnSetScale();
    platform::CTapAndHold& gesture = view->Gesture();
    gesture.Press(QPoint(40, 50));
    gesture.Move(QPoint(100, 50));
    gesture.Move(QPoint(200, 50));
    EXPECT_EQ(Px(view->Render(QSize(240, 268)), 150, 50), kLine);
    gesture.Release(QPoint(200, 50));
    EXPECT_DOUBLE_EQ(m_dialogs.scaleAsked, 80);
    EXPECT_DOUBLE_EQ(view->Document().MetresPerPixel().value_or(0), 7.0 / 80);
    EXPECT_NE(Px(view->Render(QSize(240, 268)), 150, 50), kLine);
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
    EXPECT_EQ(g_pSite->m_locationCount, 0);
}
