// The view with the real link and worker on a pseudo-terminal on which the
// test plays the board: a scan that ends without a point (the board lost in
// the middle), and every reading kept while the scan screen repaints. Escape and the late end of a
// cancelled scan are the scan session's (tests/board) and the point session's (ScanGuardTest).

#include <filesystem>
#include <thread>

#include "AppFakes.h"
#include "BoardFrame.h"
#include "BoardPty.h"
#include "ScratchDir.h"
#include "aplist/ApList.h"
#include "app/BoardHookup.h"
#include "board/ScannerBoard.h"
#include "link/BoardWorker.h"

namespace fs = std::filesystem;

namespace {

const QString kLostText = QStringLiteral("Board disconnected, reconnecting\u2026");

class LiveBoard : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(pty->Ok());
        Plug(*pty);
        view = OpenedView();
        BoardStartupOptions options = QuickStartup();
        options.simulate = false;
        options.portOverride = device.string();
        options.worker.retryInterval = std::chrono::milliseconds(50);
        options.worker.clockMs = [] { return int64_t{0}; };  // stands still: no scan time-out
        options.worker.clockSeconds = [] { return 1000u; };  // no keep-alive on the line
        hookup = new CBoardHookup(view.get(), options);      // owned by the view
        hookup->Start();
        ASSERT_TRUE(PumpUntil([&] { return hookup->Finished(); }));
        ASSERT_EQ(pty->Read(kFirmwareRequest.size()), kFirmwareRequest);
        boxesBefore = m_boxes.shown.size();
    }
    void TearDown() override {
        view.reset();  // stops the board before the program state is reset
        AppTest::TearDown();
    }

    // The program opens `device`, a link to the current pty.
    void Plug(BoardPty& line) {
        fs::remove(device);
        fs::create_symlink(line.SlavePath(), device);
    }
    // The device goes away. The name goes first: the worker's retries must
    // not find the pty of another test that reuses the old pty number.
    void Unplug() {
        fs::remove(device);
        pty->Unplug();
    }
    const CBoardWorker& Worker() const { return *hookup->Startup()->Worker(); }
    static Bytes Heard(uint8_t macLast) {
        return BoardFrame(MSG_SCAN_REPORT, ReportMessage({{macLast, -50}}, "ap", 1));
    }
    static int Listed() {
        std::lock_guard<std::mutex> hold(theBoard.m_reportLock);
        return scanList.Count();
    }
    // A tap; the board acknowledges mode 7, starts the scan and hears
    // access point `macLast`, and the scan screen shows it.
    void TapAndScanStarts(uint8_t macLast = 1) {
        TapWorld(*view, 100, 100);
        ASSERT_EQ(pty->Read(kModeRequest.size()), kModeRequest);
        pty->Write(BoardFrame(MSG_MODE, {kSurveyScanMode}));
        ASSERT_EQ(pty->Read(kScanRequest.size()), kScanRequest);
        pty->Write(Join({BoardFrame(MSG_SCAN_START, {}), Heard(macLast)}));
        ASSERT_TRUE(PumpUntil([] { return Listed() == 1; }));
        ASSERT_EQ(view->Mode(), DisplayMode::kScanScreen);
    }
    // The board finishes the scan and the view records the point.
    void ScanEnds() {
        pty->Write(BoardFrame(MSG_SCAN_END, {}));
        ASSERT_TRUE(PumpUntil([&] { return !view->Session().Pending(); }));
    }
    // Waits until the worker has gone round its loop three more times: what it
    // has read is dispatched and any kept report merged.
    void Settle() {
        const uint64_t passes = Worker().Passes() + 3;
        ASSERT_TRUE(PumpUntil([&] { return Worker().Passes() >= passes; }));
    }
    // Back on the map, no point recorded, no box, and `notice` on screen.
    void ExpectMapWithoutAPoint(const QString& notice) {
        EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
        EXPECT_FALSE(view->Session().Pending());
        EXPECT_TRUE(surveyList.IsEmpty());
        EXPECT_EQ(m_boxes.shown.size(), boxesBefore);
        EXPECT_EQ(QString::fromStdString(view->Session().NoticeText()), notice);
        const QImage shown = view->Render(QSize(240, 268));
        EXPECT_EQ(Px(shown, 2, 266) == 0xFFFF00u, !notice.isEmpty()) << "the notice strip";
    }

    ScratchDir dir;
    fs::path device = dir.Path() / "board";
    std::unique_ptr<BoardPty> pty = std::make_unique<BoardPty>();
    std::unique_ptr<CTambRUMOView> view;
    CBoardHookup* hookup = nullptr;
    size_t boxesBefore = 0;
};

// A board that falls silent takes the same road from the board on (the
// worker's and the scan session's tests).
TEST_F(LiveBoard, BoardLostMidScanReturnsToTheMapWithoutAPointUntilItIsBack) {
    TapAndScanStarts();
    Unplug();
    ASSERT_TRUE(PumpUntil([&] { return view->Mode() == DisplayMode::kSiteMap; }));
    ExpectMapWithoutAPoint(kLostText);
    pty = std::make_unique<BoardPty>();  // back under the same name
    Plug(*pty);
    ASSERT_EQ(pty->Read(kFirmwareRequest.size()), kFirmwareRequest);
    ASSERT_TRUE(
        PumpUntil([&] { return QString::fromStdString(view->Session().NoticeText()).isEmpty(); }));
    ExpectMapWithoutAPoint(QString());
    // The next tap asks for mode 7 again and records its point.
    TapAndScanStarts(7);
    ScanEnds();
    ASSERT_EQ(surveyList.Count(), 1);
    EXPECT_EQ(surveyList.First()->mac[5], 7);
}

TEST_F(LiveBoard, EveryReadingCountsWhileTheScanScreenRepaintsContinuously) {
    TapAndScanStarts(1);
    constexpr int kReports = 1000;
    const Bytes report = BoardFrame(
        MSG_SCAN_REPORT, ReportMessage({{1, -50}, {2, -60}, {3, -70}, {4, -80}}, "ap", 4));
    const uint64_t before = Worker().BytesReceived();
    std::thread board([&] {
        for (int i = 0; i < kReports; ++i) pty->Write(report);
    });
    // Repaint as fast as the user-interface thread can while they arrive.
    const bool taken = PumpUntil(
        [&] {
            view->Render(QSize(240, 268));
            return Worker().BytesReceived() >= before + report.size() * kReports;
        },
        std::chrono::seconds(60));
    board.join();
    ASSERT_TRUE(taken);
    Settle();
    int64_t readings = 0;
    {
        std::lock_guard<std::mutex> hold(theBoard.m_reportLock);
        for (const ApRecord* r = scanList.First(); r != nullptr && r != scanList.Sentinel();
             r = r->next)
            readings += r->readingCount;
    }
    EXPECT_EQ(readings, 1 + 4 * kReports);
}

}  // namespace
