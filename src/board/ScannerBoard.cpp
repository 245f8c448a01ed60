// theBoard: construction, the board's identity texts and the requests the
// handheld sends. Receiving and dispatching are in FrameReceive.cpp, the
// report merge in ReportMerge.cpp.

#include "board/ScannerBoard.h"

#include <cstring>
#include <vector>

#include "board/FrameEncoder.h"

namespace {

constexpr char kFirmwareAtStart[] = "0.00";
constexpr char kSerialAtStart[] = "XXXXXX";

}  // namespace

CScannerBoard::CScannerBoard() { Reset(); }

CScannerBoard::~CScannerBoard() = default;

void CScannerBoard::Reset() {
    {
        std::lock_guard<std::mutex> lock(m_textLock);
        std::memset(m_firmware, 0, sizeof m_firmware);
        std::memset(m_serial, 0, sizeof m_serial);
        std::memcpy(m_firmware, kFirmwareAtStart, sizeof kFirmwareAtStart);
        std::memcpy(m_serial, kSerialAtStart, sizeof kSerialAtStart);
    }
    m_bSurveyMode = 0;
    m_bScanStarted = 0;
    m_bScanComplete = 0;
    m_scanChannel = 0;
    m_requestedMode = 0;
    m_probeCount = 0;
    m_beaconCount = 0;
    std::memset(m_probes, 0, sizeof m_probes);
    std::memset(m_beacons, 0, sizeof m_beacons);
    m_bDispatching = 0;
    m_rxType = 0;
    ResetReceiver();
    m_rxState = kRxRestart;
    {
        std::lock_guard<std::mutex> lock(m_scanLock);
        m_gate = ScanGate::kOpen;
        m_scanNumber = 0;
        m_presence = BoardPresence::kPresent;
        m_framesReceived = 0;
        m_requestOutstanding = m_boardScanning = m_requestDeferred = m_deferredModeKnown = false;
    }
    m_listScan = m_frameScan = 0;
    m_kept.clear();
    m_endKept = false;
    m_endKeptScan = 0;
    m_keptLost = 0;
    for (std::atomic<uint64_t>& n : m_framesDropped) n = 0;
}

void CScannerBoard::GetFirmware(char* dst) const {
    std::lock_guard<std::mutex> lock(m_textLock);
    std::memcpy(dst, m_firmware, sizeof m_firmware);
}

void CScannerBoard::GetSerial(char* dst) const {
    std::lock_guard<std::mutex> lock(m_textLock);
    std::memcpy(dst, m_serial, sizeof m_serial);
}

int CScannerBoard::SendFrame(uint8_t type, const uint8_t* data, size_t length) {
    IFrameOutbox* outbox = m_pOutbox.load();
    if (outbox == nullptr) return 0;
    std::vector<uint8_t> frame;
    EncodeFrame(type, data, length, 0x00, frame);
    return outbox->QueueTx(frame.data(), frame.size());
}

void CScannerBoard::RequestFirmware() { SendFrame(MSG_FIRMWARE, nullptr, 0); }

void CScannerBoard::RequestSerial() { SendFrame(MSG_SERIAL, nullptr, 0); }

void CScannerBoard::RequestScan() { SendFrame(MSG_SCAN_START, nullptr, 0); }

void CScannerBoard::SelectScanMode(uint8_t mode) {
    m_requestedMode = mode;
    SendFrame(MSG_MODE, &mode, 1);
}

void CScannerBoard::SendKeepAlive() {
    IFrameOutbox* outbox = m_pOutbox.load();
    if (outbox == nullptr) return;
    static constexpr uint8_t kKeepAlive[2] = {0x00, 0x00};
    outbox->QueueTx(kKeepAlive, sizeof kKeepAlive);
}

CScannerBoard theBoard;
