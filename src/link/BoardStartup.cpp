#include "link/BoardStartup.h"

#include <thread>

#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "boardsim/PtyBoardSim.h"

CBoardStartup::CBoardStartup(BoardStartupOptions options) : m_options(std::move(options)) {}

CBoardStartup::~CBoardStartup() { Stop(); }

int CBoardStartup::Step() {
    CScannerBoard& board = m_options.board ? *m_options.board : theBoard;
    switch (m_phase) {
        case Phase::kCreateLink: {
            if (m_options.notifier) board.SetNotifier(m_options.notifier);
            BoardLinkOptions link;
            link.portOverride = m_options.portOverride;
            link.devices = m_options.devices;
            link.message = m_options.message;
            link.capturePath = m_options.capturePath;
            link.closePause = m_options.closePause;
            link.board = &board;
            if (m_options.simulate) {
                SimBoardOptions sim;
                sim.seed = m_options.simSeed;
                sim.scanMs = m_options.simScanMs;
                if (!m_options.simApsFile.empty() &&
                    !LoadSimSite(m_options.simApsFile, sim.site, &m_simError) && m_options.message)
                    m_options.message("Simulated board: " + m_simError);
                m_sim = std::make_unique<CPtyBoardSim>(std::move(sim));
                if (m_sim->Start(&m_simError)) {
                    link.portOverride = m_sim->DevicePath();
                } else if (m_options.message) {
                    m_options.message("Simulated board: " + m_simError);
                }
            }
            m_link = std::make_unique<CBoardLink>(std::move(link));
            g_pBoardLink = m_link.get();
            {
                std::lock_guard<std::mutex> guard(board.m_reportLock);
                scanList.RemoveAll();
            }
            m_phase = Phase::kStartWorker;
            return static_cast<int>(m_options.openPause.count());
        }
        case Phase::kStartWorker: {
            BoardWorkerOptions worker = m_options.worker;
            if (!worker.onConnectionChanged)
                worker.onConnectionChanged = m_options.onConnectionChanged;
            m_worker = std::make_unique<CBoardWorker>(*m_link, std::move(worker));
            m_worker->Start();
            board.RequestFirmware();
            m_phase = Phase::kGreetPause;
            return static_cast<int>(m_options.greetPause.count());
        }
        case Phase::kGreetPause:
            m_phase = Phase::kRunning;
            return -1;
        case Phase::kRunning:
        case Phase::kStopped:
            return -1;
    }
    return -1;
}

void CBoardStartup::RunBlocking() {
    for (int delay = Step(); delay >= 0; delay = Step())
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
}

void CBoardStartup::Stop() {
    if (m_worker) m_worker->Stop();  // nothing touches the link after this
    m_worker.reset();
    if (g_pBoardLink == m_link.get()) g_pBoardLink = nullptr;
    m_link.reset();  // clears the board's outbox, pauses, closes the port
    if (m_sim) m_sim->Stop();
    m_sim.reset();
    m_phase = Phase::kStopped;
}
