#pragma once
// CPtyBoardSim: a simulated scanner board behind a pseudo-terminal, served by
// its own thread. The program opens the printed slave path like any serial
// port. Used by pellorin-boardsim and, with --simulate-board, inside the app.

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "boardsim/SimBoardEngine.h"

class CPtyBoardSim {
public:
    explicit CPtyBoardSim(SimBoardOptions options = {});
    ~CPtyBoardSim();  // Stop()
    CPtyBoardSim(const CPtyBoardSim&) = delete;
    CPtyBoardSim& operator=(const CPtyBoardSim&) = delete;

    // Opens the pseudo-terminal and starts serving it; false (error set) when
    // no pseudo-terminal could be had.
    bool Start(std::string* error = nullptr);
    // Wakes the thread and joins it (bounded by one poll wake-up), closes the pty.
    void Stop();
    const std::string& DevicePath() const { return m_slavePath; }

    // The surveyor's position in world pixels (the map cursor); any thread.
    void SetSurveyorPosition(double x, double y) { m_engine.SetPosition(x, y); }
    SimBoardStats Stats() const { return m_engine.Stats(); }
    // Optional: a line whenever the program closes the port.
    void SetLog(std::FILE* log) { m_log = log; }

private:
    void Serve();
    int64_t NowMs() const;

    CSimBoardEngine m_engine;
    int m_master = -1;
    int m_wakeFd = -1;
    std::string m_slavePath;
    std::atomic<bool> m_stop{false};
    std::atomic<std::FILE*> m_log{nullptr};
    std::thread m_thread;
};
