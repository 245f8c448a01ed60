// The real link and worker against a pseudo-terminal on which the test plays
// the board. The greeting's frames and a frame with a bad checksum are the
// board suite's (RequestDispatchTest, RecordedStreamTest); the greeting
// through the worker and a device that vanishes and comes back under its name
// are BoardFaults' (robustness_tests).

#include "LinkTestSupport.h"
#include "link/BoardLink.h"

namespace {

class WorkerTest : public LinkedBoardTest {
protected:
    WorkerTest() : LinkedBoardTest(NewBoard()) {}

    // Link and worker up on the fixture's pty with the options `adjust`
    // leaves, the firmware request read.
    void Start(const std::function<void(BoardStartupOptions&)>& adjust = nullptr) {
        BoardStartupOptions options = Options(pty->SlavePath());
        if (adjust) adjust(options);
        StartWith(std::move(options));
    }

    // Waits until the worker has gone round its loop `passes` more times: a
    // byte is dispatched on the pass after its read, so after three passes
    // everything taken off the line has had its effect.
    bool Settle(uint64_t passes = 3) {
        const uint64_t target = startup->Worker()->Passes() + passes;
        return WaitUntil([&] { return startup->Worker()->Passes() >= target; });
    }
};

}  // namespace

TEST_F(WorkerTest, KeepAliveGoesOutOnlyAfterMoreThanTenQuietSeconds) {
    Start();
    ASSERT_TRUE(Settle());
    clock = 1010;  // ten seconds: not yet
    ASSERT_TRUE(Settle(5));
    EXPECT_TRUE(pty->ReadAvailable().empty());
    clock = 1011;
    EXPECT_EQ(HexText(pty->Read(2)), "00 00");
}

TEST_F(WorkerTest, RequestQueuedDuringALongReportWaitsForItsTrailer) {
    const ScratchDir scratch;
    capturePath = (scratch.Path() / "line.capture").string();
    // A generous read time-out keeps the half-received frame alive on a busy machine.
    Start([](BoardStartupOptions& o) { o.worker.readTimeout = std::chrono::milliseconds(3000); });
    std::vector<std::pair<uint8_t, int16_t>> probes;
    for (uint8_t i = 0; i < 20; ++i) probes.push_back({i, static_cast<int16_t>(-40 - i)});
    const Bytes frame = BoardFrame(0x17, ReportMessage(probes, "Long", 20));
    ASSERT_GT(frame.size(), 800u);
    const size_t half = frame.size() / 2;
    // The worker takes every byte of the first half off the line (the pty's
    // input queue cannot tell: written bytes may not have reached it yet).
    const uint64_t taken = startup->Worker()->BytesReceived() + half;
    pty->Write({frame.begin(), frame.begin() + half});
    ASSERT_TRUE(WaitUntil([&] { return startup->Worker()->BytesReceived() >= taken; }));

    board->RequestScan();  // the user taps meanwhile
    pty->Write({frame.begin() + half, frame.end()});
    EXPECT_EQ(pty->Read(kScanRequest.size()), kScanRequest);
    EXPECT_TRUE(draws.WaitFor(1));
    EXPECT_EQ(scanList.Count(), 20);

    // The capture keeps the order of the line: the request after the trailer.
    startup->Stop();
    std::vector<CaptureRecord> records;
    ASSERT_TRUE(LoadCapture(capturePath, records));
    size_t readBefore = 0;
    for (const CaptureRecord& r : records) {
        if (r.kind == 'W' && r.bytes == kScanRequest) break;
        if (r.kind == 'R') readBefore += r.bytes.size();
    }
    EXPECT_EQ(readBefore, frame.size()) << "written in the middle of an incoming frame";
}

TEST_F(WorkerTest, TwoFramesQueuedBackToBackBothGoOutInOrder) {
    Start();
    board->SelectScanMode(kSurveyScanMode);
    board->RequestScan();
    const Bytes expected = Join({kModeRequest, kScanRequest});
    EXPECT_EQ(HexText(pty->Read(expected.size())), HexText(expected));
}

// A path that does not open and a device that is no terminal.
TEST_F(WorkerTest, PortThatCannotOpenShowsOneMessageAndWorkerStaysIdle) {
    for (const auto& [port, text] : std::vector<std::pair<std::string, std::string>>{
             {"/nonexistent/ttyQ7", "Cannot Open Connection To Board."},
             {"/dev/null", "Could not SetCommState"}}) {
        SCOPED_TRACE(port);
        messages.clear();
        BoardStartupOptions options = Options(port);
        options.worker.retryInterval = std::chrono::minutes(1);  // Stop() wakes it
        startup = std::make_unique<CBoardStartup>(std::move(options));
        EXPECT_EQ(startup->Step(), 0);
        EXPECT_EQ(startup->Step(), 0);
        EXPECT_EQ(startup->Step(), -1);
        EXPECT_TRUE(startup->Finished());
        EXPECT_FALSE(startup->Link()->Port().IsOpen());
        // Between tries the worker waits: a spinning one would be round its
        // loop thousands of times before the deadline.
        const uint64_t passes = startup->Worker()->Passes();
        EXPECT_FALSE(WaitUntil([&] { return startup->Worker()->Passes() > passes + 2; },
                               std::chrono::milliseconds(200)));
        EXPECT_EQ(messages, std::vector<std::string>{text});
        startup->Stop();
        startup->Stop();
    }
}

TEST_F(WorkerTest, StopOnALineThatNeverDrainsStaysBoundedWithEveryFrameQueued) {
    // The program's own pause.
    Start([](BoardStartupOptions& o) { o.closePause = std::chrono::milliseconds(1000); });
    if (HasFatalFailure()) return;
    FillUntilRefused(startup->Link()->Port().Fd());     // the board never reads
    for (int i = 0; i < 16; ++i) board->RequestScan();  // a full outbox
    ASSERT_TRUE(WaitUntil([&] { return startup->Link()->Outbox().Size() == 0; }));

    const auto t0 = std::chrono::steady_clock::now();
    startup->Stop();  // worker, link with its pause, port
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(seconds, 5.0);  // a hang detector; the aim (1.5 s) is in docs/performance.md
    EXPECT_EQ(g_pBoardLink, nullptr);
}

TEST_F(WorkerTest, ScanEndsWhenTheBoardSendsNothingForTenSecondsAndIsGreetedUntilItAnswers) {
    std::atomic<int64_t> now{0};
    Start([&](BoardStartupOptions& o) {
        o.worker.clockMs = [&] { return now.load(); };
        o.worker.readTimeout = std::chrono::milliseconds(50);  // quicker idle passes
    });
    if (HasFatalFailure()) return;
    board->StartSurveyScan(true);
    ASSERT_EQ(pty->Read(kModeRequest.size()), kModeRequest);
    pty->Write(BoardFrame(0x03, {7}));
    ASSERT_EQ(pty->Read(kScanRequest.size()), kScanRequest);
    now = 9000;
    ASSERT_TRUE(Settle());
    pty->Write(BoardFrame(0x16, {}));  // the scan starts; then nothing
    ASSERT_TRUE(draws.WaitFor(1));
    ASSERT_TRUE(Settle());

    now = 9000 + 9999;  // measured from the last frame, not from the request
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(board->ScanWanted());
    EXPECT_EQ(draws.StateCount(), 0);
    now = 9000 + 10000;
    ASSERT_TRUE(WaitUntil([&] { return board->Gate() == ScanGate::kGivenUp; }));
    EXPECT_EQ(draws.StateCount(), 1);
    EXPECT_STREQ(board->PresenceText(), kBoardLostText);

    // Greeted at once and again after each retry interval, until it answers.
    EXPECT_EQ(pty->Read(kFirmwareRequest.size()), kFirmwareRequest);
    now += 50;
    EXPECT_EQ(pty->Read(kFirmwareRequest.size()), kFirmwareRequest);
    pty->Write(BoardFrame(0x01, {'2', '.', '1', '4', 0}));
    EXPECT_EQ(pty->Read(kSerialRequest.size()), kSerialRequest);
    EXPECT_TRUE(WaitUntil([&] { return board->Presence() == BoardPresence::kPresent; }));
    EXPECT_EQ(draws.StateCount(), 2);
}
