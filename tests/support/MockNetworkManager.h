#pragma once
// A private D-Bus daemon with the system bus's limits (system-bus-limits.conf)
// and a NetworkManager that behaves as the daemon does
// (mock_networkmanager.py: scans that take time, deferred and rejected
// scans, polkit's refusal, the connected access point's strength, random
// addresses), for one test: started by Start(), stopped by the destructor.
// Anything that cannot start makes Start() fail with the reason: these tests
// never skip.

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <string>
#include <vector>

class MockNetworkManager {
public:
    MockNetworkManager();
    ~MockNetworkManager();
    MockNetworkManager(const MockNetworkManager&) = delete;
    MockNetworkManager& operator=(const MockNetworkManager&) = delete;

    // Empty when all is running, else what failed.
    std::string Start();
    // Ends NetworkManager (it leaves the bus); the daemon stays.
    void StopNetworkManager();

    // A connection of the program's own to the private bus (as the system bus).
    QDBusConnection ClientBus();

    // NetworkManager's device states the tests use.
    static constexpr uint kUnmanaged = 10, kUnavailable = 20, kDisconnected = 30, kConfig = 50,
                          kActivated = 100;
    static constexpr int kNotHeard = -999;  // an access point's dBm that no scan hears

    struct AccessPoint {
        QByteArray ssid;
        QString bssid;  // "AA:BB:CC:DD:EE:FF"
        uint mhz;
        int dbm;  // what each scan hears (kNotHeard: nothing); LastSeen stays -1 until heard
    };

    // Controls; each fails the test on an error and returns the answer's first value.
    QString AddWifiDevice(const QString& interface,
                          const QString& permAddress = "11:22:33:44:55:66", bool managed = true,
                          uint state = kDisconnected) {
        return Control("AddWifiDevice", {interface, permAddress, managed, state})
            .value<Path>()
            .path();
    }
    QString AddEthernetDevice(const QString& interface) {
        return Control("AddEthernetDevice", {interface}).value<Path>().path();
    }
    void RemoveDevice(const QString& device) { Control("RemoveDevice", {Object(device)}); }
    QStringList AddAccessPoints(const QString& device, const std::vector<AccessPoint>& aps);
    QString AddAccessPoint(const QString& device, const AccessPoint& ap) {
        return AddAccessPoints(device, {ap}).value(0);
    }
    // What successive scans hear of the access point, in turn (kNotHeard: nothing).
    void SetHeard(const QString& accessPoint, const QList<int>& dbms);
    // The device's scans: scan_ms, rate_limit (bool), reject (count of scans
    // the supplicant rejects), deny (polkit refuses), vanish (access points
    // removed as soon as they are listed), refresh_after_scan (the connected
    // access point's station strength refreshed right after each scan),
    // scanned_before (its first scan, which moves LastScan at its start, ended
    // a minute ago), ends_after_reads (the running scan ends as the Nth
    // access point's properties are read with GetAll).
    void SetScanning(const QString& device, const QVariantMap& options) {
        Control("SetScanning", {Object(device), options});
    }
    // The next `times` calls of `method` on `path` ("*": any path) fail with that error.
    void Fail(const QString& method, const QString& path, const QString& name, const QString& text,
              uint times) {
        Control("Fail", {method, path, name, text, times});
    }
    void OfferManagedObjects(bool offered) { Control("OfferManagedObjects", {offered}); }
    // A scan of NetworkManager's own now (as a periodic one), hearing what is set or nothing.
    void StartOwnScan(const QString& device, uint durationMs, bool heard) {
        Control("StartScan", {Object(device), durationMs, heard});
    }
    // Connected to `accessPoint`, whose station signal is `stationDbm`.
    void Connect(const QString& device, const QString& accessPoint, int stationDbm) {
        Control("Connect", {Object(device), Object(accessPoint), stationDbm});
    }
    // CLOCK_BOOTTIME microseconds of the device's last request, scan start and scan end.
    QMap<QString, qint64> Stamps(const QString& device);

private:
    using Path = QDBusObjectPath;
    static QVariant Object(const QString& path) { return QVariant::fromValue(Path(path)); }
    QVariant Control(const char* method, const QVariantList& arguments);

    QProcess m_daemon;
    QProcess m_mock;
    QString m_address;
    QString m_controlName, m_clientName;
};
