#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>
#include <fstream>

#include "LinkTestSupport.h"
#include "aplist/ApList.h"
#include "board/Capture.h"
#include "board/TxQueue.h"

namespace {
bool Readable(int fd) {
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) == 1;
}
}  // namespace

TEST(TxQueue, FramesGoOutWholeInOrderAndNoneIsLostWhileThereIsRoom) {
    CTxQueue queue(3);
    EXPECT_FALSE(Readable(queue.EventFd()));
    const Bytes &a = kModeRequest, &b = kScanRequest;
    EXPECT_EQ(queue.Push(a.data(), a.size()), 1);
    EXPECT_EQ(queue.Push(b.data(), b.size()), 1);
    EXPECT_TRUE(Readable(queue.EventFd()));
    std::vector<uint8_t> big(200, 0xAB);
    EXPECT_EQ(queue.Push(big.data(), big.size()), 1);
    EXPECT_EQ(queue.Push(a.data(), a.size()), 0);  // full: refused, counted
    EXPECT_EQ(queue.DroppedCount(), 1u);

    auto frames = queue.TakeAll();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], a);
    EXPECT_EQ(frames[1], b);
    EXPECT_EQ(frames[2].size(), 128u);
    EXPECT_FALSE(Readable(queue.EventFd()));
    EXPECT_EQ(queue.Push(nullptr, 0), 0);
}

TEST(Capture, WrittenFileLoadsBackWithDirectionsBytesAndEvents) {
    const ScratchDir scratch;
    const std::string path = (scratch.Path() / "line.capture").string();
    {
        CCaptureWriter writer;
        ASSERT_TRUE(writer.Open(path, "/dev/pts/9", "link_tests"));
        writer.Event("connected /dev/pts/9");
        writer.Wrote(kFirmwareRequest.data(), kFirmwareRequest.size());
        const std::vector<uint8_t> answer = BoardFrame(0x01, {'2', '.', '1', '4', 0});
        for (uint8_t b : answer) writer.Read(&b, 1);
    }
    std::ifstream in(path);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "# pellorin board capture 1");

    std::vector<CaptureRecord> records;
    std::string error;
    ASSERT_TRUE(LoadCapture(path, records, &error)) << error;
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].kind, 'E');
    EXPECT_EQ(records[0].text, "connected /dev/pts/9");
    EXPECT_EQ(records[1].kind, 'W');
    EXPECT_EQ(HexText(records[1].bytes), "11 12 01 00 11 13");
    EXPECT_EQ(records[2].kind, 'R');
    EXPECT_EQ(records[2].bytes, BoardFrame(0x01, {'2', '.', '1', '4', 0}));

    auto board = NewBoard();
    EXPECT_EQ(ReplayCaptureReads(records, *board), records[2].bytes.size());
    char firmware[33];
    board->GetFirmware(firmware);
    EXPECT_STREQ(firmware, "2.14");
}

TEST(Capture, MalformedLinesAreRejectedWithTheirLineNumber) {
    const ScratchDir scratch;
    const std::string path = (scratch.Path() / "bad.capture").string();
    std::ofstream(path) << "# header\n0.1 R 11 12\n0.2 R 1G\n";
    std::vector<CaptureRecord> records;
    std::string error;
    EXPECT_FALSE(LoadCapture(path, records, &error));
    EXPECT_NE(error.find("line 3"), std::string::npos);
    std::ofstream(path) << "0.1 X 11\n";
    EXPECT_FALSE(LoadCapture(path, records, &error));
}

TEST(Capture, ReplayTreatsAGapOverTheReadTimeoutInsideAFrameAsAbandoningIt) {
    const std::vector<uint8_t> frame = BoardFrame(0x11, {5});  // channel 5
    std::vector<CaptureRecord> records;
    records.push_back({0.000, 'R', {frame.begin(), frame.begin() + 4}, {}});
    records.push_back({0.400, 'R', {frame.begin() + 4, frame.end()}, {}});
    auto board = NewBoard();
    CountingNotifier draws;
    board->SetNotifier(&draws);
    ReplayCaptureReads(records, *board);
    EXPECT_EQ(draws.Count(), 0);

    records[1].seconds = 0.100;
    ReplayCaptureReads(records, *board);
    EXPECT_EQ(draws.Count(), 1);
    EXPECT_EQ(board->m_scanChannel.load(), 5);
}

TEST(Capture, RecordedSimulatorScanReplaysToItsGoldenScanList) {
    const std::string dir = std::string(PELLORIN_TEST_DATA) + "/link/";
    std::vector<CaptureRecord> records;
    std::string error;
    ASSERT_TRUE(LoadCapture(dir + "sim_scan.capture", records, &error)) << error;
    auto board = NewBoard();
    CountingNotifier draws;
    board->SetNotifier(&draws);
    board->SelectScanMode(7);  // as the tap did before the capture's answers
    {
        std::lock_guard<std::mutex> guard(board->m_reportLock);
        scanList.RemoveAll();
    }
    ReplayCaptureReads(records, *board);

    std::ostringstream got;
    char text[33];
    board->GetFirmware(text);
    got << "firmware " << text << "\n";
    board->GetSerial(text);
    got << "serial " << text << "\n";
    got << "draws " << draws.Count() << " started " << int(board->m_bScanStarted.load())
        << " complete " << int(board->m_bScanComplete.load()) << "\n";
    for (ApRecord* r = scanList.First(); r != nullptr && r != scanList.Sentinel(); r = r->next)
        got << r->macText << " ch " << int(r->channel) << " len " << int(r->ssidLength) << " sum "
            << r->rssi << " n " << r->readingCount << " privacy " << int(r->privacy) << "\n";
    {
        std::lock_guard<std::mutex> guard(board->m_reportLock);
        scanList.RemoveAll();
    }

    const std::string goldenPath = dir + "sim_scan.expected";
    if (std::getenv("PELLORIN_UPDATE_GOLDEN")) {
        std::ofstream(goldenPath) << got.str();
        GTEST_SKIP() << "golden file rewritten";
    }
    std::ifstream in(goldenPath);
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(got.str(), expected.str());
}
