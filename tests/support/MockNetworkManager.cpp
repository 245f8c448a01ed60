#include "MockNetworkManager.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kControlPath = QStringLiteral("/org/pellorin/Mock");
const QString kControl = QStringLiteral("org.pellorin.MockNetworkManager");
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

QString SupportFile(const char* name) {
    return QStringLiteral(PELLORIN_TEST_SUPPORT_DIR "/") + QLatin1String(name);
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
    // A test killed for its time-out takes the daemon and the mock with it.
    for (QProcess* p : {&m_daemon, &m_mock})
        p->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // The daemon logs every call over a limit; the mock's errors go to the test's output.
    m_daemon.setStandardErrorFile(QProcess::nullDevice());
    m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_mock.setStandardOutputFile(QProcess::nullDevice());
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {"--config-file=" + SupportFile("system-bus-limits.conf"), "--nofork",
                    "--nopidfile", "--print-address=1"});
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

    m_mock.start(QStringLiteral("/usr/bin/python3"),
                 {SupportFile("mock_networkmanager.py"), m_address});
    if (!m_mock.waitForStarted(kStartBoundMs))
        return "/usr/bin/python3 does not start: " + m_mock.errorString().toStdString();

    QDBusConnection control = QDBusConnection::connectToBus(m_address, m_controlName);
    if (!control.isConnected())
        return "no connection to the private bus: " + control.lastError().message().toStdString();
    while (!control.interface()->isServiceRegistered(kService).value()) {
        if (m_mock.state() != QProcess::Running)
            return "the NetworkManager mock ended (packages python3-dbus, python3-gi; run "
                   "scripts/setup; its error output is above)";
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

QVariant MockNetworkManager::Control(const char* method, const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kControlPath, kControl, QLatin1String(method));
    message.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection(m_controlName).call(message, QDBus::Block, 30000);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
        << method << ": " << reply.errorMessage().toStdString();
    return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first();
}

QStringList MockNetworkManager::AddAccessPoints(const QString& device,
                                                const std::vector<AccessPoint>& aps) {
    QVariantList entries;  // each (ssid, bssid, mhz, dbm)
    for (const AccessPoint& ap : aps)
        entries.push_back(QVariantList{ap.ssid, ap.bssid, ap.mhz, ap.dbm});
    QStringList paths;
    for (const Path& p :
         qdbus_cast<QList<Path>>(Control("AddAccessPoints", {Object(device), entries})))
        paths << p.path();
    return paths;
}

void MockNetworkManager::SetHeard(const QString& accessPoint, const QList<int>& dbms) {
    qDBusRegisterMetaType<QList<int>>();
    Control("SetHeard", {Object(accessPoint), QVariant::fromValue(dbms)});
}

QMap<QString, qint64> MockNetworkManager::Stamps(const QString& device) {
    return qdbus_cast<QMap<QString, qint64>>(Control("Stamps", {Object(device)}));
}
