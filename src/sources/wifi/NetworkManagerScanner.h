#pragma once
// Scans with the machine's own Wi-Fi adapter through NetworkManager on the
// system bus, without root. Every bus call is asynchronous: the user-interface
// thread that owns this object never waits on the bus, and the kernel's scan
// dump runs on a pool thread.
//
// A scan: RequestScan({}) on the adapter, then the LastScan property must
// change to a time at or after the request (PropertiesChanged; NetworkManager
// postpones scans asked too often, so it is waited for, at most scanBound);
// then GetAllAccessPoints and each access point's properties, beside the
// kernel's scan dump for the same interface. The readings are those of
// CombineScan. Every failure ends the scan as lost, with one message that
// names the D-Bus error.
//
// Signals, in order for a scan: scanStarted (NetworkManager took the request),
// then either accessPointsReceived (once, when anything was heard) and
// scanFinished, or scanLost. adapterChanged tells whenever the adapter is
// found, goes away or cannot be found. Every signal comes from the event
// loop, never from inside StartScan or FindAdapter. Slots may start the next scan from
// scanFinished or scanLost; one that wants the scanner gone uses deleteLater.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "sources/wifi/WifiScan.h"

class QDBusServiceWatcher;

// What a finished scan tells besides its readings.
struct WifiScanSummary {
    size_t accessPoints = 0;  // readings delivered
    size_t kernelDbm = 0;     // of them, with the kernel's dBm
    size_t derivedDbm = 0;    // of them, with the dBm of NetworkManager's percentage
    size_t staleSkipped = 0;  // listed, but not heard since the request
    QString kernelNote;       // why the kernel gave no dBm, when it did not
};

class NetworkManagerScanner : public QObject {
    Q_OBJECT
public:
    using KernelDump = std::function<KernelScan(const std::string& interfaceName)>;

    struct Options {
        QString interfaceName;  // empty: the first Wi-Fi device NetworkManager lists
        std::chrono::milliseconds scanBound{15000};  // for LastScan to change
        std::chrono::milliseconds callBound{10000};  // for each bus call's answer
        KernelDump kernelDump;                       // empty: DumpKernelScan
    };

    // `bus` is the system bus in the program (QDBusConnection::systemBus()).
    NetworkManagerScanner(const QDBusConnection& bus, Options options, QObject* parent = nullptr);
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
    const QString& AdapterAddress() const { return m_address; }  // "AA:BB:CC:DD:EE:FF"

signals:
    void adapterChanged(bool present, const QString& interfaceName, const QString& address,
                        const QString& message);
    void scanStarted();
    void accessPointsReceived(const std::vector<WifiReading>& batch);
    void scanFinished(const WifiScanSummary& summary);
    void scanLost(const QString& message);

private slots:
    void OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated, const QDBusMessage& message);
    void OnDeviceAdded(const QDBusObjectPath& path);
    void OnDeviceRemoved(const QDBusObjectPath& path, const QDBusMessage& message);
    void OnOwnerChanged(const QString& service, const QString& oldOwner, const QString& newOwner);

private:
    enum class Phase { kIdle, kFinding, kRequesting, kWaiting, kCollecting };
    using ReplyHandler = std::function<void(const QDBusMessage& reply)>;

    void Call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& arguments, ReplyHandler onReply);
    void BeginFinding();
    void TakeDevices(const QDBusMessage& reply);
    void ChooseDevice(const std::vector<QString>& wireless, const std::vector<QString>& names);
    void AdapterFound(const QString& path, const QString& name, const QString& address);
    void AdapterMissing(const QString& message);
    void ForgetAdapter();
    void RequestScan();
    void LastScanChanged(qlonglong lastScanMs);
    void Collect();
    void TakeAccessPoints(const QDBusMessage& reply);
    void MaybeFinish();
    void Lose(const QString& message);
    void EndOperation();

    QDBusConnection m_bus;
    Options m_options;
    Phase m_phase = Phase::kIdle;
    bool m_scanWanted = false;  // the running operation is a scan
    quint64 m_generation = 0;   // answers of older operations are ignored
    QString m_owner;            // NetworkManager's unique name on the bus
    QString m_devicePath, m_interface, m_address;
    int64_t m_requestNs = 0;
    bool m_lastScanSeen = false;  // LastScan moved before RequestScan's answer came
    QTimer m_scanBound;
    QDBusServiceWatcher* m_ownerWatch = nullptr;
    // Collecting:
    std::vector<NmAccessPoint> m_accessPoints;
    int m_pendingAccessPoints = 0;
    bool m_kernelPending = false;
    KernelScan m_kernel;
    QThreadPool m_dumpPool;  // declared last, destroyed first: waits for a running dump
};
