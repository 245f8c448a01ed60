#include "sources/wifi/NetworkManagerScanner.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>

#include "sources/wifi/Nl80211Dump.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kWireless = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString kAccessPoint = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint kWifiDeviceType = 2;

bool Failed(const QDBusMessage& reply) { return reply.type() != QDBusMessage::ReplyMessage; }

// "<what> (<error name>: <error text>)", the one message of a failure.
QString Describe(const QString& what, const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ErrorMessage)
        return QStringLiteral("%1 (%2: %3)").arg(what, reply.errorName(), reply.errorMessage());
    return QStringLiteral("%1 (the answer was not a method reply)").arg(what);
}

QVariant FirstArgument(const QDBusMessage& reply) {
    return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first();
}

QVariantMap PropertyMap(const QDBusMessage& reply) {
    const QVariant v = FirstArgument(reply);
    if (v.canConvert<QDBusArgument>()) return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

QList<QDBusObjectPath> PathList(const QDBusMessage& reply) {
    const QVariant v = FirstArgument(reply);
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<QList<QDBusObjectPath>>(v.value<QDBusArgument>());
    return v.value<QList<QDBusObjectPath>>();
}

NmAccessPoint AccessPointOf(const QVariantMap& p) {
    NmAccessPoint ap;
    const QByteArray ssid = p.value(QStringLiteral("Ssid")).toByteArray();
    ap.ssid.assign(ssid.begin(), ssid.end());
    ap.hwAddress = p.value(QStringLiteral("HwAddress")).toString().toStdString();
    ap.frequencyMhz = p.value(QStringLiteral("Frequency")).toUInt();
    ap.strength = static_cast<uint8_t>(p.value(QStringLiteral("Strength")).toUInt());
    bool ok = false;
    const int lastSeen = p.value(QStringLiteral("LastSeen")).toInt(&ok);
    ap.lastSeen = ok ? lastSeen : -1;
    ap.flags = p.value(QStringLiteral("Flags")).toUInt();
    return ap;
}

}  // namespace

NetworkManagerScanner::NetworkManagerScanner(const QDBusConnection& bus, Options options,
                                             QObject* parent)
    : QObject(parent), m_bus(bus), m_options(std::move(options)) {
    if (!m_options.kernelDump)
        m_options.kernelDump = [](const std::string& name) { return DumpKernelScan(name); };
    m_scanBound.setSingleShot(true);
    connect(&m_scanBound, &QTimer::timeout, this, [this] {
        Lose(QStringLiteral("NetworkManager did not finish the scan on %1 within %2 s")
                 .arg(m_interface)
                 .arg(m_options.scanBound.count() / 1000.0));
    });
    m_dumpPool.setMaxThreadCount(1);
    if (!m_bus.isConnected()) return;
    m_ownerWatch =
        new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_ownerWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &NetworkManagerScanner::OnOwnerChanged);
    // The slots' argument types are looked up by name when they are connected,
    // which finds only types registered by then.
    qRegisterMetaType<QDBusObjectPath>();
    qRegisterMetaType<QDBusMessage>();
    // The sender is checked against NetworkManager's unique name in the slots
    // rather than named here, so that Qt needs no look-up of the name's owner.
    const bool listening =
        m_bus.connect(QString(), kManagerPath, kManager, QStringLiteral("DeviceAdded"), this,
                      SLOT(OnDeviceAdded(QDBusObjectPath))) &&
        m_bus.connect(QString(), kManagerPath, kManager, QStringLiteral("DeviceRemoved"), this,
                      SLOT(OnDeviceRemoved(QDBusObjectPath, QDBusMessage)));
    if (!listening)
        qWarning("Wi-Fi adapter: cannot listen for NetworkManager's devices coming and going");
}

NetworkManagerScanner::~NetworkManagerScanner() = default;

void NetworkManagerScanner::Call(const QString& path, const QString& interface,
                                 const QString& method, const QVariantList& arguments,
                                 ReplyHandler onReply) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(message, static_cast<int>(m_options.callBound.count())), this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation, onReply = std::move(onReply)] {
                watcher->deleteLater();
                if (generation == m_generation) onReply(watcher->reply());
            });
}

void NetworkManagerScanner::EndOperation() {
    ++m_generation;
    m_phase = Phase::kIdle;
    m_scanWanted = false;
    m_scanBound.stop();
}

void NetworkManagerScanner::FindAdapter() {
    if (m_phase != Phase::kIdle) return;
    ++m_generation;
    m_scanWanted = false;
    BeginFinding();
}

bool NetworkManagerScanner::StartScan() {
    if (Scanning()) return false;
    EndOperation();  // supersedes a search for the adapter that runs on its own
    m_scanWanted = true;
    if (HasAdapter())
        RequestScan();
    else
        BeginFinding();
    return true;
}

void NetworkManagerScanner::CancelScan() {
    if (Scanning()) EndOperation();
}

void NetworkManagerScanner::Lose(const QString& message) {
    const bool scanning = Scanning();
    EndOperation();
    if (scanning) emit scanLost(message);
}

// --- the adapter ----------------------------------------------------------

void NetworkManagerScanner::BeginFinding() {
    m_phase = Phase::kFinding;
    if (!m_bus.isConnected()) {
        // Told from the event loop, as every answer is: never from inside StartScan.
        const QString text = QStringLiteral("No system bus (%1: %2)")
                                 .arg(m_bus.lastError().name(), m_bus.lastError().message());
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, text, generation] {
                if (generation == m_generation) AdapterMissing(text);
            },
            Qt::QueuedConnection);
        return;
    }
    Call(kManagerPath, kManager, QStringLiteral("GetDevices"), {},
         [this](const QDBusMessage& reply) { TakeDevices(reply); });
}

void NetworkManagerScanner::TakeDevices(const QDBusMessage& reply) {
    if (Failed(reply)) {
        const bool absent =
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
        AdapterMissing(Describe(absent ? QStringLiteral("NetworkManager is not running")
                                       : QStringLiteral("NetworkManager did not list its devices"),
                                reply));
        return;
    }
    m_owner = reply.service();
    const QList<QDBusObjectPath> paths = PathList(reply);
    // Each device's type and name; a device that vanishes meanwhile is left out.
    struct Census {
        std::vector<QString> paths, names;
        std::vector<bool> wireless;
        int pending = 0;
    };
    auto census = std::make_shared<Census>();
    census->paths.reserve(paths.size());
    for (const QDBusObjectPath& p : paths) census->paths.push_back(p.path());
    census->names.resize(census->paths.size());
    census->wireless.resize(census->paths.size());
    census->pending = static_cast<int>(census->paths.size());
    if (census->pending == 0) {
        ChooseDevice({}, {});
        return;
    }
    for (size_t i = 0; i < census->paths.size(); ++i) {
        Call(census->paths[i], kProperties, QStringLiteral("GetAll"), {kDevice},
             [this, census, i](const QDBusMessage& props) {
                 if (!Failed(props)) {
                     const QVariantMap p = PropertyMap(props);
                     census->wireless[i] =
                         p.value(QStringLiteral("DeviceType")).toUInt() == kWifiDeviceType;
                     census->names[i] = p.value(QStringLiteral("Interface")).toString();
                 }
                 if (--census->pending > 0) return;
                 std::vector<QString> wireless, names;
                 for (size_t k = 0; k < census->paths.size(); ++k)
                     if (census->wireless[k]) {
                         wireless.push_back(census->paths[k]);
                         names.push_back(census->names[k]);
                     }
                 ChooseDevice(wireless, names);
             });
    }
}

void NetworkManagerScanner::ChooseDevice(const std::vector<QString>& wireless,
                                         const std::vector<QString>& names) {
    const QString& wanted = m_options.interfaceName;
    size_t chosen = wireless.size();
    for (size_t i = 0; i < wireless.size() && chosen == wireless.size(); ++i)
        if (wanted.isEmpty() || names[i] == wanted) chosen = i;
    if (chosen == wireless.size()) {
        AdapterMissing(
            wanted.isEmpty()
                ? QStringLiteral("NetworkManager lists no Wi-Fi device")
                : QStringLiteral("NetworkManager lists no Wi-Fi device named %1").arg(wanted));
        return;
    }
    const QString path = wireless[chosen];
    const QString name = names[chosen];
    Call(
        path, kProperties, QStringLiteral("GetAll"), {kWireless},
        [this, path, name](const QDBusMessage& reply) {
            if (Failed(reply)) {
                AdapterMissing(Describe(
                    QStringLiteral("NetworkManager did not describe the Wi-Fi device %1").arg(name),
                    reply));
                return;
            }
            AdapterFound(path, name,
                         PropertyMap(reply).value(QStringLiteral("HwAddress")).toString());
        });
}

void NetworkManagerScanner::AdapterFound(const QString& path, const QString& name,
                                         const QString& address) {
    ForgetAdapter();
    m_devicePath = path;
    m_interface = name;
    m_address = address;
    if (!m_bus.connect(QString(), m_devicePath, kProperties, QStringLiteral("PropertiesChanged"),
                       this,
                       SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage))))
        qWarning("Wi-Fi adapter: cannot listen for the scans of %s", qPrintable(m_interface));
    const bool scan = m_scanWanted;
    if (scan)
        RequestScan();
    else
        EndOperation();
    emit adapterChanged(true, m_interface, m_address, QString());
}

void NetworkManagerScanner::AdapterMissing(const QString& message) {
    ForgetAdapter();
    Lose(message);
    emit adapterChanged(false, QString(), QString(), message);
}

void NetworkManagerScanner::ForgetAdapter() {
    if (!m_devicePath.isEmpty())
        m_bus.disconnect(
            QString(), m_devicePath, kProperties, QStringLiteral("PropertiesChanged"), this,
            SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
    m_devicePath.clear();
    m_interface.clear();
    m_address.clear();
}

void NetworkManagerScanner::OnDeviceAdded(const QDBusObjectPath&) {
    if (!HasAdapter() && m_phase == Phase::kIdle) FindAdapter();
}

void NetworkManagerScanner::OnDeviceRemoved(const QDBusObjectPath& path,
                                            const QDBusMessage& message) {
    if (path.path() != m_devicePath || message.service() != m_owner) return;
    const QString name = m_interface;
    const QString address = m_address;
    const QString what = Scanning() ? QStringLiteral("during the scan ") : QString();
    const QString text = QStringLiteral("The Wi-Fi adapter %1 went away %2(%3.DeviceRemoved)")
                             .arg(name, what, kManager);
    ForgetAdapter();
    Lose(text);
    emit adapterChanged(false, name, address, text);
}

void NetworkManagerScanner::OnOwnerChanged(const QString&, const QString&,
                                           const QString& newOwner) {
    if (newOwner != m_owner && (HasAdapter() || Scanning())) {
        // Gone, or restarted: the adapter's object path meant something to the old one only.
        const QString text = QStringLiteral(
                                 "NetworkManager left the system bus%1 "
                                 "(org.freedesktop.DBus.NameOwnerChanged)")
                                 .arg(Scanning() ? QStringLiteral(" during the scan") : QString());
        const QString name = m_interface;
        const QString address = m_address;
        ForgetAdapter();
        Lose(text);
        emit adapterChanged(false, name, address, text);
    }
    m_owner = newOwner;
    if (!newOwner.isEmpty() && !HasAdapter() && m_phase == Phase::kIdle) FindAdapter();
}

// --- the scan ---------------------------------------------------------------

void NetworkManagerScanner::RequestScan() {
    m_phase = Phase::kRequesting;
    m_lastScanSeen = false;
    m_requestNs = BoottimeNowNs();
    m_scanBound.start(m_options.scanBound);
    Call(m_devicePath, kWireless, QStringLiteral("RequestScan"),
         {QVariant::fromValue(QVariantMap())}, [this](const QDBusMessage& reply) {
             if (Failed(reply)) {
                 Lose(Describe(
                     QStringLiteral("NetworkManager refused the Wi-Fi scan on %1").arg(m_interface),
                     reply));
                 return;
             }
             emit scanStarted();
             if (m_phase != Phase::kRequesting) return;  // a slot ended the scan
             if (m_lastScanSeen)
                 Collect();
             else
                 m_phase = Phase::kWaiting;
         });
}

void NetworkManagerScanner::OnPropertiesChanged(const QString& interface,
                                                const QVariantMap& changed, const QStringList&,
                                                const QDBusMessage& message) {
    if (interface != kWireless || message.path() != m_devicePath || message.service() != m_owner)
        return;
    const auto it = changed.find(QStringLiteral("LastScan"));
    if (it != changed.end()) LastScanChanged(it->toLongLong());
}

void NetworkManagerScanner::LastScanChanged(qlonglong lastScanMs) {
    if (!ScanEndedSinceRequest(lastScanMs, m_requestNs)) return;  // an earlier scan
    if (m_phase == Phase::kRequesting)
        m_lastScanSeen = true;
    else if (m_phase == Phase::kWaiting)
        Collect();
}

void NetworkManagerScanner::Collect() {
    m_phase = Phase::kCollecting;
    m_scanBound.stop();
    m_accessPoints.clear();
    m_pendingAccessPoints = 1;  // GetAllAccessPoints itself
    m_kernelPending = true;
    m_kernel = KernelScan();

    const quint64 generation = m_generation;
    auto* dump = new QFutureWatcher<KernelScan>(this);
    connect(dump, &QFutureWatcher<KernelScan>::finished, this, [this, dump, generation] {
        dump->deleteLater();
        if (generation != m_generation) return;
        m_kernel = dump->result();
        m_kernelPending = false;
        MaybeFinish();
    });
    dump->setFuture(
        QtConcurrent::run(&m_dumpPool, m_options.kernelDump, m_interface.toStdString()));

    Call(m_devicePath, kWireless, QStringLiteral("GetAllAccessPoints"), {},
         [this](const QDBusMessage& reply) { TakeAccessPoints(reply); });
}

void NetworkManagerScanner::TakeAccessPoints(const QDBusMessage& reply) {
    if (Failed(reply)) {
        Lose(Describe(
            QStringLiteral("NetworkManager did not list the access points of %1").arg(m_interface),
            reply));
        return;
    }
    const QList<QDBusObjectPath> paths = PathList(reply);
    m_pendingAccessPoints = static_cast<int>(paths.size());
    for (const QDBusObjectPath& path : paths)
        Call(path.path(), kProperties, QStringLiteral("GetAll"), {kAccessPoint},
             [this](const QDBusMessage& props) {
                 // An access point that NetworkManager dropped meanwhile is left out.
                 if (!Failed(props)) m_accessPoints.push_back(AccessPointOf(PropertyMap(props)));
                 --m_pendingAccessPoints;
                 MaybeFinish();
             });
    MaybeFinish();
}

void NetworkManagerScanner::MaybeFinish() {
    if (m_phase != Phase::kCollecting || m_pendingAccessPoints > 0 || m_kernelPending) return;
    const WifiScanResult result = CombineScan(m_accessPoints, m_kernel, m_requestNs);
    WifiScanSummary summary;
    summary.accessPoints = result.readings.size();
    summary.kernelDbm = result.kernelDbm;
    summary.derivedDbm = result.derivedDbm;
    summary.staleSkipped = result.staleSkipped;
    summary.kernelNote = QString::fromStdString(result.kernelError);
    EndOperation();
    if (!result.readings.empty()) emit accessPointsReceived(result.readings);
    emit scanFinished(summary);
}
