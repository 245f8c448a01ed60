// A point being measured is never lost or moved by the program's own flow:
// Open ends the scan before it asks anything; taps, holds, bars, arrows and
// zoom leave the point where it was tapped, with every reading of its scan;
// closing waits for the scan; an unwritable capture file is told, and the
// board runs on.

#include <QCoreApplication>
#include <QFile>
#include <QScrollBar>
#include <mutex>
#include <utility>

#include "AppFakes.h"
#include "aplist/ApList.h"
#include "app/BoardHookup.h"
#include "app/MainFrame.h"
#include "sources/wifi/WifiReading.h"

namespace {

// A source the test plays: it hears what the test says and finishes when told.
class FakeSource : public IMeasurementSource {
public:
    int cancels = 0;
    bool finished = false;

    void Hear(uint8_t macLast, int16_t dbm) {
        WifiReading r;
        r.mac[5] = macLast;
        r.channel = {WifiBand::k24GHz, 6};
        r.dbm = dbm;
        std::lock_guard<std::mutex> hold(scanListLock);
        MergeWifiReadings(scanList, {r});
    }

    void SetNotifier(IDrawNotifier*) override {}
    void StartScan(int32_t, int32_t, ScanTrigger) override {}
    void CancelScan() override { ++cancels; }
    bool TakeFinishedScan() override { return std::exchange(finished, false); }
    bool ScanGivenUp() const override { return false; }
    SourceState State() const override { return SourceState::kConnected; }
    SourceTexts StartupTexts() const override { return {}; }
    std::string NoticeText() const override { return {}; }
    uint16_t ChannelCells() const override { return 0; }
};

class ScanGuard : public AppTest {
protected:
    // Installs a fake source on `view` and keeps a pointer to it.
    void UseFake(CTambRUMOView& view) {
        auto owned = std::make_unique<FakeSource>();
        source = owned.get();
        view.SetSource(std::move(owned));
    }
    // The scan's end reaches the view.
    void Finish(CTambRUMOView& view) {
        source->finished = true;
        view.OnTalvDraw();
    }

    FakeSource* source = nullptr;
};

TEST_F(ScanGuard, OpenEndsARunningScanBeforeItAsksSoTheScanRecordsNothingAnywhere) {
    auto view = OpenedView();
    RecordPoint(*view, 50, 50, {{1, {-40}, 1, "old"}});  // unsaved: Open asks to save
    UseFake(*view);
    view->OnTap(QPoint(100, 100));
    source->Hear(9, -60);
    // The scan's end arrives while the questions are up.
    bool pendingWhenAsked = true;
    m_boxes.onShow = [&] {
        pendingWhenAsked = pendingWhenAsked && view->Session().Pending();
        Finish(*view);
    };
    m_boxes.answers = {platform::IDNO, platform::IDNO};  // do not save; do not keep points
    m_files.next = QString::fromStdString(MakeSite("b.hss"));
    view->OnOpenSite();
    EXPECT_FALSE(pendingWhenAsked);
    EXPECT_EQ(source->cancels, 1);
    EXPECT_EQ(QString::fromStdString(view->Document().Path()), m_files.next);
    EXPECT_TRUE(surveyList.IsEmpty()) << "the scan was recorded into a survey";
    EXPECT_FALSE(view->Document().HasUnsavedChanges());
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
}

TEST_F(ScanGuard, InputDuringAScanLeavesThePointWhereItWasTappedWithTheWholeScansReadings) {
    auto view = OpenedView();
    UseFake(*view);
    TapWorld(*view, 100, 100);
    source->Hear(1, -50);

    view->OnTap(QPoint(30, 30));  // on the black scan screen
    view->OnTapAndHold(QPoint(100, 100));
    view->Bars().Bar(MapAxis::kX)->triggerAction(QAbstractSlider::SliderPageStepAdd);
    view->Bars().Bar(MapAxis::kY)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    view->Bars().Bar(MapAxis::kX)->setValue(5);  // "Scroll here"
    for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Return})
        PressKey(view.get(), key);
    view->OnZoomIn();
    view->OnZoomOut();
    source->Hear(2, -70);
    Finish(*view);

    EXPECT_EQ(m_dialogs.locationShown, 0);
    EXPECT_EQ(view->Map().Viewport().GetCenterX(), 100);
    EXPECT_EQ(view->Map().Viewport().GetCenterY(), 100);
    EXPECT_EQ(view->Bars().Bar(MapAxis::kX)->value(), 100);
    EXPECT_EQ(view->Bars().Bar(MapAxis::kY)->value(), 100);
    ASSERT_EQ(surveyList.Count(), 2) << "readings of the scan were lost";
    for (ApRecord* r = surveyList.First(); r != nullptr; surveyList.GetNext(r)) {
        EXPECT_EQ(r->x, 100);
        EXPECT_EQ(r->y, 100);
    }

    // Escape ends the next scan without a point; the map moves again.
    TapWorld(*view, 150, 150);
    PressKey(view.get(), Qt::Key_Escape);
    EXPECT_EQ(source->cancels, 1);
    EXPECT_FALSE(view->Session().Pending());
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
    EXPECT_EQ(surveyList.Count(), 2);
    view->OnKeyDown(Qt::Key_Left);
    EXPECT_EQ(view->Map().Viewport().GetCenterX(), 140);
}

TEST_F(ScanGuard, ClosingDuringAScanWaitsForItsEndAndAsksWhileASecondCloseEndsItAtOnce) {
    for (const bool twice : {false, true}) {
        SCOPED_TRACE(twice ? "closed twice" : "closed once");
        CMainFrame frame;
        CTambRUMOView& view = *frame.View();
        view.SetDialogs(&m_dialogs);
        frame.show();
        ASSERT_TRUE(Open(view, MakeSite("c.hss"), false));
        UseFake(view);
        view.OnTap(QPoint(60, 60));
        source->Hear(1, -50);
        m_boxes.shown.clear();

        EXPECT_FALSE(frame.close());
        EXPECT_TRUE(frame.isVisible());
        EXPECT_TRUE(view.Session().Pending());
        EXPECT_EQ(QString::fromStdString(view.Session().NoticeText()),
                  QStringLiteral("Closing when this scan has ended\u2026"));
        if (twice) {
            ASSERT_TRUE(frame.close()) << "nothing was unsaved";
            EXPECT_EQ(source->cancels, 1);
            EXPECT_TRUE(m_boxes.shown.empty());
            EXPECT_TRUE(surveyList.IsEmpty());
            continue;
        }
        m_boxes.answers = {platform::IDNO};
        Finish(view);
        ASSERT_TRUE(PumpUntil([&] { return !frame.isVisible(); }));
        EXPECT_EQ(surveyList.Count(), 1) << "the scan was not recorded before the question";
        ExpectOneBox(QStringLiteral("Save the survey before closing?"), QStringLiteral("Tamb"),
                     platform::MB_YESNOCANCEL);
        surveyList.RemoveAll();
    }
}

TEST_F(ScanGuard, AnUnwritableCaptureFileIsToldOnStandardErrorAndInABoxAndTheBoardRunsOn) {
    auto view = MakeView();
    BoardStartupOptions options = QuickStartup();
    options.capturePath = m_dir.filePath("missing/board.capture").toStdString();
    CBoardHookup hookup(view.get(), options);
    testing::internal::CaptureStderr();
    hookup.Start();
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string told = "Cannot write the capture file " + options.capturePath;
    EXPECT_NE(err.find(told), std::string::npos) << err;
    ASSERT_TRUE(PumpUntil([&] { return !m_boxes.shown.empty() && hookup.Finished(); }));
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_TRUE(m_boxes.shown[0].text.startsWith(QString::fromStdString(told)));
    EXPECT_TRUE(PumpUntil([&] {
        return view->Session().Source().StartupTexts().left != "(Firmware 0.00)";
    })) << "the simulated board did not answer";
    hookup.Stop();
}

}  // namespace
