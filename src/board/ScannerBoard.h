#pragma once
// CScannerBoard (the one object theBoard): the survey state shared by the
// user-interface thread and the board worker, and the board's frame protocol.
// Transport-independent: frames leave through an IFrameOutbox, draw posts
// through an IDrawNotifier.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "board/BoardInterfaces.h"

// Message types of the board protocol.
enum : uint8_t {
    MSG_FIRMWARE = 0x01,
    MSG_SERIAL = 0x02,
    MSG_MODE = 0x03,
    MSG_REPORT = 0x10,
    MSG_CHANNEL = 0x11,
    MSG_SCAN_START = 0x16,
    MSG_SCAN_REPORT = 0x17,
    MSG_SCAN_END = 0x18,
};

constexpr uint8_t kSurveyScanMode = 7;
constexpr size_t kRxPayloadCapacity = 8192;
constexpr uint16_t kRxPayloadLimit = 8000;

// Probe entry of an access-point report (8 bytes on the wire).
struct ProbeEntry {
    uint8_t mac[6];
    int16_t rssi;  // one reading, dBm
};

// Beacon entry of an access-point report (37 bytes on the wire).
struct BeaconEntry {
    uint8_t probeIndex;
    uint8_t ssidLength;
    uint8_t ssid[33];  // 32 bytes from the wire plus room for the NUL
    uint8_t channel;
    uint16_t capability;  // bit 4 privacy, bit 13 copied to capabilityFlag
};

class CScannerBoard {
public:
    CScannerBoard();
    virtual ~CScannerBoard();
    CScannerBoard(const CScannerBoard&) = delete;
    CScannerBoard& operator=(const CScannerBoard&) = delete;

    // Back to the values at program start (texts "0.00" / "XXXXXX", flags 0,
    // receiver in state 0). Outbox and notifier stay as they are.
    void Reset();

    void SetOutbox(IFrameOutbox* outbox) { m_pOutbox.store(outbox); }
    void SetNotifier(IDrawNotifier* notifier) { m_pNotify.store(notifier); }

    // Builds a frame (header, type, stuffed payload, 0x00, trailer) and queues
    // it; does nothing and returns 0 without an outbox.
    virtual int SendFrame(uint8_t type, const uint8_t* data, size_t length);
    void RequestFirmware();
    void RequestSerial();
    void RequestScan();
    void SelectScanMode(uint8_t mode);
    void SendKeepAlive();

    // Feeds the byte just read (count 1) or its absence (count 0) to the
    // receive state machine; returns how many bytes to read next (1 or 0).
    int ReceiveStep(const uint8_t* buffer, uint32_t count);
    void DispatchFrame(uint8_t type, const uint8_t* payload, uint16_t length);
    // length: bytes of the report actually received (checksum excluded); a
    // report whose entries do not fit is ignored whole.
    void MergeReport(const uint8_t* report, size_t length);

    void GetFirmware(char* dst) const;  // at least 33 bytes
    void GetSerial(char* dst) const;    // at least 32 bytes
    uint16_t GetRxState() const { return m_rxState; }
    void SetRxState(uint16_t state) { m_rxState = state; }

    // Survey state read by the user-interface thread after "TALV_DRAW".
    std::atomic<uint8_t> m_bSurveyMode{0};
    std::atomic<uint8_t> m_bScanStarted{0};
    std::atomic<uint8_t> m_bScanComplete{0};
    std::atomic<int32_t> m_scanChannel{0};
    std::atomic<uint8_t> m_requestedMode{0};
    // Held by the worker (try_lock) around each merge into scanList, and by
    // the user-interface thread around each traversal or clearing of it.
    std::mutex m_reportLock;

    // Last report, as MergeReport copied it (worker only).
    int16_t m_probeCount = 0;
    int16_t m_beaconCount = 0;
    ProbeEntry m_probes[32] = {};
    BeaconEntry m_beacons[32] = {};

private:
    void ResetReceiver();

    std::atomic<IFrameOutbox*> m_pOutbox{nullptr};
    std::atomic<IDrawNotifier*> m_pNotify{nullptr};  // the view that gets "TALV_DRAW"

    mutable std::mutex m_textLock;  // the two texts cross threads
    char m_serial[32] = {};
    char m_firmware[33] = {};

    // Receive state (board worker only).
    uint16_t m_rxState = 0;
    uint8_t m_rxType = 0;
    uint16_t m_rxLength = 0;
    uint8_t m_bDispatching = 0;
    uint8_t m_rxPayload[kRxPayloadCapacity] = {};
};

extern CScannerBoard theBoard;
