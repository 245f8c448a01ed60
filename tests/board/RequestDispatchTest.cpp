// Requests the handheld sends and what each board message does.

#include <condition_variable>
#include <cstring>
#include <thread>

#include "BoardFixture.h"

namespace {

std::vector<std::string> Sent(const RecordingOutbox& outbox) {
    std::vector<std::string> out;
    for (const Bytes& f : outbox.queued) out.push_back(HexText(f));
    return out;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST_F(BoardTest, RequestsGoOutAsExactBytes) {
    theBoard.RequestFirmware();
    theBoard.RequestSerial();
    theBoard.SelectScanMode(kSurveyScanMode);
    theBoard.RequestScan();
    theBoard.SendKeepAlive();
    EXPECT_EQ(Sent(outbox),
              (std::vector<std::string>{"11 12 01 00 11 13", "11 12 02 00 11 13",
                                        "11 12 03 07 00 11 13", "11 12 16 00 11 13", "00 00"}));
    EXPECT_EQ(theBoard.m_requestedMode, kSurveyScanMode);

    // Type and payload bytes 0x11 are stuffed; the checksum position stays 00.
    outbox.queued.clear();
    const uint8_t payload[] = {0x11, 0x05};
    EXPECT_EQ(theBoard.SendFrame(0x11, payload, 2), 1);
    EXPECT_EQ(Sent(outbox), (std::vector<std::string>{"11 12 11 14 11 14 05 00 11 13"}));
}

TEST_F(BoardTest, WithoutOutboxNothingIsSentAndSendFrameReturnsZero) {
    theBoard.SetOutbox(nullptr);
    EXPECT_EQ(theBoard.SendFrame(MSG_FIRMWARE, nullptr, 0), 0);
    theBoard.SendKeepAlive();
    theBoard.SelectScanMode(3);
    EXPECT_EQ(theBoard.m_requestedMode, 3);  // remembered even when it cannot go out
    EXPECT_TRUE(outbox.queued.empty());
}

TEST_F(BoardTest, StartUpExchangeStoresFirmwareThenAsksForTheSerial) {
    EXPECT_EQ(Firmware(), "0.00");
    EXPECT_EQ(Serial(), "XXXXXX");
    theBoard.RequestFirmware();
    Receive(BoardFrame(MSG_FIRMWARE, Text(std::string("1.07\0", 5))));
    EXPECT_EQ(Firmware(), "1.07");
    EXPECT_EQ(Sent(outbox), (std::vector<std::string>{"11 12 01 00 11 13", "11 12 02 00 11 13"}));
    Receive(BoardFrame(MSG_SERIAL, Text("BX20417766")));
    EXPECT_EQ(Serial(), "BX204177");
    EXPECT_EQ(outbox.queued.size(), 2u);  // the serial answer asks for nothing
    EXPECT_EQ(notifier.draws, 0);
}

TEST_F(BoardTest, TextsAreBoundedAndNeverTakeTheChecksumByte) {
    Receive(BoardFrame(MSG_FIRMWARE, Text(std::string(40, 'F'))));
    EXPECT_EQ(Firmware(), std::string(32, 'F'));
    // Without its own NUL a text ends with the message, not with the zeros
    // behind the checksum byte ('2' ^ 0x01 = 0x33, a printable '3').
    Receive(BoardFrame(MSG_FIRMWARE, Text("2")));
    EXPECT_EQ(Firmware(), "2");
    Receive(BoardFrame(MSG_SERIAL, Text("AB")));
    EXPECT_EQ(Serial(), "AB");
    Receive(BoardFrame(MSG_SERIAL, Text("LONGER")));
    Receive(BoardFrame(MSG_SERIAL, Text(std::string("S1\0ZZZZ", 7))));
    EXPECT_EQ(Serial(), "S1");  // all 32 bytes were cleared first
    // A damaged firmware answer changes nothing and asks for nothing.
    outbox.queued.clear();
    Receive(BoardFrame(MSG_FIRMWARE, Text("9.99"), 0x00));
    EXPECT_EQ(Firmware(), "2");
    EXPECT_TRUE(outbox.queued.empty());
}

TEST_F(BoardTest, ModeAcknowledgementStartsTheScanOnlyForSurveyMode) {
    const Bytes ack = BoardFrame(MSG_MODE, {kSurveyScanMode});
    Receive(ack);  // nothing requested yet
    EXPECT_EQ(theBoard.m_bSurveyMode, 0);
    EXPECT_TRUE(outbox.queued.empty());

    theBoard.SelectScanMode(2);
    Receive(ack);
    EXPECT_EQ(theBoard.m_bSurveyMode, 0);
    EXPECT_EQ(outbox.queued.size(), 1u);

    outbox.queued.clear();
    theBoard.SelectScanMode(kSurveyScanMode);
    Receive(BoardFrame(MSG_MODE, {}));  // the acknowledgement's payload is not read
    EXPECT_EQ(theBoard.m_bSurveyMode, 1);
    EXPECT_EQ(Sent(outbox),
              (std::vector<std::string>{"11 12 03 07 00 11 13", "11 12 16 00 11 13"}));
    EXPECT_EQ(notifier.draws, 0);
}

TEST_F(BoardTest, ScanMessagesSetFlagsAndEachPostsOneDraw) {
    Bytes scan;
    auto add = [&scan](const Bytes& f) { scan.insert(scan.end(), f.begin(), f.end()); };
    const Bytes report = ReportMessage({{{1, 2, 3, 4, 5, 6}, -50}}, {{0, "AP", 3, 0}});
    add(BoardFrame(MSG_SCAN_START, {}));
    for (uint8_t ch : {1, 6, 11}) add(BoardFrame(MSG_CHANNEL, {ch}));
    add(BoardFrame(MSG_SCAN_REPORT, report));
    add(BoardFrame(MSG_SCAN_REPORT, report));
    add(BoardFrame(MSG_SCAN_END, {}));
    Receive(scan);
    EXPECT_EQ(notifier.draws, 7);
    EXPECT_EQ(theBoard.m_bScanStarted, 1);
    EXPECT_EQ(theBoard.m_bScanComplete, 1);
    EXPECT_EQ(theBoard.m_scanChannel, 11);
    EXPECT_EQ(scanList.Count(), 1);
    EXPECT_EQ(scanList.First()->readingCount, 2);

    // A damaged report posts no draw.
    Receive(BoardFrame(MSG_SCAN_REPORT, report, 0x00));
    EXPECT_EQ(notifier.draws, 7);
    EXPECT_EQ(theBoard.m_bScanComplete, 1);
}

TEST_F(BoardTest, ScanFinishedWithoutStartIsClearedByTheNextReport) {
    Receive(BoardFrame(MSG_SCAN_END, {}));
    EXPECT_EQ(theBoard.m_bScanStarted, 0);
    EXPECT_EQ(theBoard.m_bScanComplete, 1);
    Receive(BoardFrame(MSG_SCAN_REPORT, ReportMessage({{{1, 2, 3, 4, 5, 6}, -50}}, {})));
    EXPECT_EQ(theBoard.m_bScanComplete, 0);
    // A plain report does not touch the scan flags.
    Receive(BoardFrame(MSG_SCAN_END, {}));
    Receive(BoardFrame(MSG_REPORT, ReportMessage({{{1, 2, 3, 4, 5, 6}, -50}}, {})));
    EXPECT_EQ(theBoard.m_bScanComplete, 1);
    EXPECT_EQ(notifier.draws, 4);
}

TEST_F(BoardTest, ReportIsDroppedWhileTheListIsLockedButTheDrawIsPosted) {
    // The user-interface thread holds the lock (a mutex must be held by
    // another thread for try_lock to be meaningful).
    std::mutex m;
    std::condition_variable cv;
    bool locked = false, release = false;
    std::thread ui([&] {
        std::unique_lock<std::mutex> lk(m);
        theBoard.m_reportLock.lock();
        locked = true;
        cv.notify_all();
        cv.wait(lk, [&] { return release; });
        theBoard.m_reportLock.unlock();
    });
    {
        std::unique_lock<std::mutex> lk(m);
        cv.wait(lk, [&] { return locked; });
    }
    const Bytes report = ReportMessage({{{1, 2, 3, 4, 5, 6}, -50}}, {{0, "AP", 3, 0}});
    Receive(BoardFrame(MSG_SCAN_REPORT, report));
    EXPECT_EQ(notifier.draws, 1);
    EXPECT_TRUE(scanList.IsEmpty());
    {
        std::lock_guard<std::mutex> lk(m);
        release = true;
    }
    cv.notify_all();
    ui.join();

    Receive(BoardFrame(MSG_SCAN_REPORT, report));
    EXPECT_EQ(scanList.Count(), 1);
    EXPECT_EQ(notifier.draws, 2);
}

// An outbox that feeds a frame back into the dispatcher while it is queued,
// as a careless transport might.
class ReenteringOutbox : public RecordingOutbox {
public:
    int QueueTx(const uint8_t* bytes, size_t length) override {
        const uint8_t channel[] = {9, 0x11 ^ 9};
        theBoard.DispatchFrame(MSG_CHANNEL, channel, 2);
        return RecordingOutbox::QueueTx(bytes, length);
    }
};

TEST_F(BoardTest, FrameArrivingDuringADispatchIsDropped) {
    ReenteringOutbox reentering;
    theBoard.SetOutbox(&reentering);
    Receive(BoardFrame(MSG_FIRMWARE, Text(std::string("1.0\0", 4))));
    EXPECT_EQ(reentering.queued.size(), 1u);  // the serial request went out
    EXPECT_EQ(theBoard.m_scanChannel, 0);     // the nested channel frame did not count
    // Outside a dispatch the same call is accepted.
    theBoard.SetOutbox(&outbox);
    const uint8_t channel[] = {9, 0x11 ^ 9};
    theBoard.DispatchFrame(MSG_CHANNEL, channel, 2);
    EXPECT_EQ(theBoard.m_scanChannel, 9);
}

TEST_F(BoardTest, ResetRestoresTheStartValues) {
    theBoard.SelectScanMode(kSurveyScanMode);
    Receive(BoardFrame(MSG_FIRMWARE, Text("3.1")));
    Receive(BoardFrame(MSG_SERIAL, Text("12345678")));
    Receive(BoardFrame(MSG_MODE, {}));
    Receive(BoardFrame(MSG_SCAN_START, {}));
    Receive(BoardFrame(MSG_CHANNEL, {4}));
    Receive(BoardFrame(MSG_SCAN_END, {}));
    theBoard.ReceiveStep(nullptr, 0);  // leave the receiver inside a frame
    const uint8_t header[] = {0x11};
    theBoard.ReceiveStep(header, 1);
    ASSERT_NE(theBoard.GetRxState(), 0);

    theBoard.Reset();
    EXPECT_EQ(Firmware(), "0.00");
    EXPECT_EQ(Serial(), "XXXXXX");
    EXPECT_EQ(theBoard.m_bSurveyMode, 0);
    EXPECT_EQ(theBoard.m_bScanStarted, 0);
    EXPECT_EQ(theBoard.m_bScanComplete, 0);
    EXPECT_EQ(theBoard.m_scanChannel, 0);
    EXPECT_EQ(theBoard.m_requestedMode, 0);
    EXPECT_EQ(theBoard.GetRxState(), 0);
    // The outbox stays attached.
    outbox.queued.clear();
    theBoard.RequestScan();
    EXPECT_EQ(outbox.queued.size(), 1u);
}

}  // namespace
