#pragma once
// Scans with the machine's own Wi-Fi adapter through NetworkManager on the
// system bus, without root. Every bus call is asynchronous and at most
// kCallsInFlight are pending at once (the system bus refuses a connection's
// 129th pending call): the user-interface thread that owns this object never
// waits on the bus, and the link takes the kernel's dumps off that thread.
//
// The adapter: the first Wi-Fi device NetworkManager manages and can use
// (Managed, State above unavailable; else the first managed one), or the one
// of the interface asked for; its address is PermHwAddress (HwAddress where
// that is empty).
//
// A scan: RequestScan({}) on the adapter, then LastScan must move to a time
// at or after the request (PropertiesChanged), within scanBound; then
// GetAllAccessPoints and the access points' properties (one GetManagedObjects
// where NetworkManager offers it, else one GetAll each), beside the kernel's
// dumps for the same interface (the scan results, the station and the
// channel survey); the readings and noise floors are those of CombineScan.
// LastScan also moves for a scan that did not run after the request (one that
// was under way, the first scan's start, a scan the supplicant rejected): when
// nothing was heard since the request, the scan is asked for once more and
// the next LastScan decides; only then is "nothing heard" reported. When
// LastScan moves again while the access points are read, they are read again
// (what was read may be half of each scan). Every failure ends the scan as
// lost, with one message that names the D-Bus error.
//
// Signals, in order for a scan: scanStarted (NetworkManager took the request),
// then either accessPointsReceived (once, when anything was heard) and
// scanFinished, or scanLost. adapterChanged tells whenever the adapter is
// found, goes away or cannot be found. Every signal comes from the event
// loop, never from inside StartScan or FindAdapter. Slots may start the next scan from
// scanFinished or scanLost; one that wants the scanner gone uses deleteLater.

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <deque>
#include <memory>
#include <vector>

#include "sources/wifi/NmLink.h"
#include "sources/wifi/WifiScan.h"

// What a refusal by polkit adds to its message; the README says the same.
constexpr const char* kPolkitHint =
    "Run Pellorin in the machine's own desktop session, or allow the polkit action "
    "org.freedesktop.NetworkManager.wifi.scan for this user (README, \"Surveying with the "
    "Wi-Fi adapter\").";

// What a finished scan tells besides its readings.
struct WifiScanSummary {
    size_t accessPoints = 0;  // readings delivered
    size_t kernelDbm = 0;     // of them, with the kernel's dBm
    size_t derivedDbm = 0;    // of them, with the dBm of NetworkManager's percentage
    size_t staleSkipped = 0;  // listed, but not heard since the request
    size_t wentAway = 0;      // listed, but gone before their properties were read
    std::string dbmLine;      // which dBm the readings carry (DbmKindLine)
    // The noise floors of the kernel's channel survey taken after the scan
    // (none when the driver measures none), and the line that says so.
    std::vector<ScanNoise> noise;
    std::string noiseLine;  // NoiseKindLine
};

class NetworkManagerScanner : public QObject {
    Q_OBJECT
public:
    static constexpr int kCallsInFlight = 32;

    struct Options {
        QString interfaceName;  // empty: the first usable Wi-Fi device NetworkManager manages
        std::chrono::milliseconds scanBound{15000};  // from the request to the last LastScan
        std::chrono::milliseconds callBound{10000};  // for each bus call's answer
        // From LastScan's move to the readings: a NetworkManager that stops
        // answering while 300 access points are read one GetAll each would
        // otherwise keep the surveyor waiting ten call bounds and more.
        std::chrono::milliseconds collectBound{20000};
    };

    // `link` carries everything from outside (CBusLink on the system bus in
    // the program); the scanner does not own it, and it outlives the scanner.
    NetworkManagerScanner(CNmLink& link, Options options, QObject* parent = nullptr);
    ~NetworkManagerScanner() override;

    // Looks for the adapter; adapterChanged tells the outcome. A scan looks
    // for it by itself when none is known.
    void FindAdapter();
    // Starts a scan; false (and nothing happens) while one runs.
    bool StartScan();
    // Ends the running scan without a signal; its late answers are ignored.
    void CancelScan();

    bool Scanning() const { return m_phase != Phase::kIdle && m_scanWanted; }
    bool HasAdapter() const { return !m_devicePath.isEmpty(); }
    const QString& InterfaceName() const { return m_interface; }
    const QString& AdapterAddress() const { return m_address; }  // as NetworkManager writes it

signals:
    void adapterChanged(bool present, const QString& interfaceName, const QString& address,
                        const QString& message);
    void scanStarted();
    void accessPointsReceived(const std::vector<WifiReading>& batch);
    void scanFinished(const WifiScanSummary& summary);
    void scanLost(const QString& message);

private:
    enum class Phase { kIdle, kFinding, kRequesting, kWaiting, kCollecting };
    struct PendingCall;
    struct Collection;

    // Every bus call: queued while kCallsInFlight are pending; the answer of
    // an operation that has ended is dropped.
    void Call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& arguments, CNmLink::ReplyFn onReply,
              std::chrono::milliseconds bound = std::chrono::milliseconds(0));
    void SendQueued();
    void OnSignal(const NmSignal& signal);
    void OnOwnerChanged(const QString& newOwner);

    void BeginFinding();
    void TakeDevices(const NmReply& reply);
    struct Candidate {
        QString path, name;
        bool managed = false;
        uint state = 0;
    };
    void ChooseDevice(const std::vector<Candidate>& wifi);
    void AdapterFound(const QString& path, const QString& name, const QVariantMap& wireless);
    void AdapterMissing(const QString& message);
    void ForgetAdapter();
    void SetActiveAccessPoint(const QString& path);

    void RequestScan();
    void LastScanMoved(qlonglong lastScanMs);
    void BoundReached();
    void Collect();
    void TakeAccessPointList(const NmReply& reply);
    void AskManagedObjects(int attempt);
    void TakeManagedObjects(const NmReply& reply);
    void FetchEach();
    void FetchOne(const QString& path, int attempt);
    void MaybeFinish();
    void Lose(const QString& message);
    void EndOperation();

    CNmLink& m_link;
    Options m_options;
    Phase m_phase = Phase::kIdle;
    bool m_scanWanted = false;  // the running operation is a scan
    quint64 m_generation = 0;   // answers of older operations are ignored
    std::deque<std::unique_ptr<PendingCall>> m_queue;
    int m_inFlight = 0;  // calls pending on the bus, of any generation
    QString m_owner;     // NetworkManager's unique name on the bus
    QString m_devicePath, m_interface, m_address;
    QString m_activeAp;               // ActiveAccessPoint, "" when none
    bool m_activeFromStation = true;  // its Strength last set by the station refresh
    bool m_objectManager = true;      // GetManagedObjects offered, as far as is known
    qlonglong m_lastScanMs = -2;      // the last LastScan heard of
    // The scan:
    int64_t m_requestNs = 0;  // the first request: readings are heard since
    int64_t m_askedNs = 0;    // the latest request: LastScan must reach it
    int m_asks = 0;
    bool m_moveBeforeAnswer = false;       // LastScan moved before RequestScan's answer came
    bool m_moveWhileCollecting = false;    // ... or again while the last one was read
    static constexpr int kRecollects = 3;  // reads again after such a move, at most
    int m_recollects = 0;
    QTimer m_scanBound;
    std::unique_ptr<Collection> m_collection;
};
