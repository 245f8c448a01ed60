// The desktop layout: which layout starts, dialogs fitted to the screen,
// and the desktop window's map input over a real frame.

#include <QApplication>
#include <QNativeGestureEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "AppFakes.h"
#include "app/DialogFit.h"
#include "app/LayoutChoice.h"
#include "app/MainFrame.h"
#include "app/TambRUMOView.h"
#include "screens/BoardNotice.h"

TEST(LayoutChoice, DesktopWhereTheHandheldWindowTakesLessThanHalfTheWidthAndNoScaleIsGiven) {
    using R = LayoutRequest;
    using L = WindowLayout;
    const struct {
        R request;
        bool scaleGiven;
        int width, height;
        L layout;
    } cases[] = {
        {R::kChosen, false, 240, 320, L::kHandheld},    // the handheld itself
        {R::kChosen, false, 480, 800, L::kHandheld},    // portrait: 2 x 240 is all of it
        {R::kChosen, false, 800, 480, L::kDesktop},     // 240 of 800
        {R::kChosen, false, 1366, 768, L::kDesktop},    // 480 of 1366
        {R::kChosen, false, 1040, 1080, L::kHandheld},  // 720: more than half of 1040
        {R::kChosen, true, 1920, 1080, L::kHandheld},   // --scale or QT_SCALE_FACTOR
        {R::kChosen, false, 0, 0, L::kHandheld},        // no screen
        {R::kHandheld, false, 1920, 1080, L::kHandheld}, {R::kDesktop, true, 240, 320, L::kDesktop},
    };
    for (const auto& c : cases)
        EXPECT_EQ(layoutchoice::Choose(c.request, c.scaleGiven, c.width, c.height), c.layout)
            << c.width << " x " << c.height;
}

TEST(LayoutChoice, TheDesktopBarIsAWholeMultipleThatSuitsTheScreen) {
    const struct {
        int height, scale;
    } cases[] = {{0, 1},    {480, 1},  {727, 1},  {728, 2},
                 {1080, 2}, {1440, 3}, {2160, 5}, {100000, startscale::kMaxScale}};
    for (const auto& c : cases)
        EXPECT_EQ(layoutchoice::DesktopBarScale(c.height), c.scale) << c.height;
}

TEST(DialogFit, ADialogLargerThanTheScreenShrinksAndMovesInsideAndOneThatFitsStays) {
    const QRect screen(0, 0, 1366, 768);
    const struct {
        QRect dialog;
        QSize minimum;
        QRect fitted;
    } cases[] = {
        {{59, -28, 1248, 824}, {0, 0}, {59, 32, 1248, 728}},   // the Open dialog at scale 2
        {{900, 500, 600, 400}, {0, 0}, {758, 360, 600, 400}},  // off the right and bottom edges
        {{100, 100, 400, 300}, {0, 0}, {100, 100, 400, 300}},  // fits: untouched
        {{0, 0, 1366, 768}, {0, 0}, {0, 0, 1366, 768}},        // exactly the screen: untouched
        {{0, 0, 2000, 2000}, {1500, 0}, {8, 32, 1500, 728}},   // never below its minimum
    };
    for (const auto& c : cases)
        EXPECT_EQ(FittedDialog(c.dialog, c.minimum, screen, 32), c.fitted)
            << c.dialog.x() << "," << c.dialog.y() << " " << c.dialog.width();
}

namespace {
class DesktopFrameTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        m_frame = std::make_unique<CMainFrame>(WindowLayout::kDesktop);
        m_frame->View()->SetDialogs(&m_dialogs);
        m_frame->resize(900, 600);
        m_frame->show();
        ASSERT_TRUE(Open(*m_frame->View(), MakeSite("wide.hss", 1200, 300), false));
        QApplication::processEvents();
    }
    CTambRUMOView& View() { return *m_frame->View(); }
    const CDesktopViewport& Vp() { return View().Desktop()->Viewport(); }
    void Wheel(QPointF at, int delta, Qt::KeyboardModifiers mods) {
        QWidget* canvas = View().childAt(at.toPoint());
        ASSERT_NE(canvas, nullptr);
        QWheelEvent e(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &e);
    }
    // What lies under client point `at` is world (wx, wy), to a pixel.
    void ExpectWorldUnder(QPoint at, int32_t wx, int32_t wy) {
        int32_t x = 0, y = 0;
        ASSERT_TRUE(View().Desktop()->WorldAt(at, x, y));
        EXPECT_NEAR(x, wx, 1);
        EXPECT_NEAR(y, wy, 1);
    }
    void ExpectHandheldCursorFollows() {
        EXPECT_EQ(View().Map().Center(MapAxis::kX), Vp().GetCenterX());
        EXPECT_EQ(View().Map().Center(MapAxis::kY), Vp().GetCenterY());
    }
    std::unique_ptr<CMainFrame> m_frame;
};
}  // namespace

TEST_F(DesktopFrameTest, WheelZoomsAboutThePointerKeysMoveTheCursorAndAScanFreezesThem) {
    const QRect client = View().ClientRect();
    ASSERT_GT(client.width(), 600);
    // The whole plan fitted true to its shape: margins above and below.
    EXPECT_NEAR(Vp().Scale(), client.width() / 1200.0, 1e-9);
    const QPoint at(client.width() / 4, client.height() / 2 + 10);
    int32_t wx = 0, wy = 0;
    ASSERT_TRUE(View().Desktop()->WorldAt(at, wx, wy));
    Wheel(at, 240, Qt::ControlModifier);  // two notches: twice as close
    EXPECT_NEAR(Vp().Scale(), 2 * client.width() / 1200.0, 1e-9);
    ExpectWorldUnder(at, wx, wy);
    ExpectHandheldCursorFollows();

    const int32_t x = Vp().GetCenterX();
    View().OnKeyDown(Qt::Key_Right);
    EXPECT_GT(Vp().GetCenterX(), x);
    Wheel(at, -120, Qt::ShiftModifier);  // across
    EXPECT_GT(Vp().GetCenterX(), x);
    ExpectHandheldCursorFollows();
    View().OnKeyDown(Qt::Key_Home);
    EXPECT_NEAR(Vp().Scale(), Vp().MinScale(), 1e-9);

    // A tap on the margin above the plan is off it: no point.
    View().OnTap(QPoint(client.width() / 2, 2));
    EXPECT_FALSE(View().Session().Pending());
    // A tap on the plan takes the tapped pixel as the point; while it is
    // measured nothing moves the cursor.
    ASSERT_TRUE(View().Desktop()->WorldAt(at, wx, wy));
    View().OnTap(at);
    ASSERT_TRUE(View().Session().Pending());
    EXPECT_EQ(View().Map().Center(MapAxis::kX), wx);
    EXPECT_EQ(View().Map().Center(MapAxis::kY), wy);
    for (int key : {Qt::Key_Plus, Qt::Key_Left, Qt::Key_Home}) View().OnKeyDown(key);
    Wheel(at, 240, Qt::ControlModifier);
    m_frame->resize(500, 400);  // a resize keeps the point where it is
    QApplication::processEvents();
    EXPECT_EQ(Vp().GetCenterX(), wx);
    EXPECT_EQ(Vp().GetCenterY(), wy);
    FinishScan(View(), {{0x01, {-50}, 6, "a"}});
    EXPECT_EQ(View().Mode(), DisplayMode::kSiteMap);
}

// Touch screen and touchpad as Qt delivers them: two fingers zoom about
// their centre and pan with it, no tap is taken; a touchpad's pinch zooms
// about the pointer; while a point is measured neither moves it.
TEST_F(DesktopFrameTest, TwoFingersZoomAboutTheirCentreAndPanATouchpadPinchZoomsAScanFreezesBoth) {
    static QPointingDevice* const touch = QTest::createTouchDevice();
    QWidget* canvas = View().childAt(QPoint(10, 10));
    ASSERT_NE(canvas, nullptr);
    const QRect client = View().ClientRect();
    const QPoint c(client.width() / 4, client.height() / 2 + 10), span(20, 0), pan(30, 0);
    const auto pinch = [&](QPoint centre, int grow, QPoint moved) {
        QTest::touchEvent(canvas, touch).press(0, centre - span).press(1, centre + span);
        QTest::touchEvent(canvas, touch)
            .move(0, centre + moved - span * grow)
            .move(1, centre + moved + span * grow);
        QTest::touchEvent(canvas, touch)
            .release(0, centre + moved - span * grow)
            .release(1, centre + moved + span * grow);
    };
    int32_t wx = 0, wy = 0;
    ASSERT_TRUE(View().Desktop()->WorldAt(c, wx, wy));
    const double fit = Vp().Scale();
    pinch(c, 2, pan);  // the fingers twice as far apart, their centre 30 pixels right
    EXPECT_NEAR(Vp().Scale(), 2 * fit, 1e-9);
    ExpectWorldUnder(c + pan, wx, wy);
    EXPECT_FALSE(View().Session().Pending());
    ExpectHandheldCursorFollows();

    ASSERT_TRUE(View().Desktop()->WorldAt(c, wx, wy));
    QNativeGestureEvent zoom(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, c,
                             c, canvas->mapToGlobal(c), 0.5, QPointF());
    QApplication::sendEvent(canvas, &zoom);
    EXPECT_NEAR(Vp().Scale(), 3 * fit, 1e-9);
    ExpectWorldUnder(c, wx, wy);  // about the pointer: what was under it stays

    View().OnTap(c);
    ASSERT_TRUE(View().Session().Pending());
    const int32_t x = Vp().GetCenterX(), y = Vp().GetCenterY();
    pinch(c, 2, pan);
    QApplication::sendEvent(canvas, &zoom);
    EXPECT_NEAR(Vp().Scale(), 3 * fit, 1e-9);
    EXPECT_EQ(Vp().GetCenterX(), x);
    EXPECT_EQ(Vp().GetCenterY(), y);
    FinishScan(View(), {{0x01, {-50}, 6, "a"}});
}

// Set Scale's strip while the distance is asked says so, painted before the
// dialog holds the window (not the tap before it, left on the screen); a
// cancelled distance goes back to the other end, the first mark kept.
TEST_F(DesktopFrameTest, SetScaleTellsOfTheDistanceWhileAskedAndACancelTakesTheOtherEndAgain) {
    QWidget* canvas = View().childAt(QPoint(10, 10));
    ASSERT_NE(canvas, nullptr);
    PaintCounter counter;
    canvas->installEventFilter(&counter);
    const QRect client = View().ClientRect();
    const QPoint first(client.width() / 4, client.height() / 2),
        second(client.width() / 2, first.y());
    int32_t x1 = 0, y = 0, x2 = 0, x3 = 0;
    ASSERT_TRUE(View().Desktop()->WorldAt(first, x1, y));
    ASSERT_TRUE(View().Desktop()->WorldAt(second, x2, y));
    View().OnSetScale();
    View().OnTap(first);
    QApplication::processEvents();
    QString askedPrompt;
    int paintsWhileAsked = 0;
    m_dialogs.whileScaleAsked = [&] {
        counter.paints = 0;
        QApplication::processEvents();  // the dialog's own loop
        paintsWhileAsked = counter.paints;
        askedPrompt = View().ScaleFlow().Prompt();
    };
    View().OnTap(second);  // cancelled
    EXPECT_DOUBLE_EQ(m_dialogs.scaleAsked, x2 - x1);
    EXPECT_GT(paintsWhileAsked, 0);
    EXPECT_TRUE(askedPrompt.contains(QLatin1String("distance"))) << askedPrompt.toStdString();
    EXPECT_TRUE(View().ScaleFlow().Active());
    EXPECT_TRUE(View().ScaleFlow().Prompt().contains(QLatin1String("other end")));

    const QPoint third(client.width() * 3 / 4, first.y());
    ASSERT_TRUE(View().Desktop()->WorldAt(third, x3, y));
    m_dialogs.scaleAnswer = 5.0;
    View().OnTap(third);
    EXPECT_DOUBLE_EQ(m_dialogs.scaleAsked, x3 - x1);
    EXPECT_FALSE(View().ScaleFlow().Active());
    EXPECT_DOUBLE_EQ(View().Document().MetresPerPixel().value_or(0), 5.0 / (x3 - x1));
    EXPECT_FALSE(View().Session().Pending());
}

// A plan as tall as most of the window, the cursor brought near its top by
// a tap: the plan's lower part goes below the window, and the vertical bar
// shows the part still shown (it claimed the whole plan and could not move);
// the tap leaves either thumb where the part shown is.
TEST_F(DesktopFrameTest, TheBarsThumbIsThePartOfAPlanShownWhenATapMovesPartOfItOut) {
    const QRect client = View().ClientRect();
    Wheel(QPointF(client.center()), 120, Qt::ControlModifier);
    const double span = client.height() / Vp().Scale();
    ASSERT_LT(300, span);  // the plan would fit the window's height
    ASSERT_GT(300, span / 2 + 20);
    const QPoint nearTop(client.width() / 2,
                         static_cast<int>((10.5 - Vp().VisibleTop()) * Vp().Scale()));
    View().OnTap(nearTop);
    ASSERT_EQ(Vp().GetCenterY(), 10);
    const QScrollBar* bar = View().Bars().Bar(MapAxis::kY);
    EXPECT_EQ(bar->maximum() + bar->pageStep(), 300);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_NEAR(bar->pageStep(), Vp().VisibleBottom(), 1);  // 0 .. the window's bottom edge
    EXPECT_GT(bar->maximum(), 0);
    // Across, the plan is wider than the window: the thumb starts where the
    // part shown does, not at the cursor (the handheld's bar value).
    const QScrollBar* across = View().Bars().Bar(MapAxis::kX);
    EXPECT_NEAR(across->value(), Vp().VisibleLeft(), 1);
    EXPECT_NEAR(across->pageStep(), client.width() / Vp().Scale(), 1);
    FinishScan(View(), {{0x01, {-50}, 6, "a"}});
}

// The notice strip (as the caption, the legend and the scale bar) at the
// toolbar's multiple, as the frame sets it: that many times as tall, still
// along the map's bottom edge.
TEST_F(DesktopFrameTest, TheNoticeStripOverTheMapTakesTheToolbarsMultiple) {
    View().OnSetScale();  // its prompt is in the strip
    const auto stripRows = [&] {
        const QImage shot = View().Render();
        int rows = 0;
        for (int y = shot.height() - 1; y >= 0 && (shot.pixel(2, y) & 0xFFFFFF) == 0xFFFF00; --y)
            ++rows;
        return rows;
    };
    EXPECT_EQ(stripRows(), screens::kNoticeHeight * m_frame->BarScale());  // as the frame set it
    View().Desktop()->SetTextScale(1);
    EXPECT_EQ(stripRows(), screens::kNoticeHeight);
    View().Desktop()->SetTextScale(3);
    EXPECT_EQ(stripRows(), 3 * screens::kNoticeHeight);
    View().OnCancel();
}
