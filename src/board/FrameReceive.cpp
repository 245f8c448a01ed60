// The board's frame receiver and dispatcher.
//
// Framing. Every frame, in both directions, looks like this on the wire:
//
//   11 12        header
//   tt           message type; a type 0x11 is followed by one stuffing byte 14
//   pp ...       payload; every payload byte 0x11 is sent as 11 14
//   cc           checksum: from the board, the byte that makes the XOR of
//                type, payload and cc come to 0; from the handheld, 00
//   11 13        trailer
//
// 0x11 is the only escape: after it, 12 opens a frame, 13 closes it and 14
// stands for a 0x11 of data. The receiver unstuffs payload and checksum into
// one buffer and hands both to the dispatcher, so a received payload of
// length L is L - 1 bytes of message plus the checksum at its end.
//
// Receive state machine. The board worker reads one byte at a time and calls
// ReceiveStep with it (count 1) or with a read time-out (count 0); the result
// is how many bytes to read next. "reset" is: state 0, return 0. The worker
// then reads nothing and calls again with the same, stale byte, which state 0
// and state 6 never look at; so a byte that breaks a frame is consumed, and
// the next one is tried as the start of a new header.
//
//   state  meaning             byte b arrived                      no byte
//   0      restart             (b not looked at) clear buffer,     same
//                              length 0, state 1, return 1
//   1      expect 11           11: state 2; else reset             reset
//   2      expect 12           12: state 3; else reset             reset
//   3      type                type = b; 11: state 7, else 4       reset
//   4      payload             length >= 8000: reset;              reset
//                              11: state 5; else append b
//   5      after 11 in payload 13: state 6, dispatch, return 0;    state 0,
//                              14: append 11, state 4;             return 1
//                              else reset
//   6      frame done          reset                               reset
//   7      stuffing after      (b not looked at) state 4           reset
//          type 0x11
//
// Every transition not marked otherwise returns 1. A time-out inside a frame
// abandons it; there is no other re-synchronisation. A frame abandoned after
// its header (a time-out in states 3, 4, 5 and 7, a bad escape, too long a
// payload) or dropped for its checksum is counted by cause (FramesDropped).
// The buffer is cleared before each frame, so a text without its own NUL
// ends at the zeros behind.
//
// Threads: ReceiveStep, DispatchFrame and MergeReport run on the board worker
// only; the receiver state lives in theBoard and nowhere else. Which scan
// frames act is decided by the scan session (ScanSession.cpp).

#include <cstdio>
#include <cstring>
#include <mutex>

#include "board/FrameEncoder.h"
#include "board/ScannerBoard.h"

namespace {

constexpr size_t kFirmwareChars = 32;
constexpr size_t kSerialChars = 8;

// Copies a text of at most maxChars characters, ending at its NUL or at the
// end of the message, whichever comes first. dst must be zero-filled.
void CopyText(char* dst, size_t maxChars, const uint8_t* message, size_t messageLength) {
    size_t n = 0;
    while (n < maxChars && n < messageLength && message[n] != 0) {
        dst[n] = static_cast<char>(message[n]);
        ++n;
    }
}

}  // namespace

const char* FrameDropName(FrameDrop cause) {
    switch (cause) {
        case FrameDrop::kBadChecksum:
            return "bad-checksum";
        case FrameDrop::kBadEscape:
            return "bad-escape";
        case FrameDrop::kTooLong:
            return "too-long";
        case FrameDrop::kTimedOut:
            return "timed-out";
    }
    return "unknown";
}

uint64_t CScannerBoard::FramesDropped(FrameDrop cause) const {
    return m_framesDropped[static_cast<size_t>(cause)].load();
}

uint64_t CScannerBoard::FramesDropped() const {
    uint64_t n = 0;
    for (const std::atomic<uint64_t>& c : m_framesDropped) n += c.load();
    return n;
}

void CScannerBoard::CountDrop(FrameDrop cause) {
    const auto i = static_cast<size_t>(cause);
    ++m_framesDropped[i];
    // A noisy line drops many frames: the first of each cause tells the
    // developer what to look for, the count tells how often.
    if (!m_dropLogged[i].exchange(true))
        std::fprintf(stderr, "pellorin: a board frame was dropped (%s); later ones are counted\n",
                     FrameDropName(cause));
}

int CScannerBoard::DropFrame(FrameDrop cause) {
    CountDrop(cause);
    m_rxState = kRxRestart;
    return 0;
}

void CScannerBoard::ResetReceiver() {
    std::memset(m_rxPayload, 0, sizeof m_rxPayload);
    m_rxLength = 0;
}

void CScannerBoard::AppendPayload(uint8_t byte) { m_rxPayload[m_rxLength++] = byte; }

int CScannerBoard::ReceiveStep(const uint8_t* buffer, uint32_t count) {
    const bool arrived = count != 0;
    const uint8_t b = arrived ? buffer[0] : 0;
    auto reset = [this] {
        m_rxState = kRxRestart;
        return 0;
    };

    switch (m_rxState) {
        case kRxRestart:
            ResetReceiver();
            m_rxState = kRxExpectEscape;
            return 1;
        case kRxExpectEscape:
            if (!arrived || b != kFrameEscape) return reset();
            m_rxState = kRxExpectStart;
            return 1;
        case kRxExpectStart:
            if (!arrived || b != kFrameStart) return reset();
            m_rxState = kRxType;
            return 1;
        case kRxType:
            if (!arrived) return DropFrame(FrameDrop::kTimedOut);
            m_rxType = b;
            m_rxState = b == kFrameEscape ? kRxTypeStuffing : kRxPayload;
            return 1;
        case kRxPayload:
            if (!arrived) return DropFrame(FrameDrop::kTimedOut);
            if (m_rxLength >= kRxPayloadLimit) return DropFrame(FrameDrop::kTooLong);
            if (b == kFrameEscape)
                m_rxState = kRxAfterEscape;
            else
                AppendPayload(b);
            return 1;
        case kRxAfterEscape:
            if (!arrived) {
                CountDrop(FrameDrop::kTimedOut);
                m_rxState = kRxRestart;
                return 1;
            }
            if (b == kFrameEnd) {
                m_rxState = kRxFrameDone;
                DispatchFrame(m_rxType, m_rxPayload, m_rxLength);
                return 0;
            }
            if (b != kFrameStuff) return DropFrame(FrameDrop::kBadEscape);
            AppendPayload(kFrameEscape);
            m_rxState = kRxPayload;
            return 1;
        case kRxTypeStuffing:
            if (!arrived) return DropFrame(FrameDrop::kTimedOut);
            m_rxState = kRxPayload;
            return 1;
        case kRxFrameDone:
        default:  // a state set from outside that the table does not know
            return reset();
    }
}

void CScannerBoard::PostDraw() {
    if (IDrawNotifier* notify = m_pNotify.load()) notify->PostTalvDraw();
}

void CScannerBoard::MergeUnderLock(const uint8_t* report, size_t length) {
    // The worker never waits for the user-interface thread: a report that
    // meets the lock held is kept, and the kept ones go first when it is free.
    if (!m_reportLock.try_lock()) {
        if (m_kept.size() >= kMaxKeptReports) {
            m_kept.pop_front();
            ++m_keptLost;
        }
        m_kept.push_back({m_frameScan, std::vector<uint8_t>(report, report + length)});
        return;
    }
    MergeKeptLocked();
    // A report of an earlier scan never reaches the list of a new point.
    if (m_frameScan == m_listScan) MergeReport(report, length);
    m_reportLock.unlock();
}

void CScannerBoard::MergeKeptLocked() {
    for (const KeptReport& kept : m_kept)
        if (kept.scan == m_listScan) MergeReport(kept.bytes.data(), kept.bytes.size());
    m_kept.clear();
}

void CScannerBoard::MergeKeptReports() {
    if (!HasKeptReports() || !m_reportLock.try_lock()) return;
    MergeKeptLocked();
    m_reportLock.unlock();
    if (m_endKept) {
        m_endKept = false;
        // The scan-finished waited for its reports; a new scan has cleared it.
        if (m_endKeptScan == m_scanNumber.load()) m_bScanComplete = 1;
    }
    PostDraw();
}

void CScannerBoard::DispatchFrame(uint8_t type, const uint8_t* payload, uint16_t length) {
    if (m_bDispatching) return;
    m_bDispatching = 1;

    uint8_t sum = type;
    for (uint16_t i = 0; i < length; ++i) sum ^= payload[i];
    const bool checksumOk = sum == 0;
    if (!checksumOk) CountDrop(FrameDrop::kBadChecksum);
    // The message proper: everything before the checksum byte.
    const size_t messageLength = length > 0 ? length - 1u : 0u;

    if (checksumOk) {
        ++m_framesReceived;
        BoardAnswered();
        bool draw = false;
        bool state = false;
        switch (type) {
            case MSG_FIRMWARE: {
                std::lock_guard<std::mutex> lock(m_textLock);
                std::memset(m_firmware, 0, sizeof m_firmware);
                CopyText(m_firmware, kFirmwareChars, payload, messageLength);
            }
                RequestSerial();
                break;
            case MSG_SERIAL: {
                std::lock_guard<std::mutex> lock(m_textLock);
                std::memset(m_serial, 0, sizeof m_serial);
                CopyText(m_serial, kSerialChars, payload, messageLength);
                state = true;  // a start-up screen shows it at once
                break;
            }
            case MSG_MODE:
                if (m_requestedMode == kSurveyScanMode) {
                    m_bSurveyMode = 1;
                    if (ScanRequestAfterModeAck()) RequestScan();
                }
                break;
            case MSG_REPORT:
                if (!TakeScanFrame(type)) break;
                MergeUnderLock(payload, messageLength);
                draw = true;
                break;
            case MSG_CHANNEL:
                if (!TakeScanFrame(type)) break;
                // Without its channel byte the frame names no channel.
                if (messageLength >= 1) m_scanChannel = payload[0];
                draw = true;
                break;
            case MSG_SCAN_START:
                if (!TakeScanFrame(type)) break;
                // In a session a stale finish of an earlier scan must not
                // complete this one.
                if (m_gate.load() != ScanGate::kOpen) m_bScanComplete = 0;
                m_bScanStarted = 1;
                draw = true;
                break;
            case MSG_SCAN_REPORT:
                if (!TakeScanFrame(type)) break;
                m_bScanComplete = 0;
                MergeUnderLock(payload, messageLength);
                draw = true;
                break;
            case MSG_SCAN_END:
                if (!TakeScanFrame(type)) break;
                // Complete only once every reading of the scan is in the list.
                MergeKeptReports();
                if (m_kept.empty()) {
                    m_bScanComplete = 1;
                } else {
                    m_endKept = true;
                    m_endKeptScan = m_frameScan;
                }
                draw = true;
                break;
            default:
                break;
        }
        if (draw) PostDraw();
        if (state) PostBoardState();
    }

    if (IFrameObserver* observer = m_pObserver.load())
        observer->OnFrameDispatched(type, payload, length, checksumOk);
    m_bDispatching = 0;
}
