#pragma once
// Every board test starts from the program-start state of theBoard and an
// empty scanList, with a recording outbox and a counting notifier attached;
// the decode log (FrameLog) is what the table tests and the recorded-stream
// goldens compare against. Frames, report messages and hex come from
// tests/support.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "BoardFrame.h"
#include "CountingNotifier.h"
#include "aplist/ApList.h"
#include "board/ScannerBoard.h"

class RecordingOutbox : public IFrameOutbox {
public:
    int QueueTx(const uint8_t* bytes, size_t length) override {
        queued.emplace_back(bytes, bytes + length);
        return 1;
    }
    std::vector<Bytes> queued;
};

// Describes every dispatched frame as one line: type, name, length, checksum
// and what it changed (texts, flags, channel, frames sent, scanList, draws).
class FrameLog : public IFrameObserver {
public:
    FrameLog(CScannerBoard& board, RecordingOutbox& outbox, CountingNotifier& notifier);
    ~FrameLog() override;
    void OnFrameDispatched(uint8_t type, const uint8_t* payload, uint16_t length,
                           bool checksumOk) override;
    std::vector<std::string> lines;

private:
    struct Snapshot {
        std::vector<std::pair<std::string, std::string>> fields;  // texts, flags, channel
        size_t sent = 0;
        int draws = 0;
        std::map<std::string, std::string> aps;  // macText -> DescribeAp
    };
    Snapshot Take() const;
    CScannerBoard& m_board;
    RecordingOutbox& m_outbox;
    CountingNotifier& m_notifier;
    Snapshot m_last;
};

// A scanList record as the decode log shows it: "ch=6 ssid="Lab" sum=-55 n=1
// privacy=1 cap=1" (sum is the running RSSI sum; bytes outside ASCII as \xNN).
std::string DescribeAp(const ApRecord& record);

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void TearDown() override {
        theBoard.SetOutbox(nullptr);
        theBoard.SetNotifier(nullptr);
        theBoard.SetFrameObserver(nullptr);
        scanList.RemoveAll();
        theBoard.Reset();
    }
    // Back to the start state, for tests that run several cases.
    void Fresh() {
        theBoard.Reset();
        scanList.RemoveAll();
        outbox.queued.clear();
        notifier.Reset();
        theBoard.SetOutbox(&outbox);
        theBoard.SetNotifier(&notifier);
    }

    // Feeds hex bytes, "~" for a read time-out, as the board worker does (a
    // step that wants no read is repeated with the same byte); returns the
    // decode log of the frames they produced.
    std::vector<std::string> Receive(const std::string& script) {
        FrameLog log(theBoard, outbox, notifier);
        uint8_t byte = 0;
        uint32_t count = 0;
        const auto untilReadWanted = [&] {
            for (int i = 0; i < 4; ++i)
                if (theBoard.ReceiveStep(&byte, count) == 1) return;
            ADD_FAILURE() << "the receiver keeps refusing to read";
        };
        std::istringstream in(script);
        for (std::string t; in >> t; count = t != "~") {
            untilReadWanted();
            if (t != "~") byte = static_cast<uint8_t>(std::stoul(t, nullptr, 16));
        }
        untilReadWanted();
        return log.lines;
    }
    std::vector<std::string> Receive(const Bytes& stream) { return Receive(HexText(stream)); }

    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const Bytes& f : outbox.queued) out.push_back(HexText(f));
        return out;
    }
    // scanList in list order: "MAC " + DescribeAp.
    static std::vector<std::string> Listed() {
        std::vector<std::string> out;
        for (ApRecord* r = scanList.First(); r && r != scanList.Sentinel(); r = r->next)
            out.push_back(std::string(r->macText) + " " + DescribeAp(*r));
        return out;
    }

    RecordingOutbox outbox;
    CountingNotifier notifier;
};

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
