#pragma once
// Shared pieces of the board tests: fakes for the two seams, report messages,
// a feeder that drives ReceiveStep exactly as the board worker does, and the
// decode log that the table tests and the recorded-stream goldens compare
// against. Frames and hex come from tests/support.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BoardFrame.h"
#include "CountingNotifier.h"
#include "TestBytes.h"
#include "board/ScannerBoard.h"

using Mac = std::array<uint8_t, 6>;

class RecordingOutbox : public IFrameOutbox {
public:
    int QueueTx(const uint8_t* bytes, size_t length) override {
        queued.emplace_back(bytes, bytes + length);
        return 1;
    }
    std::vector<Bytes> queued;
};

struct Probe {
    Mac mac;
    int16_t rssi;
};
struct Beacon {
    uint8_t probeIndex;
    std::string ssid;
    uint8_t channel = 1;
    uint16_t capability = 0;
    std::optional<uint8_t> ssidLength = {};  // default: ssid.size()
};
// The message of a report (without checksum). The count bytes are the sizes
// of the vectors unless given.
Bytes ReportMessage(const std::vector<Probe>& probes, const std::vector<Beacon>& beacons,
                    std::optional<uint8_t> probeCount = {},
                    std::optional<uint8_t> beaconCount = {});

// Drives ReceiveStep like the board worker: a call returning 0 is repeated
// with the previous read result (nothing is read), a call returning 1 takes
// the next event, a byte or a read time-out.
class WorkerFeed {
public:
    explicit WorkerFeed(CScannerBoard& board) : m_board(board) {}
    void Byte(uint8_t b);
    void TimeOut();
    void Stream(const Bytes& bytes) {
        for (uint8_t b : bytes) Byte(b);
    }
    // Hex script: bytes, and "~" for a read time-out.
    void Script(const std::string& script);
    // Lets the receiver look at the last event.
    void Finish();

private:
    void UntilReadWanted();
    CScannerBoard& m_board;
    uint8_t m_buffer = 0;
    uint32_t m_count = 0;
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
