#include <poll.h>

#include <fstream>

#include "LinkTestSupport.h"
#include "link/Capture.h"
#include "link/TxQueue.h"

namespace {
bool Readable(int fd) {
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) == 1;
}
}  // namespace

TEST(TxQueue, FramesGoOutWholeInOrderAndNoneIsLostWhileThereIsRoom) {
    CTxQueue queue(3);
    EXPECT_FALSE(Readable(queue.EventFd()));
    const Bytes big(200, 0xAB);
    for (const Bytes* f : {&kModeRequest, &kScanRequest, &big})
        EXPECT_EQ(queue.Push(f->data(), f->size()), 1);
    EXPECT_TRUE(Readable(queue.EventFd()));
    EXPECT_EQ(queue.Push(big.data(), big.size()), 0);  // full: refused, counted
    EXPECT_EQ(queue.DroppedCount(), 1u);
    EXPECT_EQ(queue.TakeAll(), (std::vector<Bytes>{kModeRequest, kScanRequest, Bytes(128, 0xAB)}));
    EXPECT_FALSE(Readable(queue.EventFd()));
    EXPECT_EQ(queue.Push(nullptr, 0), 0);
}

// A written capture loads back, and malformed lines are rejected with their
// line number.
TEST(Capture, WrittenFileLoadsBackWithDirectionsBytesAndEventsAndBadLinesAreRejected) {
    const ScratchDir scratch;
    const std::string path = (scratch.Path() / "line.capture").string();
    const Bytes answer = BoardFrame(0x01, {'2', '.', '1', '4', 0});
    {
        CCaptureWriter writer;
        ASSERT_TRUE(writer.Open(path, "/dev/pts/9", "link_tests"));
        writer.Event("connected /dev/pts/9");
        writer.Wrote(kFirmwareRequest.data(), kFirmwareRequest.size());
        for (uint8_t b : answer) writer.Read(&b, 1);
    }
    std::ifstream in(path);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "# pellorin board capture 1");

    std::vector<CaptureRecord> records;
    std::string error;
    ASSERT_TRUE(LoadCapture(path, records, &error)) << error;
    std::vector<std::string> lines;  // "kind bytes-or-text"
    for (const CaptureRecord& r : records)
        lines.push_back(std::string(1, r.kind) + " " + (r.kind == 'E' ? r.text : HexText(r.bytes)));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"E connected /dev/pts/9", "W " + HexText(kFirmwareRequest),
                                        "R " + HexText(answer)}));
    auto board = NewBoard();
    EXPECT_EQ(ReplayCaptureReads(records, *board), answer.size());
    EXPECT_EQ(Firmware(*board), "2.14");

    std::ofstream(path) << "# header\n0.1 R 11 12\n0.2 R 1G\n";
    EXPECT_FALSE(LoadCapture(path, records, &error));
    EXPECT_NE(error.find("line 3"), std::string::npos);
    std::ofstream(path) << "0.1 X 11\n";
    EXPECT_FALSE(LoadCapture(path, records, &error));
}

TEST(Capture, ReplayTreatsAGapOverTheReadTimeoutInsideAFrameAsAbandoningIt) {
    const std::vector<uint8_t> frame = BoardFrame(0x11, {5});  // channel 5
    std::vector<CaptureRecord> records = {{0.000, 'R', {frame.begin(), frame.begin() + 4}, {}},
                                          {0.400, 'R', {frame.begin() + 4, frame.end()}, {}}};
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
