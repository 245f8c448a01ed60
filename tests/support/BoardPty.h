#pragma once
// The board's end of a line: a test plays the board on the master side and
// the program opens SlavePath(). One slave descriptor is kept, so that the
// line stays up until Unplug. Every wait has a deadline.

#include <chrono>
#include <cstddef>
#include <string>

#include "TestBytes.h"

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
    // Bytes available right now, without waiting.
    Bytes ReadAvailable() const;
    // The device goes away: both ends are closed.
    void Unplug();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// Writes to the program's end `fd` (non-blocking) until the line takes not a
// byte more: a board that never reads. A pty frees room in steps, so big
// writes alone would leave gaps. Returns the bytes written.
size_t FillUntilRefused(int fd);
