#pragma once
// CBoardStartup: the view's start-up of the board, in the handheld's order
// (create the link, pause 5000 ms, start the worker, request the firmware,
// pause 4000 ms) but without blocking the user-interface thread. The caller
// drives it with its own timer:
//
//     int delay = startup.Step();          // first step at once
//     while (delay >= 0) { wait delay ms; delay = startup.Step(); }
//
// With Qt: a single-shot QTimer that calls Step() and re-arms itself with the
// returned delay. Stop() (on close or minimise) stops the worker, deletes the
// link (closing the port after its pause) and stops the simulator.

#include <chrono>
#include <memory>
#include <string>

#include "link/BoardLink.h"
#include "link/BoardWorker.h"

class CPtyBoardSim;
struct SimBoardOptions;
class IDrawNotifier;

struct BoardStartupOptions {
    std::string portOverride;           // --port DEVICE
    bool simulate = false;              // --simulate-board: a simulated board on a pty
    std::string capturePath;            // --capture FILE
    BoardMessageFn message;             // the app's message box for the link's texts
    IDrawNotifier* notifier = nullptr;  // receives "TALV_DRAW" (set on the board)
    // On the worker when the device goes or comes back; must be thread-safe
    // (post an event). A scan under way has ended when it reports false.
    std::function<void(bool connected)> onConnectionChanged;

    CScannerBoard* board = nullptr;              // null: theBoard
    const ISerialDeviceList* devices = nullptr;  // null: sysfs
    std::chrono::milliseconds openPause{5000};   // after creating the link
    std::chrono::milliseconds greetPause{4000};  // after the firmware request
    std::chrono::milliseconds closePause{1000};  // before the port is closed
    BoardWorkerOptions worker;                   // clock and time-outs (tests)

    // Simulated board (only with simulate).
    std::string simApsFile;  // --aps FILE, empty: the built-in site
    uint32_t simSeed = 1;
    int64_t simScanMs = 1500;
};

class CBoardStartup {
public:
    explicit CBoardStartup(BoardStartupOptions options);
    ~CBoardStartup();  // Stop()
    CBoardStartup(const CBoardStartup&) = delete;
    CBoardStartup& operator=(const CBoardStartup&) = delete;

    // Runs the next step; returns the milliseconds to wait before the next
    // call, or -1 when the sequence is finished (or was stopped).
    int Step();
    bool Finished() const { return m_phase == Phase::kRunning || m_phase == Phase::kStopped; }
    // Runs every step, sleeping in between (tools, benchmarks).
    void RunBlocking();
    // Stops the worker, deletes the link (g_pBoardLink becomes null) and the
    // simulator. Safe to call at any phase and more than once.
    void Stop();

    CBoardLink* Link() const { return m_link.get(); }
    CBoardWorker* Worker() const { return m_worker.get(); }
    // The simulated board, or null; SetSurveyorPosition puts the surveyor at each new point.
    CPtyBoardSim* Simulator() const { return m_sim.get(); }
    // The text to show when the simulated board could not be started.
    const std::string& SimulatorError() const { return m_simError; }

private:
    enum class Phase { kCreateLink, kStartWorker, kGreetPause, kRunning, kStopped };

    BoardStartupOptions m_options;
    Phase m_phase = Phase::kCreateLink;
    std::unique_ptr<CPtyBoardSim> m_sim;
    std::unique_ptr<CBoardLink> m_link;
    std::unique_ptr<CBoardWorker> m_worker;
    std::string m_simError;
};
