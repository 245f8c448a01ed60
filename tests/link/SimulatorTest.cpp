
#include <cstdlib>
#include <fstream>

#include "LinkTestSupport.h"
#include "boardsim/PtyBoardSim.h"
#include "boardsim/SimJson.h"
#include "link/Capture.h"

namespace {

std::vector<std::pair<uint8_t, std::vector<uint8_t>>> DecodeBoardFrames(
    const std::vector<uint8_t>& bytes) {
    // Decodes with the program's own receiver, recording each dispatched frame.
    struct Recorder : IFrameObserver {
        std::vector<std::pair<uint8_t, std::vector<uint8_t>>> frames;
        void OnFrameDispatched(uint8_t type, const uint8_t* payload, uint16_t length,
                               bool ok) override {
            if (ok) frames.push_back({type, {payload, payload + length}});
        }
    } recorder;
    auto board = NewBoard();
    board->SetFrameObserver(&recorder);
    CRxFeeder feeder(*board);
    for (uint8_t b : bytes) feeder.Byte(b);
    feeder.Finish();
    return recorder.frames;
}

}  // namespace

// The simulator's access point file: JSON, then the access points in it.
TEST(SimSite, ParsesJsonLoadsAccessPointsAndRefusesBrokenTextOrBadEntries) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"a":[1,-2.5e1,true,null],"s":"x\"\u00e9\ud83d\ude00"})", v, &error))
        << error;
    EXPECT_EQ(v.Find("a")->items.size(), 4u);
    EXPECT_DOUBLE_EQ(v.Find("a")->items[1].number, -25.0);
    EXPECT_EQ(v.Find("s")->text, "x\"\xC3\xA9\xF0\x9F\x98\x80");
    for (const std::string& broken :
         std::vector<std::string>{R"({"a":1,})", R"({"a":"open)", "[1] 2", std::string(100, '[')})
        EXPECT_FALSE(ParseJson(broken, v, &error)) << broken;  // too deep is refused, not a crash

    SimSite site;
    ASSERT_TRUE(
        ParseSimSite(R"({"noise":0,"aps":[{"mac":"00:11:22:33:44:55","ssid":"","hidden":true,
        "channel":6,"x":10,"y":20,"power":-30,"privacy":true}]})",
                     site, &error))
        << error;
    ASSERT_EQ(site.aps.size(), 1u);
    EXPECT_EQ(site.aps[0].mac[5], 0x55);
    EXPECT_TRUE(site.aps[0].hidden);
    EXPECT_EQ(site.noise, 0);
    for (const char* bad : {R"({"aps":[{"mac":"00:11","channel":6,"x":1,"y":1}]})",
                            R"({"aps":[{"mac":"00:11:22:33:44:55","channel":15,"x":1,"y":1}]})",
                            R"({"aps":[{"mac":"00:11:22:33:44:55","channel":1,"x":1,"y":1,
        "ssid":"123456789012345678901234567890123"}]})"})
        EXPECT_FALSE(ParseSimSite(bad, site, &error)) << bad;
}

TEST(SimSite, ReadingsFallWithDistanceAndVanishBeyondTheFloor) {
    SimSite site;
    site.noise = 0;
    SimAccessPoint ap;
    ap.x = ap.y = 0;
    std::mt19937 random(1);
    int16_t near = 0, far = 0, gone = 0;
    ASSERT_TRUE(SimReading(site, ap, 20, 0, random, near));  // 1 m
    ASSERT_TRUE(SimReading(site, ap, 200, 0, random, far));  // 10 m
    EXPECT_EQ(near, -38);
    EXPECT_EQ(far, -68);
    EXPECT_FALSE(SimReading(site, ap, 20000, 0, random, gone));
}

TEST(SimBoardEngine, AnswersRequestsIgnoresKeepAlivesAndCountsMalformedFrames) {
    CSimBoardEngine engine;
    const auto feed = [&](const std::string& hex) {
        const auto b = Hex(hex);
        engine.Feed(b.data(), b.size(), 0);
    };
    feed("00 00 11 12 01 00 11 13");
    auto frames = DecodeBoardFrames(engine.TakeOutput(0));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].first, 0x01);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(frames[0].second.data())), "2.14");

    feed("11 12 01 05 11 13");  // checksum position not 0
    feed("11 12 03 00 11 13");  // mode without its byte
    feed("11 12 02 00 11 15");  // bad trailer
    feed("42");                 // noise between frames
    feed("11 12 03 07 00 11 13");
    frames = DecodeBoardFrames(engine.TakeOutput(0));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].first, 0x03);
    const SimBoardStats stats = engine.Stats();
    EXPECT_EQ(stats.malformed, 4u);
    EXPECT_EQ(stats.keepAliveBytes, 2u);
    EXPECT_EQ(stats.framesReceived, 2u);
}

TEST(SimBoardEngine, ScanSendsStartFourteenChannelsReportsAndEndOnSchedule) {
    SimBoardOptions options;
    options.scanMs = 1500;
    CSimBoardEngine engine(options);
    engine.SetPosition(400, 280);
    engine.Feed(kScanRequest.data(), kScanRequest.size(), 1000);
    EXPECT_TRUE(engine.ScanRunning());
    const auto first = DecodeBoardFrames(engine.TakeOutput(1000));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].first, 0x16);
    engine.Feed(kScanRequest.data(), kScanRequest.size(),
                1001);  // a request during a scan: ignored

    const auto rest = DecodeBoardFrames(engine.TakeOutput(2500));
    std::vector<int> channels;
    int reports = 0, hidden = 0, full = 0;
    for (const auto& [type, payload] : rest) {
        if (type == 0x11) channels.push_back(payload[0]);
        if (type != 0x17) continue;
        ++reports;
        const size_t p = payload[0];
        const size_t b = payload[1 + 8 * p];
        for (size_t i = 0; i < b; ++i) {
            const uint8_t len = payload[2 + 8 * p + 37 * i + 1];
            hidden += len == 0;
            full += len == 32;
        }
    }
    EXPECT_EQ(channels, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    EXPECT_GE(reports, 10);
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(full, 1);
    EXPECT_EQ(rest.back().first, 0x18);
    EXPECT_EQ(engine.Stats().scans, 1u);
    EXPECT_EQ(engine.NextDueMs(), -1);
}

// The simulated board's own pty, not the fixture's.
class Simulator : public LinkedBoardTest {
protected:
    Simulator() : LinkedBoardTest(NewBoard()) {}
};

TEST_F(Simulator, WholeScanThroughTheRealWorkerLandsPointsInScanList) {
    const bool update = std::getenv("PELLORIN_UPDATE_GOLDEN") != nullptr;
    const std::string dataDir = std::string(PELLORIN_TEST_DATA);
    capturePath =
        update ? dataDir + "/link/sim_scan.capture" : ::testing::TempDir() + "pellorin-sim.capture";
    BoardStartupOptions options = Options("");
    options.simulate = true;
    options.simSeed = 7;
    options.simScanMs = 400;
    startup = std::make_unique<CBoardStartup>(std::move(options));
    ASSERT_EQ(startup->Step(), 0);
    ASSERT_NE(startup->Simulator(), nullptr);
    startup->Simulator()->SetSurveyorPosition(300, 200);
    startup->RunBlocking();
    ASSERT_TRUE(messages.empty()) << messages.front();

    ASSERT_TRUE(WaitUntil([&] { return Serial(*board) == "BX402117"; }));
    board->SelectScanMode(kSurveyScanMode);
    ASSERT_TRUE(
        WaitUntil([&] { return board->m_bScanComplete.load() == 1; }, std::chrono::seconds(10)));
    EXPECT_GE(draws.Count(), 16);  // start, 14 channels, reports, end
    {
        std::lock_guard<std::mutex> guard(board->m_reportLock);
        EXPECT_GE(scanList.Count(), 5);
    }
    const SimBoardStats stats = startup->Simulator()->Stats();
    EXPECT_EQ(stats.malformed, 0u);
    EXPECT_EQ(stats.scans, 1u);
    startup->Stop();

    // The board protocol's fixtures get the bytes the port read; the golden
    // keeps its header with their new count (board_tests' update writes the
    // decode).
    if (update) {
        std::vector<CaptureRecord> records;
        ASSERT_TRUE(LoadCapture(capturePath, records));
        Bytes reads;
        for (const auto& r : records)
            if (r.kind == 'R') reads.insert(reads.end(), r.bytes.begin(), r.bytes.end());
        WriteFileBytes(dataDir + "/board/sim_scan.bin", reads);
        std::ifstream in(dataDir + "/board/sim_scan.golden");
        std::string header;
        for (std::string line; std::getline(in, line) && line.rfind('#', 0) == 0;)
            header += (line.rfind("# bytes:", 0) == 0 ? "# bytes: " + std::to_string(reads.size())
                                                      : line) +
                      "\n";
        in.close();
        std::ofstream(dataDir + "/board/sim_scan.golden") << header;
    }
}
