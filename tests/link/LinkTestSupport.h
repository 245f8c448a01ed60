#pragma once
// A counting notifier, report messages and a fresh board for the link tests;
// the board's pseudo-terminal, frames, hex, scratch directories and waits
// come from tests/support.
// Every wait has a deadline; nothing waits forever.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "BoardFrame.h"
#include "BoardPty.h"
#include "ScratchDir.h"
#include "TestBytes.h"
#include "WaitUntil.h"
#include "board/BoardInterfaces.h"
#include "board/ScannerBoard.h"

class CountingNotifier : public IDrawNotifier {
public:
    void PostTalvDraw() override;
    int Count() const { return m_count.load(); }
    bool WaitFor(int atLeast, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    std::atomic<int> m_count{0};
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
};

// The message of a report: probes (mac last byte, rssi), beacons for all.
std::vector<uint8_t> ReportMessage(const std::vector<std::pair<uint8_t, int16_t>>& probes,
                                   const std::string& ssid, size_t beacons);

std::unique_ptr<CScannerBoard> NewBoard();
