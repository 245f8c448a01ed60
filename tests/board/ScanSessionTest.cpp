// The scan session: which frames a survey scan takes, when its request goes
// out, and how it ends without a point (cancelled, board gone or silent).

#include <future>
#include <thread>

#include "BoardFixture.h"

namespace {

const std::string kModeSent = "11 12 03 07 00 11 13";
const std::string kScanSent = "11 12 16 00 11 13";

class ScanSession : public BoardTest {
protected:
    // A scan report of one access point whose MAC ends in `macLast`.
    static Bytes Heard(uint8_t macLast) {
        return BoardFrame(MSG_SCAN_REPORT,
                          ReportMessage({{{2, 0, 0, 0, 0, macLast}, -50}}, {{0, "ap"}}));
    }
    static Bytes Start() { return BoardFrame(MSG_SCAN_START, {}); }
    static Bytes End() { return BoardFrame(MSG_SCAN_END, {}); }
    // The last MAC bytes in scanList, in list order.
    static std::vector<int> Listed() {
        std::vector<int> macs;
        for (ApRecord* r = scanList.First(); r != nullptr && r != scanList.Sentinel(); r = r->next)
            macs.push_back(r->mac[5]);
        return macs;
    }
    bool Complete() const {
        return theBoard.m_bScanStarted.load() != 0 && theBoard.m_bScanComplete.load() != 0;
    }
    // The first point's scan, under way: mode 7 asked and acknowledged, the
    // scan started, access point 1 heard.
    void FirstScanRunning() {
        theBoard.StartSurveyScan(true);
        Receive(Join({BoardFrame(MSG_MODE, {kSurveyScanMode}), Start(), Heard(1)}));
        ASSERT_EQ(Sent(), (std::vector<std::string>{kModeSent, kScanSent}));
        ASSERT_EQ(theBoard.Gate(), ScanGate::kRunning);
        outbox.queued.clear();
    }
};

TEST_F(ScanSession, CancelledScanRecordsNothingFromItsLateFrames) {
    FirstScanRunning();
    theBoard.CancelScan();
    Receive(Join({Heard(2), End()}));
    EXPECT_FALSE(Complete());
    EXPECT_EQ(Listed(), std::vector<int>{1});  // nothing after the cancel
    EXPECT_EQ(theBoard.Gate(), ScanGate::kCancelled);
}

TEST_F(ScanSession, NextPointWaitsForTheOldScanToEndAndTakesOnlyItsOwnFrames) {
    FirstScanRunning();
    theBoard.StartSurveyScan(true);  // a tap while the board still scans
    EXPECT_TRUE(Sent().empty()) << "asked while the board was busy";
    Receive(Join({Heard(2), End()}));  // the old scan's tail: ignored, and the board is free
    EXPECT_FALSE(Complete());
    EXPECT_EQ(Sent(), std::vector<std::string>{kScanSent});
    Receive(Join({Start(), Heard(3), End()}));
    EXPECT_TRUE(Complete());
    EXPECT_EQ(Listed(), std::vector<int>{3});

    // A request the board has not answered yet also keeps the next one back:
    // the scan-started that comes is the old request's, not ours.
    outbox.queued.clear();
    theBoard.StartSurveyScan(true);
    theBoard.CancelScan();
    theBoard.StartSurveyScan(true);
    EXPECT_EQ(Sent(), std::vector<std::string>{kScanSent});
    Receive(Join({Start(), Heard(4), End()}));
    EXPECT_FALSE(Complete());
    EXPECT_EQ(Sent(), (std::vector<std::string>{kScanSent, kScanSent}));
}

TEST_F(ScanSession, ModeAcknowledgementAfterACancelStartsNoScan) {
    theBoard.StartSurveyScan(false);
    theBoard.CancelScan();
    Receive(BoardFrame(MSG_MODE, {kSurveyScanMode}));
    EXPECT_EQ(Sent(), std::vector<std::string>{kModeSent});
    EXPECT_EQ(theBoard.m_bSurveyMode.load(), 1);
}

TEST_F(ScanSession, LostOrSilentBoardGivesUpTheScanAndTheNextRequestWaitsForItsReturn) {
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "silent" : "gone");
        Fresh();
        FirstScanRunning();
        if (silent)
            theBoard.OnScanTimedOut(theBoard.ScanNumber());
        else
            theBoard.OnDeviceGone();
        EXPECT_EQ(theBoard.Gate(), ScanGate::kGivenUp);
        EXPECT_EQ(std::string(theBoard.PresenceText()), "Board disconnected, reconnecting\u2026");
        EXPECT_EQ(notifier.StateCount(), 1);
        EXPECT_EQ(theBoard.m_bSurveyMode.load(), 0);  // asked again after the return

        theBoard.StartSurveyScan(true);  // a tap while the board is away
        EXPECT_TRUE(Sent().empty());
        if (silent)
            Receive(BoardFrame(MSG_FIRMWARE, {'2', 0}));  // it answers the greeting
        else
            theBoard.OnDeviceBack();
        EXPECT_EQ(std::string(theBoard.PresenceText()), "");
        EXPECT_EQ(Sent().front(), kModeSent);
        EXPECT_EQ(notifier.StateCount(), 2);
    }
    // A time-out of a scan that has been replaced changes nothing.
    Fresh();
    FirstScanRunning();
    const uint32_t old = theBoard.ScanNumber();
    theBoard.StartSurveyScan(true);
    theBoard.OnScanTimedOut(old);
    EXPECT_EQ(theBoard.Gate(), ScanGate::kAwaitStart);
    EXPECT_EQ(theBoard.Presence(), BoardPresence::kPresent);
}

// The user-interface thread holds the report lock while `during` runs.
template <class Fn>
void WithListLocked(Fn during) {
    std::promise<void> locked, release;
    std::thread ui([&] {
        std::lock_guard<std::mutex> hold(theBoard.m_reportLock);
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    during();
    release.set_value();
    ui.join();
}

TEST_F(ScanSession, ReportsThatMeetTheLockAreKeptInOrderAndTheEndWaitsForThem) {
    FirstScanRunning();
    WithListLocked([&] {
        Receive(Join({Heard(2), Heard(1), End()}));
        EXPECT_EQ(notifier.Count(), 2 + 3);  // every frame still draws
        EXPECT_EQ(Listed(), std::vector<int>{1});
        EXPECT_FALSE(Complete()) << "complete before all its readings were in";
    });
    theBoard.MergeKeptReports();  // the worker's next pass
    EXPECT_FALSE(theBoard.HasKeptReports());
    EXPECT_TRUE(Complete());
    ASSERT_EQ(Listed(), (std::vector<int>{1, 2}));
    EXPECT_EQ(scanList.First()->readingCount, 2);

    // Kept ones go before the next report when the lock is free again.
    theBoard.StartSurveyScan(true);
    Receive(Start());
    WithListLocked([&] { Receive(Heard(5)); });
    Receive(Heard(6));
    EXPECT_EQ(Listed(), (std::vector<int>{5, 6}));
}

TEST_F(ScanSession, KeptReportOfAnEarlierScanNeverReachesTheNextPointsList) {
    FirstScanRunning();
    WithListLocked([&] { Receive(Heard(2)); });
    theBoard.StartSurveyScan(true);  // the next point empties the list
    theBoard.MergeKeptReports();
    EXPECT_FALSE(theBoard.HasKeptReports());
    EXPECT_TRUE(Listed().empty());
}

}  // namespace
