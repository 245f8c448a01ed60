#pragma once
// The board worker: the one thread that reads and writes the board's port.
// It feeds the receive state machine one byte at a time, writes queued frames
// only between incoming frames, sends "00 00" after more than ten quiet
// seconds, and, when the device vanishes, closes it and tries to open the same
// device again about every two seconds until it is back.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "board/ScannerBoard.h"

class CBoardLink;
struct pollfd;

struct BoardWorkerOptions {
    // Whole seconds for the idle clock; null: the system clock.
    std::function<uint32_t()> clockSeconds;
    // How long a read waits for a byte (250 ms plus 1 ms per byte on the handheld).
    std::chrono::milliseconds readTimeout{251};
    // Between two tries to open a vanished device, and between two greetings
    // of a board that stopped answering.
    std::chrono::milliseconds retryInterval{2000};
    // The protocol never gives up on a scan: the worker does when a wanted
    // scan gets no frame from the board for this long.
    std::chrono::milliseconds scanTimeout{10000};
    // Milliseconds of a steady clock for the scan time-out and the greetings;
    // null: std::chrono::steady_clock.
    std::function<int64_t()> clockMs;
    // Called on the worker when the device goes (false) or comes back (true).
    std::function<void(bool connected)> onConnectionChanged;
};

class CBoardWorker {
public:
    explicit CBoardWorker(CBoardLink& link, BoardWorkerOptions options = {});
    ~CBoardWorker();  // stops the thread
    CBoardWorker(const CBoardWorker&) = delete;
    CBoardWorker& operator=(const CBoardWorker&) = delete;

    void Start();
    // Wakes the worker and waits for it. Every wait of the worker (poll for
    // a byte, the retry pause, a write to a line that does not drain) also
    // waits for the wake-up, so this returns within milliseconds.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

    // For tests and benchmarks.
    uint64_t Passes() const { return m_passes.load(); }
    uint64_t BytesReceived() const { return m_bytesReceived.load(); }
    bool Connected() const { return m_connected.load(); }
    uint64_t Reconnects() const { return m_reconnects.load(); }
    double CpuSeconds() const;  // CPU time the worker thread has used

private:
    friend int BoardWorkerProc(CBoardWorker& worker);
    void Loop();
    void OnDeviceGone();
    bool WaitAndReconnect();
    bool WaitForStop(std::chrono::milliseconds timeout);
    // Polls the tty (and the outbox) for up to one read time-out, merging
    // kept reports every few milliseconds meanwhile. Returns poll's result.
    int WaitForLine(pollfd* fds, int count);
    // The scan watchdog and the greetings of a board that stopped answering.
    void WatchBoard();
    // Notes in the capture each frame the receiver dropped since the last call.
    void CaptureDrops();
    uint32_t NowSeconds() const;
    int64_t NowMs() const;

    CBoardLink& m_link;
    BoardWorkerOptions m_options;
    int m_wakeFd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<uint64_t> m_passes{0};
    std::atomic<uint64_t> m_bytesReceived{0};
    std::atomic<bool> m_connected{false};
    std::atomic<uint64_t> m_reconnects{0};
    std::chrono::steady_clock::time_point m_nextRetry;
    // Watchdog (worker only): the scan and frame count last seen, and when
    // either last changed.
    uint32_t m_watchedScan = 0;
    uint64_t m_watchedFrames = 0;
    int64_t m_scanNewsMs = 0;
    int64_t m_nextGreetMs = 0;
    uint64_t m_dropsSeen[kFrameDropCauses] = {};  // of theBoard's counts (worker only)
    std::thread m_thread;
};

// The thread procedure; returns 0 when the worker has been stopped.
int BoardWorkerProc(CBoardWorker& worker);
