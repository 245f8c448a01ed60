#pragma once
// Helpers for the robustness tests: a pseudo-terminal on which a test plays
// the board, frames as a board sends them, scratch directories, survey-list
// snapshots, and the process's resident memory. Every wait is bounded.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class CApList;

using Bytes = std::vector<uint8_t>;

// The board's end of a line. The program opens slavePath; the test keeps one
// slave descriptor so that the line stays up until Unplug.
class BoardPty {
public:
    BoardPty();
    ~BoardPty();
    BoardPty(const BoardPty&) = delete;
    BoardPty& operator=(const BoardPty&) = delete;
    bool Ok() const { return m_master >= 0; }
    const std::string& SlavePath() const { return m_slavePath; }
    void Write(const Bytes& bytes) const;
    // Exactly n bytes, or fewer when the deadline passes.
    Bytes Read(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Whatever arrives within `quiet`.
    Bytes ReadFor(std::chrono::milliseconds quiet) const;
    // The device goes away: both ends are closed.
    void Unplug();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// A frame from the board: real checksum, stuffing.
Bytes BoardFrame(uint8_t type, const Bytes& payload);
Bytes Hex(const std::string& text);

// A report message: `probes` probe entries with MAC 02:00:00:00:hi:lo and
// RSSI -40 - i; `beacons` beacon entries with probe indexes from indexBase.
Bytes Report(size_t probes, size_t beacons, unsigned indexBase = 0, uint8_t ssidLength = 4,
             const std::string& ssid = "abcd");

bool WaitUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

class Scratch {
public:
    Scratch();
    ~Scratch();
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

Bytes ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes);
// samples/office.hss
std::filesystem::path OfficeSample();

// The fields of a survey entry that a site file keeps.
struct SurveyEntry {
    int32_t x, y;
    std::string name, macText, ssid;
    uint8_t channel;
    int64_t rssi;
    bool operator==(const SurveyEntry&) const = default;
};
// A list as the site file holds it: placeholders (channel 0) carry only
// their position and name.
std::vector<SurveyEntry> AsStored(const CApList& list);
// The entries of the points section of the site file at `path`; false when
// the file does not open as a site file.
bool ReadStoredPoints(const std::filesystem::path& path, std::vector<SurveyEntry>& out);

// VmRSS of this process in kB.
long ResidentKb();
