#pragma once
// Pseudo-terminal pairs, a counting notifier, a settable clock and bounded
// waits for the link tests. Every wait has a deadline; nothing waits forever.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "board/BoardInterfaces.h"
#include "board/ScannerBoard.h"

// The board end of a line: the test plays the board on the master side; the
// program opens slavePath. The test also keeps one slave descriptor, only to
// ask how many bytes still wait for the program (FIONREAD).
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    bool Ok() const { return master >= 0; }
    void CloseMaster();
    void Write(const std::vector<uint8_t>& bytes) const;
    // Reads exactly n bytes, or fewer when the deadline passes.
    std::vector<uint8_t> Read(size_t n,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Bytes available right now, without waiting.
    std::vector<uint8_t> ReadAvailable() const;
    // Waits until the program has read everything written to it.
    bool WaitDrained(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

    int master = -1;
    int slaveProbe = -1;
    std::string slavePath;
};

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

// Waits until pred() holds, polling every few milliseconds; false on timeout.
bool WaitUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// A frame as the board sends it (real checksum, stuffing).
std::vector<uint8_t> BoardFrame(uint8_t type, const std::vector<uint8_t>& payload);
// The message of a report: probes (mac last byte, rssi), beacons for all.
std::vector<uint8_t> ReportMessage(const std::vector<std::pair<uint8_t, int16_t>>& probes,
                                   const std::string& ssid, size_t beacons);

std::vector<uint8_t> Hex(const std::string& text);
std::string HexText(const std::vector<uint8_t>& bytes);

std::unique_ptr<CScannerBoard> NewBoard();
