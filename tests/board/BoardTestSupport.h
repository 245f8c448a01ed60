#pragma once
// Shared pieces of the board tests: a recording outbox and the decode log
// that the table tests and the recorded-stream goldens compare against.
// Frames, report messages and hex come from tests/support.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "BoardFrame.h"
#include "CountingNotifier.h"
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
struct ApRecord;
std::string DescribeAp(const ApRecord& record);
