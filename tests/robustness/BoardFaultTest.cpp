// The real link and worker against a pseudo-terminal on which the test plays
// a faulty board: a device that goes away in the middle of a frame, a scan
// and with a request queued; a board that never answers; a board that sends
// garbage at line rate. The program never crashes or hangs, idles without
// spinning, and every survey point recorded before a fault is still there.
// Reports and frames beyond the limits are the board suite's (MergeTest,
// ReceiveTest): the worker hands their bytes on unchanged.

#include <algorithm>

#include "LinkTestSupport.h"
#include "ListInvariants.h"
#include "RobustSupport.h"
#include "link/Capture.h"

namespace fs = std::filesystem;

namespace {

// The program opens `device`, a link to the current pty, as a board whose
// device node comes and goes under one name.
class BoardFaults : public LinkedBoardTest {
protected:
    void Plug(BoardPty& line) {
        fs::remove(device);
        fs::create_symlink(line.SlavePath(), device);
    }

    void Start() {
        Plug(*pty);
        BoardStartupOptions options = Options(device.string());
        options.worker.readTimeout = std::chrono::milliseconds(100);
        options.worker.retryInterval = std::chrono::milliseconds(100);
        StartWith(std::move(options));
    }

    void Greet(BoardPty& line) {
        line.Write(BoardFrame(0x01, {'2', '.', '1', '4', 0}));
        ASSERT_EQ(line.Read(kSerialRequest.size()), kSerialRequest);
        line.Write(BoardFrame(0x02, {'B', 'X', '4', '0', '2', '1', '1', '7', 0}));
        ASSERT_TRUE(WaitUntil([] { return Serial(theBoard) == "BX402117"; }));
    }

    // One whole survey point as the view takes it: tap, scan, record.
    void SurveyPoint(BoardPty& line, int32_t x, int32_t y, uint8_t macBase) {
        site.BeginPoint(x, y, "TEST");
        if (theBoard.m_bSurveyMode.load() == 0) {
            theBoard.SelectScanMode(kSurveyScanMode);
            ASSERT_EQ(line.Read(kModeRequest.size()), kModeRequest);
            line.Write(BoardFrame(0x03, {0x07}));
        } else {
            theBoard.RequestScan();
        }
        ASSERT_EQ(line.Read(kScanRequest.size()), kScanRequest);
        const Bytes report =
            ReportMessage({{macBase, -40}, {uint8_t(macBase + 1), -41}}, "abcd", 2);
        line.Write(Join({BoardFrame(0x16, {}), BoardFrame(0x11, {6}), BoardFrame(0x17, report),
                         BoardFrame(0x18, {})}));
        ASSERT_TRUE(WaitForScanEnd());
        ASSERT_EQ(site.RecordPoint(), 1);
    }

    // Share of one core the worker used over `span`.
    double WorkerLoad(std::chrono::milliseconds span) {
        const double cpu0 = startup->Worker()->CpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(span);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        return (startup->Worker()->CpuSeconds() - cpu0) / wall;
    }

    std::string ScanListProblem() {
        std::lock_guard<std::mutex> guard(theBoard.m_reportLock);
        std::string p = CheckRing(scanList, 10000);
        return p.empty() ? CheckScanRecords(scanList) : p;
    }

    ScratchDir dir;
    fs::path device = dir.Path() / "board";
    CSiteRecord site;
};

}  // namespace

// The board comes back quietly: no message, one reconnection, one
// disconnection in the line's capture.
TEST_F(BoardFaults, DeviceLostMidFrameMidScanWithARequestQueuedKeepsEveryRecordedPoint) {
    capturePath = (dir.Path() / "line.capture").string();
    Start();
    Greet(*pty);
    SurveyPoint(*pty, 100, 200, 0x10);
    SurveyPoint(*pty, 140, 260, 0x20);
    const std::vector<SurveyEntry> before = AsStored(surveyList);
    ASSERT_EQ(before.size(), 4u);

    // A third point: the scan starts, a report is half sent, a request waits
    // for its trailer, and the device goes.
    site.BeginPoint(300, 300, "TEST");
    theBoard.RequestScan();
    ASSERT_EQ(pty->Read(kScanRequest.size()), kScanRequest);
    const Bytes report = BoardFrame(0x17, ReportMessage({{0, -40}, {1, -41}, {2, -42}}, "abcd", 3));
    pty->Write(
        Join({BoardFrame(0x16, {}), Bytes(report.begin(), report.begin() + report.size() / 2)}));
    ASSERT_TRUE(WaitUntil([] { return theBoard.m_bScanStarted.load() != 0; }));
    ASSERT_TRUE(WaitUntil([] { return theBoard.GetRxState() == kRxPayload; }));
    theBoard.RequestScan();  // queued inside a frame: waits for the trailer
    fs::remove(device);      // first: a retry must not find another test's pty under the old name
    pty->Unplug();
    ASSERT_TRUE(WaitUntil([&] { return downs.load() == 1; }));
    EXPECT_FALSE(startup->Worker()->Connected());
    EXPECT_EQ(theBoard.m_bScanStarted.load(), 0);
    EXPECT_EQ(theBoard.m_bSurveyMode.load(), 0);
    EXPECT_EQ(AsStored(surveyList), before);
    EXPECT_EQ(ScanListProblem(), "");

    const double away = WorkerLoad(std::chrono::milliseconds(1000));
    std::printf("[ figures  ] worker CPU while the device is gone: %.3f %% of one core\n",
                100 * away);
    EXPECT_LT(away, 0.20);  // a spin detector only; the figure is printed above

    // The board comes back under the same name: greeted again, and the
    // request queued for the old connection is not sent to it.
    pty = std::make_unique<BoardPty>();
    ASSERT_TRUE(pty->Ok());
    Plug(*pty);
    ASSERT_EQ(pty->Read(kFirmwareRequest.size()), kFirmwareRequest);
    EXPECT_TRUE(pty->ReadFor(std::chrono::milliseconds(300)).empty());
    EXPECT_TRUE(WaitUntil([&] { return ups.load() == 1; }));
    EXPECT_EQ(startup->Worker()->Reconnects(), 1u);
    EXPECT_TRUE(messages.empty());
    Greet(*pty);
    SurveyPoint(*pty, 300, 300, 0x30);  // asks for mode 7 again
    const std::vector<SurveyEntry> after = AsStored(surveyList);
    ASSERT_EQ(after.size(), 6u);
    EXPECT_EQ(std::vector<SurveyEntry>(after.begin(), after.begin() + 4), before);

    startup->Stop();
    std::vector<CaptureRecord> records;
    ASSERT_TRUE(LoadCapture(capturePath, records));
    EXPECT_EQ(
        std::count_if(records.begin(), records.end(),
                      [](const auto& r) { return r.kind == 'E' && r.text == "disconnected"; }),
        1);
}

TEST_F(BoardFaults, ASilentLineIdlesAndGarbageAtLineRateLeavesTheBoardUnderstoodAfterwards) {
    Start();
    EXPECT_TRUE(pty->ReadFor(std::chrono::milliseconds(300)).empty());
    const double idle = WorkerLoad(std::chrono::milliseconds(700));
    std::printf("[ figures  ] worker CPU on a silent line: %.3f %% of one core\n", 100 * idle);
    EXPECT_LT(idle, 0.20);  // a spin detector only

    std::mt19937 random(7);
    const auto start = std::chrono::steady_clock::now();
    size_t sent = 0;
    const uint64_t taken = startup->Worker()->BytesReceived();
    // 38400 baud, 10 bits a byte: 3840 bytes a second, in 50 ms bursts.
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        Bytes burst(192);
        for (auto& b : burst) b = static_cast<uint8_t>(random());
        for (size_t i = 0; i + 1 < burst.size(); ++i)
            if (burst[i] == 0x11) burst[i + 1] = 0x12;  // many false headers
        pty->Write(burst);
        sent += burst.size();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const double load = WorkerLoad(std::chrono::milliseconds(300));
    std::printf("[ figures  ] %zu garbage bytes in 3 s; worker CPU just after: %.3f %%\n", sent,
                100 * load);
    // Once the worker has taken all the garbage, a read time-out (100 ms) ends
    // whatever frame it opened; then a real answer.
    ASSERT_TRUE(WaitUntil([&] { return startup->Worker()->BytesReceived() >= taken + sent; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    pty->Write(BoardFrame(0x01, {'3', '.', '0', '1', 0}));
    EXPECT_TRUE(WaitUntil([] { return Firmware(theBoard) == "3.01"; })) << Firmware(theBoard);
    EXPECT_TRUE(startup->Worker()->Connected());
    EXPECT_EQ(ScanListProblem(), "");
    EXPECT_TRUE(messages.empty());
}
