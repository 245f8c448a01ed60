#pragma once
// CSimBoardEngine: the board's side of the protocol, without any I/O. Bytes
// from the handheld go in through Feed, the board's bytes come out of
// TakeOutput; time is passed in (milliseconds of any steady clock) so tests
// can step it.
//
// What the simulated board does:
//   MSG_FIRMWARE request    -> MSG_FIRMWARE with the version text and its NUL
//   MSG_SERIAL request      -> MSG_SERIAL with the serial-number text and NUL
//   MSG_MODE (1 byte mode)  -> MSG_MODE acknowledgement carrying the mode
//   MSG_SCAN_START request  -> a survey scan over scanMs: MSG_SCAN_START; for
//                              channels 1..14 a MSG_CHANNEL, then for the APs
//                              heard on it a report with probe and beacon
//                              entries and a second with probe entries only;
//                              MSG_SCAN_END. A request during a scan is ignored.
//   00 bytes between frames -> keep-alive, ignored
// Every frame it sends carries a real checksum and is stuffed.

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "boardsim/SimAccessPoints.h"

struct SimBoardOptions {
    std::string firmware = "2.14";
    std::string serial = "BX402117";
    int64_t scanMs = 1500;
    uint32_t seed = 1;
    SimSite site = DefaultSimSite();
};

struct SimBoardStats {
    uint64_t framesReceived = 0;  // well-formed frames from the handheld
    uint64_t malformed = 0;       // bad header, stuffing, checksum position or length
    uint64_t unknownTypes = 0;
    uint64_t keepAliveBytes = 0;
    uint64_t scans = 0;
    uint64_t framesSent = 0;
};

class CSimBoardEngine {
public:
    explicit CSimBoardEngine(SimBoardOptions options = {});

    void Feed(const uint8_t* bytes, size_t length, int64_t nowMs);
    // Bytes due by nowMs (answers at once, scan messages on their schedule).
    std::vector<uint8_t> TakeOutput(int64_t nowMs);
    // When the next scheduled message is due, or -1 when none is.
    int64_t NextDueMs() const;
    // The line went away: drop the frame being received and the scan.
    void Disconnected();

    // The surveyor's position in world pixels; any thread.
    void SetPosition(double x, double y);
    SimBoardStats Stats() const;
    bool ScanRunning() const;

private:
    struct Scheduled {
        int64_t dueMs;
        std::vector<uint8_t> bytes;
    };
    void OnFrame(uint8_t type, const std::vector<uint8_t>& payload);
    void StartScan(int64_t nowMs);
    void AppendChannelReports(uint8_t channel, int64_t dueMs, double x, double y);
    void Send(uint8_t type, const std::vector<uint8_t>& payload, int64_t dueMs);

    SimBoardOptions m_options;
    std::mt19937 m_random;
    std::atomic<double> m_x{400};
    std::atomic<double> m_y{280};

    // Receive side (handheld frames).
    enum class Rx { kIdle, kHeader, kType, kStuff, kPayload, kEscape };
    Rx m_rx = Rx::kIdle;
    uint8_t m_rxType = 0;
    std::vector<uint8_t> m_rxPayload;
    int64_t m_now = 0;

    std::deque<Scheduled> m_out;  // ordered by dueMs
    int64_t m_scanEndMs = -1;
    mutable std::mutex m_statsLock;
    SimBoardStats m_stats;
};
