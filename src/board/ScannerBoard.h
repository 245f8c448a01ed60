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

// Access-point report: the message of MSG_REPORT and MSG_SCAN_REPORT (the
// frame's checksum byte follows it). Little-endian, packed.
//
//   offset      size     content
//   0           1        P, number of probe entries, 1..32
//   1           8 * P    probe entries
//   1 + 8P      1        B, number of beacon entries, 0..32
//   2 + 8P      37 * B   beacon entries
//
// Probe entry:   0  6  MAC address (BSSID)
//                6  2  int16 LE: one RSSI reading, dBm
// Beacon entry:  0  1  index (from 0) of the probe entry it describes
//                1  1  SSID length
//                2 32  SSID bytes
//               34  1  channel
//               35  2  capability word LE: bit 4 privacy, bit 13 capabilityFlag
// The structs below hold the decoded entries, not their wire images.
constexpr size_t kMaxReportEntries = 32;
constexpr size_t kProbeEntrySize = 8;
constexpr size_t kBeaconEntrySize = 37;

struct ProbeEntry {
    uint8_t mac[6];
    int16_t rssi;  // one reading, dBm
};

struct BeaconEntry {
    uint8_t probeIndex;
    uint8_t ssidLength;
    uint8_t ssid[33];  // 32 bytes from the wire plus room for the NUL
    uint8_t channel;
    uint16_t capability;  // bit 4 privacy, bit 13 copied to capabilityFlag
};

// Sees every frame that reaches the dispatcher (golden-file tests, logging).
// Called on the worker after the frame has been acted on.
class IFrameObserver {
public:
    virtual ~IFrameObserver() = default;
    // payload/length as received: the message followed by the checksum byte.
    virtual void OnFrameDispatched(uint8_t type, const uint8_t* payload, uint16_t length,
                                   bool checksumOk) = 0;
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
    void SetFrameObserver(IFrameObserver* observer) { m_pObserver.store(observer); }

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
    void AppendPayload(uint8_t byte);
    void PostDraw();
    void MergeUnderLock(const uint8_t* report, size_t length);

    std::atomic<IFrameOutbox*> m_pOutbox{nullptr};
    std::atomic<IDrawNotifier*> m_pNotify{nullptr};  // the view that gets "TALV_DRAW"
    std::atomic<IFrameObserver*> m_pObserver{nullptr};

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
