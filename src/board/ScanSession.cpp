// The survey scan as a session between the view and the board: started for a
// new point, cancelled by the surveyor, given up when the board goes away or
// falls silent, and kept apart from any other scan the board may still be
// running.
//
// The wire has no scan numbers and no cancel. A cancelled scan goes on in the
// board to its scan-finished, and a request sent meanwhile may be ignored or
// answered after it. So a new scan's request goes out only while the board is
// free (no scan running, no request unanswered, present), and the new scan
// takes frames only from the scan-started that answers it:
//
//   gate        scan-started              channel, reports   scan-finished
//   open        acts                      act                acts
//   awaitStart  acts when our request     ignored            ignored; the waiting
//               went out (-> running)                        request goes out
//   running     acts                      act                acts (-> finished)
//   finished, cancelled, givenUp: every scan frame is ignored
//
// "open" is the state until the first StartSurveyScan: every frame acts as it
// arrives (the recorded conversations and the protocol tests rely on it).
// The worker's watchdog gives up a wanted scan that gets no frame for the
// scan time-out; then the board counts as not answering until a frame comes.

#include <mutex>

#include "aplist/ApList.h"
#include "board/ScannerBoard.h"

void CScannerBoard::StartSurveyScan(bool surveyModeKnown) {
    // Only this thread changes the number. The list is emptied for the new
    // number first, so that no report of an earlier scan, kept or late, can
    // land in it (MergeUnderLock compares the numbers).
    const uint32_t scan = m_scanNumber.load() + 1;
    {
        std::lock_guard<std::mutex> hold(m_reportLock);
        scanList.RemoveAll();
        m_listScan = scan;
    }
    std::lock_guard<std::mutex> hold(m_scanLock);
    m_scanNumber = scan;
    m_gate = ScanGate::kAwaitStart;
    m_bScanStarted = 0;
    m_bScanComplete = 0;
    m_scanChannel = 0;  // no channel of this scan reported yet
    m_requestDeferred = true;
    m_deferredModeKnown = surveyModeKnown;
    SendDeferredRequestIfFree();
}

void CScannerBoard::CancelScan() {
    std::lock_guard<std::mutex> hold(m_scanLock);
    m_gate = ScanGate::kCancelled;
    m_requestDeferred = false;
    m_bScanStarted = 0;
    m_bScanComplete = 0;
}

bool CScannerBoard::ScanWanted() const {
    const ScanGate gate = m_gate.load();
    return gate == ScanGate::kAwaitStart || gate == ScanGate::kRunning;
}

const char* CScannerBoard::PresenceText() const {
    return m_presence.load() == BoardPresence::kPresent ? "" : kBoardLostText;
}

void CScannerBoard::SendDeferredRequestIfFree() {
    if (!m_requestDeferred || m_gate.load() != ScanGate::kAwaitStart) return;
    if (m_presence.load() != BoardPresence::kPresent || m_requestOutstanding || m_boardScanning)
        return;
    m_requestDeferred = false;
    m_requestOutstanding = true;
    if (m_deferredModeKnown && m_bSurveyMode.load() != 0)
        RequestScan();
    else
        SelectScanMode(kSurveyScanMode);
}

bool CScannerBoard::TakeScanFrame(uint8_t type) {
    std::lock_guard<std::mutex> hold(m_scanLock);
    bool answersUs = false;
    if (type == MSG_SCAN_START) {
        answersUs = m_requestOutstanding && !m_requestDeferred;
        m_requestOutstanding = false;
        m_boardScanning = true;
    } else if (type == MSG_SCAN_END) {
        m_boardScanning = false;
    }
    m_frameScan = m_scanNumber.load();
    switch (m_gate.load()) {
        case ScanGate::kOpen:
            return true;
        case ScanGate::kAwaitStart:
            if (type == MSG_SCAN_START && answersUs) {
                m_gate = ScanGate::kRunning;
                return true;
            }
            if (type == MSG_SCAN_END) SendDeferredRequestIfFree();
            return false;
        case ScanGate::kRunning:
            if (type == MSG_SCAN_END) m_gate = ScanGate::kFinished;
            return true;
        default:
            return false;
    }
}

bool CScannerBoard::ScanRequestAfterModeAck() {
    std::lock_guard<std::mutex> hold(m_scanLock);
    if (m_gate.load() == ScanGate::kOpen) return true;
    // The board has answered and started nothing: it is free, and the scan
    // asked for (if any) follows at once, whichever request it waited for.
    if (m_gate.load() != ScanGate::kAwaitStart) {
        m_requestOutstanding = false;
        return false;
    }
    m_requestDeferred = false;
    m_requestOutstanding = true;
    return true;
}

void CScannerBoard::GiveUpScanLocked() {
    m_requestOutstanding = false;
    m_boardScanning = false;
    m_requestDeferred = false;
    if (ScanWanted()) m_gate = ScanGate::kGivenUp;
    m_bScanStarted = 0;
    m_bScanComplete = 0;
    // A board that lost power has forgotten its mode: the next scan asks again.
    m_bSurveyMode = 0;
}

void CScannerBoard::OnDeviceGone() {
    {
        std::lock_guard<std::mutex> hold(m_scanLock);
        m_presence = BoardPresence::kDeviceGone;
        GiveUpScanLocked();
    }
    PostBoardState();
}

void CScannerBoard::OnDeviceBack() {
    {
        std::lock_guard<std::mutex> hold(m_scanLock);
        m_presence = BoardPresence::kPresent;
        SendDeferredRequestIfFree();
    }
    PostBoardState();
}

void CScannerBoard::OnScanTimedOut(uint32_t scan) {
    {
        std::lock_guard<std::mutex> hold(m_scanLock);
        if (scan != m_scanNumber.load() || !ScanWanted()) return;
        if (m_presence.load() == BoardPresence::kPresent) m_presence = BoardPresence::kNotAnswering;
        GiveUpScanLocked();
    }
    PostBoardState();
}

void CScannerBoard::BoardAnswered() {
    if (m_presence.load() != BoardPresence::kNotAnswering) return;  // the usual case, no lock
    {
        std::lock_guard<std::mutex> hold(m_scanLock);
        if (m_presence.load() != BoardPresence::kNotAnswering) return;
        m_presence = BoardPresence::kPresent;
        SendDeferredRequestIfFree();
    }
    PostBoardState();
}

void CScannerBoard::PostBoardState() {
    if (IDrawNotifier* notify = m_pNotify.load()) notify->PostBoardState();
}
