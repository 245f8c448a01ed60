#include "MockNetworkManager.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kMock = QStringLiteral("org.freedesktop.DBus.Mock");
constexpr int kStartBoundMs = 60000;  // python on a loaded machine

std::atomic<int> g_connections{0};

void Pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(10000);
    }
}

}  // namespace

MockNetworkManager::MockNetworkManager() {
    const int n = ++g_connections;
    m_controlName = QStringLiteral("mock-control-%1").arg(n);
    m_clientName = QStringLiteral("mock-client-%1").arg(n);
}

MockNetworkManager::~MockNetworkManager() {
    QDBusConnection::disconnectFromBus(m_clientName);
    QDBusConnection::disconnectFromBus(m_controlName);
    Stop(m_mock);
    Stop(m_daemon);
}

std::string MockNetworkManager::Start() {
    // Nobody reads these pipes while a test waits in a blocking call: a full
    // one would stop the process. Error output goes to the test's own.
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test killed for its time-out takes the daemon and the mock with it.
    for (QProcess* p : {&m_daemon, &m_mock})
        p->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_mock.setStandardOutputFile(QProcess::nullDevice());
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!m_daemon.waitForStarted(kStartBoundMs))
        return "dbus-daemon does not start (package dbus; run scripts/setup): " +
               m_daemon.errorString().toStdString();
    QElapsedTimer clock;
    clock.start();
    while (!m_daemon.canReadLine() && clock.elapsed() < kStartBoundMs &&
           m_daemon.state() == QProcess::Running)
        m_daemon.waitForReadyRead(1000);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) return "dbus-daemon printed no address";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    m_mock.setProcessEnvironment(env);
    m_mock.start(QStringLiteral("/usr/bin/python3"),
                 {"-m", "dbusmock", "--template", "networkmanager", "--system"});
    if (!m_mock.waitForStarted(kStartBoundMs))
        return "/usr/bin/python3 does not start: " + m_mock.errorString().toStdString();

    QDBusConnection control = QDBusConnection::connectToBus(m_address, m_controlName);
    if (!control.isConnected())
        return "no connection to the private bus: " + control.lastError().message().toStdString();
    while (!control.interface()->isServiceRegistered(kService).value()) {
        if (m_mock.state() != QProcess::Running)
            return "the NetworkManager mock ended (package python3-dbusmock; run scripts/setup; "
                   "its error output is above)";
        if (clock.elapsed() > 2 * kStartBoundMs)
            return "the NetworkManager mock never took its name";
        Pause(20);
    }
    return {};
}

void MockNetworkManager::StopNetworkManager() {
    Stop(m_mock);
    QDBusConnection control(m_controlName);
    QElapsedTimer clock;
    clock.start();
    while (control.interface()->isServiceRegistered(kService).value() &&
           clock.elapsed() < kStartBoundMs)
        Pause(20);
}

QDBusConnection MockNetworkManager::ClientBus() {
    return QDBusConnection::connectToBus(m_address, m_clientName);
}

QVariant MockNetworkManager::Call(const QString& path, const QString& interface,
                                  const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection(m_controlName).call(message, QDBus::Block, 30000);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
        << method.toStdString() << ": " << reply.errorMessage().toStdString();
    return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first();
}

QString MockNetworkManager::AddWifiDevice(const QString& name, const QString& interface) {
    const QString path =
        Call(kManagerPath, kMock, QStringLiteral("AddWiFiDevice"), {name, interface, 30})
            .toString();
    Call(path, kMock, QStringLiteral("AddProperty"),
         {QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless"),
          QStringLiteral("LastScan"), QVariant::fromValue(QDBusVariant(qlonglong(-1)))});
    return path;
}

QString MockNetworkManager::AddEthernetDevice(const QString& name, const QString& interface) {
    return Call(kManagerPath, kMock, QStringLiteral("AddEthernetDevice"), {name, interface, 30})
        .toString();
}

QString MockNetworkManager::AddAccessPoint(const QString& device, const QString& name,
                                           const QString& ssid, const QString& mac, uint frequency,
                                           uchar strength) {
    return Call(kManagerPath, kMock, QStringLiteral("AddAccessPoint"),
                {device, name, ssid, mac, 2u, frequency, 54000u, QVariant::fromValue(strength), 0u})
        .toString();
}

void MockNetworkManager::SetProperty(const QString& path, const QString& interface,
                                     const QString& property, const QVariant& value) {
    Call(path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
         {interface, property, QVariant::fromValue(QDBusVariant(value))});
}

void MockNetworkManager::ScriptRequestScan(const QString& device, const QString& code) {
    Call(device, kMock, QStringLiteral("AddMethod"),
         {QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless"),
          QStringLiteral("RequestScan"), QStringLiteral("a{sv}"), QString(), code});
}

QString MockNetworkManager::ScanHearing(const QStringList& heard) {
    QString code = QStringLiteral("now = time.clock_gettime(time.CLOCK_BOOTTIME)\n");
    for (const QString& ap : heard)
        code += QStringLiteral(
                    "objects['%1'].Set('org.freedesktop.NetworkManager.AccessPoint', "
                    "'LastSeen', dbus.Int32(int(now)))\n")
                    .arg(ap);
    code += QStringLiteral(
        "self.Set('org.freedesktop.NetworkManager.Device.Wireless', 'LastScan', "
        "dbus.Int64(int(now * 1000)))\n");
    return code;
}

void MockNetworkManager::RemoveDevice(const QString& device) {
    Call(kManagerPath, kMock, QStringLiteral("RemoveObject"), {device});
    Call(kManagerPath, kMock, QStringLiteral("EmitSignal"),
         {QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("DeviceRemoved"),
          QStringLiteral("o"),
          QVariant::fromValue(QVariantList{QVariant::fromValue(QDBusObjectPath(device))})});
}
