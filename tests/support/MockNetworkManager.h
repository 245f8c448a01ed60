#pragma once
// A private D-Bus daemon with python3-dbusmock's NetworkManager template on it,
// for one test: started by the constructor, stopped by the destructor. The
// template has no LastScan and its RequestScan does nothing; AddWifiDevice
// adds the one and ScriptRequestScan gives the other a body. Anything that
// cannot start makes Start() fail with the reason: these tests never skip.

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <string>

class MockNetworkManager {
public:
    MockNetworkManager();
    ~MockNetworkManager();
    MockNetworkManager(const MockNetworkManager&) = delete;
    MockNetworkManager& operator=(const MockNetworkManager&) = delete;

    // Empty when all is running, else what failed.
    std::string Start();
    // Ends the mock (NetworkManager leaves the bus); the daemon stays.
    void StopNetworkManager();

    // A connection of the program's own to the private bus (as the system bus).
    QDBusConnection ClientBus();

    // Mock calls; each returns the first value of the answer, and fails the test on an error.
    QString AddWifiDevice(const QString& name, const QString& interface);
    QString AddEthernetDevice(const QString& name, const QString& interface);
    QString AddAccessPoint(const QString& device, const QString& name, const QString& ssid,
                           const QString& mac, uint frequency, uchar strength);
    void SetProperty(const QString& path, const QString& interface, const QString& property,
                     const QVariant& value);
    // Python run by the device's RequestScan, with `self` the device.
    void ScriptRequestScan(const QString& device, const QString& code);
    // The body of a scan that hears `heard` now and ends: their LastSeen and
    // the device's LastScan become this moment.
    static QString ScanHearing(const QStringList& heard);
    // Takes the device off the bus as NetworkManager does when it goes away.
    void RemoveDevice(const QString& device);

private:
    QVariant Call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments);

    QProcess m_daemon;
    QProcess m_mock;
    QString m_address;
    QString m_controlName, m_clientName;
};
