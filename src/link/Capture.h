#pragma once
// Recording of the board line (--capture FILE) and its replay.
//
// A capture is a text file: a provenance header of "#" lines, then one line
// per record, fields separated by one space:
//
//   field 1  seconds since the capture began, 6 decimals ("0.004211")
//   field 2  R  bytes read from the board
//            W  bytes written to the board (one whole frame or keep-alive)
//            E  an event of the link ("connected /dev/ttyUSB0", "disconnected")
//   rest     R/W: the bytes as two-digit upper-case hex, space-separated;
//            E: free text
//
// Consecutive reads less than 5 ms apart share one R line (at most 32 bytes),
// stamped with the time of its first byte.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

class CScannerBoard;

class CCaptureWriter {
public:
    CCaptureWriter() = default;
    ~CCaptureWriter();
    CCaptureWriter(const CCaptureWriter&) = delete;
    CCaptureWriter& operator=(const CCaptureWriter&) = delete;

    // Creates (truncates) the file and writes the header; false when it cannot.
    bool Open(const std::string& path, const std::string& device, const std::string& recordedBy);
    bool IsOpen() const;
    void Close();

    void Read(const uint8_t* bytes, size_t length);
    void Wrote(const uint8_t* bytes, size_t length);
    void Event(const std::string& text);
    // Ends the pending R line (the worker calls this when the line goes quiet).
    void Flush();

private:
    double Seconds() const;
    void FlushLocked();

    mutable std::mutex m_lock;
    std::FILE* m_file = nullptr;
    std::chrono::steady_clock::time_point m_start;
    std::vector<uint8_t> m_pendingRead;
    double m_pendingSince = 0;
};

struct CaptureRecord {
    double seconds = 0;
    char kind = 0;  // 'R', 'W' or 'E'
    std::vector<uint8_t> bytes;
    std::string text;  // events only
};

// Reads a capture; false (with a reason in error) on a malformed line.
bool LoadCapture(const std::string& path, std::vector<CaptureRecord>& records,
                 std::string* error = nullptr);

// Feeds bytes to a board's receive state machine exactly as the worker does:
// one byte per ReceiveStep that asks for one, the byte's absence (a read that
// timed out) as a count of 0.
class CRxFeeder {
public:
    explicit CRxFeeder(CScannerBoard& board);
    void Byte(uint8_t byte);
    void Timeout();
    // Lets the last byte through the state machine (it is looked at on the
    // pass after its read).
    void Finish();

private:
    CScannerBoard& m_board;
    uint8_t m_buffer = 0;
    uint32_t m_count = 0;
};

// Replays the R records of a capture through the board (the W records are
// what the program sent and are not replayed). A gap of more than 251 ms
// between reads, and a disconnection, count as a read time-out. Returns the
// number of bytes fed.
size_t ReplayCaptureReads(const std::vector<CaptureRecord>& records, CScannerBoard& board);
