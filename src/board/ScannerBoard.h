#pragma once
// CScannerBoard (the one object theBoard): the survey state shared by the
// user-interface thread and the board worker, and the board's frame protocol.
// Transport-independent: frames leave through an IFrameOutbox, draw posts
// through an IDrawNotifier.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "aplist/ApList.h"
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

// The states of the receive state machine (its table is at the top of
// FrameReceive.cpp).
enum RxState : uint16_t {
    kRxRestart = 0,
    kRxExpectEscape = 1,  // waiting for a header
    kRxExpectStart = 2,
    kRxType = 3,
    kRxPayload = 4,
    kRxAfterEscape = 5,
    kRxFrameDone = 6,
    kRxTypeStuffing = 7,  // the last state of the table
};
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

// How the scan frames (scan-started, channel, reports, scan-finished) are
// taken. The protocol has no scan numbers and no cancel, so the board may
// still be busy with a scan nobody waits for any more; its frames must not
// reach the next point. Written under m_scanLock (ScanSession.cpp).
enum class ScanGate : uint8_t {
    kOpen,        // no scan asked for through StartSurveyScan: every frame acts
    kAwaitStart,  // a scan asked for: scan frames are ignored until its scan-started
    kRunning,     // its frames are taken
    kFinished,    // its scan-finished came: the point is recorded; later frames are ignored
    kCancelled,   // the surveyor cancelled it: its frames are ignored
    kGivenUp,     // the board went away or fell silent: nothing is recorded
};

// Why the receiver dropped a frame it had begun (after its 11 12 header);
// the bytes on the wire are never answered for it.
enum class FrameDrop : uint8_t {
    kBadChecksum,  // the XOR of type, payload and checksum was not 0
    kBadEscape,    // 11 followed by anything but 13 or 14 in the payload
    kTooLong,      // more than 8000 payload bytes
    kTimedOut,     // a read time-out inside the frame
};
inline constexpr size_t kFrameDropCauses = 4;
// "bad-checksum", "bad-escape", "too-long", "timed-out".
const char* FrameDropName(FrameDrop cause);

// Whether the board can be talked to, as the surveyor is told.
enum class BoardPresence : uint8_t {
    kPresent,
    kDeviceGone,    // the device vanished; the worker opens it again
    kNotAnswering,  // a scan got no frame for the scan time-out; the worker greets it again
};

// What the surveyor sees while the board is not present (UTF-8, with "…").
constexpr const char* kBoardLostText = "Board disconnected, reconnecting\xE2\x80\xA6";

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

    // Survey scan of a new point (user-interface thread). Empties scanList,
    // then asks for the scan: mode 7 first unless surveyModeKnown and the
    // board has acknowledged it. While the board is still busy with an earlier
    // scan (or still owes the answer to an earlier request) or is not
    // present, the request waits until it is free, so that every frame this
    // scan takes is its own.
    void StartSurveyScan(bool surveyModeKnown);
    // Gives up the scan asked for: nothing of it is recorded, and the frames
    // the board still sends for it are ignored.
    void CancelScan();
    ScanGate Gate() const { return m_gate.load(); }
    // A scan is asked for and not finished: the worker's watchdog runs.
    bool ScanWanted() const;
    uint32_t ScanNumber() const { return m_scanNumber.load(); }
    // Frames with a good checksum received so far (the watchdog's sign of life).
    uint64_t FramesReceived() const { return m_framesReceived.load(); }
    // Frames dropped since the start, for one cause or all. The first of each
    // cause in a run is logged on standard error; the capture notes each.
    uint64_t FramesDropped(FrameDrop cause) const;
    uint64_t FramesDropped() const;

    // Presence (board worker). Each posts the board's state to the notifier.
    void OnDeviceGone();  // the scan under way is given up
    void OnDeviceBack();
    // No frame came for the scan time-out while scan `scan` was wanted.
    void OnScanTimedOut(uint32_t scan);
    BoardPresence Presence() const { return m_presence.load(); }
    // kBoardLostText while the board is not present, else "".
    const char* PresenceText() const;

    // Reports that met m_reportLock held by the user-interface thread are
    // kept and merged, in order, before the next report and at the worker's
    // next pass (board worker only).
    bool HasKeptReports() const { return !m_kept.empty() || m_endKept; }
    void MergeKeptReports();
    uint64_t KeptReportsLost() const { return m_keptLost; }  // beyond kMaxKeptReports

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
    // scanListLock: held by the worker (try_lock, never waiting) around each
    // merge into scanList, and by the user-interface thread around each
    // (short) copy, traversal or clearing of it.
    std::mutex& m_reportLock = scanListLock;
    static constexpr size_t kMaxKeptReports = 64;

    // Last report, as MergeReport copied it (worker only).
    int16_t m_probeCount = 0;
    int16_t m_beaconCount = 0;
    ProbeEntry m_probes[32] = {};
    BeaconEntry m_beacons[32] = {};

private:
    struct KeptReport {
        uint32_t scan;
        std::vector<uint8_t> bytes;
    };

    void ResetReceiver();
    void AppendPayload(uint8_t byte);
    // The frame being received is abandoned for `cause`: counted, receiver reset.
    int DropFrame(FrameDrop cause);
    void CountDrop(FrameDrop cause);
    void PostDraw();
    void PostBoardState();
    void MergeUnderLock(const uint8_t* report, size_t length);
    // With m_reportLock held: the kept reports that still belong to scanList.
    void MergeKeptLocked();
    // Scan session steps (ScanSession.cpp), all under m_scanLock.
    bool TakeScanFrame(uint8_t type);  // whether a scan frame acts
    bool ScanRequestAfterModeAck();
    void SendDeferredRequestIfFree();
    void GiveUpScanLocked();
    void BoardAnswered();

    std::atomic<IFrameOutbox*> m_pOutbox{nullptr};
    std::atomic<IDrawNotifier*> m_pNotify{nullptr};  // the view that gets "TALV_DRAW"
    std::atomic<IFrameObserver*> m_pObserver{nullptr};

    mutable std::mutex m_textLock;  // the two texts cross threads
    char m_serial[32] = {};
    char m_firmware[33] = {};

    // Scan session. The atomics are read without the lock.
    mutable std::mutex m_scanLock;
    std::atomic<ScanGate> m_gate{ScanGate::kOpen};
    std::atomic<uint32_t> m_scanNumber{0};
    std::atomic<BoardPresence> m_presence{BoardPresence::kPresent};
    std::atomic<uint64_t> m_framesReceived{0};
    bool m_requestOutstanding = false;  // a request went out; its scan has not started
    bool m_boardScanning = false;       // between a scan-started and its scan-finished
    bool m_requestDeferred = false;     // the scan asked for waits for a free board
    bool m_deferredModeKnown = false;
    // The scan whose readings scanList holds (under m_reportLock).
    uint32_t m_listScan = 0;

    // Board worker only: the scan the frame being dispatched belongs to, and
    // the reports (and a scan-finished) that wait for m_reportLock.
    uint32_t m_frameScan = 0;
    std::deque<KeptReport> m_kept;
    bool m_endKept = false;
    uint32_t m_endKeptScan = 0;
    uint64_t m_keptLost = 0;

    // Written by the worker, read by anyone.
    std::atomic<uint64_t> m_framesDropped[kFrameDropCauses] = {};
    std::atomic<bool> m_dropLogged[kFrameDropCauses] = {};  // once a run, not by Reset

    // Receive state (board worker only).
    uint16_t m_rxState = kRxRestart;
    uint8_t m_rxType = 0;
    uint16_t m_rxLength = 0;
    uint8_t m_bDispatching = 0;
    uint8_t m_rxPayload[kRxPayloadCapacity] = {};
};

extern CScannerBoard theBoard;
