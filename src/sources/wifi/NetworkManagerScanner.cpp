#include "sources/wifi/NetworkManagerScanner.h"

#include <QPointer>
#include <algorithm>

namespace {

const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kWireless = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString kAccessPoint = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kObjectManagerPath = QStringLiteral("/org/freedesktop");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
constexpr uint kWifiDeviceType = 2;
// NetworkManager's device states (NMDeviceState).
constexpr uint kStateUnavailable = 20, kStatePrepare = 40, kStateActivated = 100;

// "<what> (<error name>: <error text>)", the one message of a failure.
QString Describe(const QString& what, const NmReply& reply) {
    return QStringLiteral("%1 (%2: %3)").arg(what, reply.errorName, reply.errorText);
}

// The errors with which a call to an object that is no longer there comes
// back (libdbus and GDBus answer UnknownMethod, newer GDBus UnknownObject).
bool Gone(const NmReply& reply) {
    return reply.errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
           reply.errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod");
}

QVariant First(const NmReply& reply) {
    return reply.values.isEmpty() ? QVariant() : reply.values.first();
}

QStringList Paths(const QVariant& v) {
    QStringList paths;
    for (const QVariant& p : v.toList()) paths << p.toString();
    return paths;
}

NmAccessPoint AccessPointOf(const QVariantMap& p) {
    NmAccessPoint ap;
    const QByteArray ssid = p.value(QStringLiteral("Ssid")).toByteArray();
    ap.ssid.assign(ssid.begin(), ssid.end());
    ap.hwAddress = p.value(QStringLiteral("HwAddress")).toString().toStdString();
    ap.frequencyMhz = p.value(QStringLiteral("Frequency")).toUInt();
    ap.strength =
        static_cast<uint8_t>(std::min(p.value(QStringLiteral("Strength")).toUInt(), 255u));
    bool ok = false;
    const int lastSeen = p.value(QStringLiteral("LastSeen")).toInt(&ok);
    ap.lastSeen = ok ? lastSeen : -1;
    ap.flags = p.value(QStringLiteral("Flags")).toUInt();
    return ap;
}

// The message of a refused RequestScan.
QString RefusalText(const QString& interface, const NmReply& reply) {
    const QString what =
        QStringLiteral("NetworkManager refused the Wi-Fi scan on %1").arg(interface);
    if (reply.errorName == QLatin1String("org.freedesktop.NetworkManager.PermissionDenied"))
        return Describe(what + QStringLiteral(": polkit does not let this session scan"), reply) +
               QStringLiteral(". ") + QString::fromUtf8(kPolkitHint);
    if (reply.errorName == QLatin1String("org.freedesktop.NetworkManager.Device.NotAllowed"))
        return Describe(
            what + QStringLiteral(": the adapter is unavailable (is Wi-Fi switched off?)"), reply);
    return Describe(what, reply);
}

}  // namespace

// A call waiting for its turn.
struct NetworkManagerScanner::PendingCall {
    QString path, interface, method;
    QVariantList arguments;
    std::chrono::milliseconds bound;
    quint64 generation;
    CNmLink::ReplyFn onReply;
};

// What one round of collecting has gathered so far.
struct NetworkManagerScanner::Collection {
    QStringList listed;              // GetAllAccessPoints
    std::vector<NmAccessPoint> aps;  // whose properties came
    size_t wentAway = 0;
    int pendingProperties = 0;  // GetAll answers still to come
    bool listDone = false;      // every listed access point is answered for
    bool kernelPending = true;
    KernelScan kernel;
};

NetworkManagerScanner::NetworkManagerScanner(CNmLink& link, Options options, QObject* parent)
    : QObject(parent), m_link(link), m_options(std::move(options)) {
    m_scanBound.setSingleShot(true);
    connect(&m_scanBound, &QTimer::timeout, this, &NetworkManagerScanner::BoundReached);
    connect(&m_link, &CNmLink::received, this, &NetworkManagerScanner::OnSignal);
    connect(&m_link, &CNmLink::ownerChanged, this, &NetworkManagerScanner::OnOwnerChanged);
}

NetworkManagerScanner::~NetworkManagerScanner() = default;

// --- calls ----------------------------------------------------------------

void NetworkManagerScanner::Call(const QString& path, const QString& interface,
                                 const QString& method, const QVariantList& arguments,
                                 CNmLink::ReplyFn onReply, std::chrono::milliseconds bound) {
    if (bound.count() <= 0) bound = m_options.callBound;
    m_queue.push_back(std::make_unique<PendingCall>(
        PendingCall{path, interface, method, arguments, bound, m_generation, std::move(onReply)}));
    SendQueued();
}

void NetworkManagerScanner::SendQueued() {
    while (m_inFlight < kCallsInFlight && !m_queue.empty()) {
        std::unique_ptr<PendingCall> call = std::move(m_queue.front());
        m_queue.pop_front();
        if (call->generation != m_generation) continue;
        ++m_inFlight;
        // The link may answer after this scanner is gone.
        QPointer<NetworkManagerScanner> self(this);
        m_link.Call(call->path, call->interface, call->method, call->arguments, call->bound,
                    [self, generation = call->generation,
                     onReply = std::move(call->onReply)](const NmReply& r) {
                        if (self == nullptr) return;
                        --self->m_inFlight;
                        if (generation == self->m_generation) onReply(r);
                        if (self != nullptr) self->SendQueued();
                    });
    }
}

void NetworkManagerScanner::EndOperation() {
    ++m_generation;
    m_phase = Phase::kIdle;
    m_scanWanted = false;
    m_scanBound.stop();
    m_collection.reset();
    m_queue.clear();
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
    m_asks = 0;
    m_recollects = 0;
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

// --- signals ----------------------------------------------------------------

void NetworkManagerScanner::OnSignal(const NmSignal& s) {
    if (s.sender != m_owner || m_owner.isEmpty()) return;
    if (s.path == kManagerPath && s.interface == kManager) {
        const QString path = s.values.value(0).toString();
        if (s.member == QLatin1String("DeviceAdded")) {
            if (!HasAdapter() && m_phase == Phase::kIdle) FindAdapter();
        } else if (s.member == QLatin1String("DeviceRemoved") && path == m_devicePath) {
            const QString name = m_interface, address = m_address;
            const QString what = Scanning() ? QStringLiteral("during the scan ") : QString();
            const QString text =
                QStringLiteral("The Wi-Fi adapter %1 went away %2(%3.DeviceRemoved)")
                    .arg(name, what, kManager);
            ForgetAdapter();
            Lose(text);
            emit adapterChanged(false, name, address, text);
        }
        return;
    }
    if (s.member != QLatin1String("PropertiesChanged") || s.interface != kProperties) return;
    const QString interface = s.values.value(0).toString();
    const QVariantMap changed = s.values.value(1).toMap();
    if (s.path == m_devicePath && interface == kWireless) {
        if (changed.contains(QStringLiteral("ActiveAccessPoint")))
            SetActiveAccessPoint(changed.value(QStringLiteral("ActiveAccessPoint")).toString());
        if (changed.contains(QStringLiteral("LastScan")))
            LastScanMoved(changed.value(QStringLiteral("LastScan")).toLongLong());
    } else if (s.path == m_activeAp && interface == kAccessPoint) {
        // A scan's entry sets Strength and LastSeen together; the station
        // refresh every 6 s sets Strength alone, with its own mapping.
        if (changed.contains(QStringLiteral("LastSeen")))
            m_activeFromStation = false;
        else if (changed.contains(QStringLiteral("Strength")))
            m_activeFromStation = true;
    }
}

void NetworkManagerScanner::OnOwnerChanged(const QString& newOwner) {
    if (newOwner != m_owner && (HasAdapter() || Scanning())) {
        // Gone, or restarted: the adapter's object path meant something to the old one only.
        const QString text = QStringLiteral(
                                 "NetworkManager left the system bus%1 "
                                 "(org.freedesktop.DBus.NameOwnerChanged)")
                                 .arg(Scanning() ? QStringLiteral(" during the scan") : QString());
        const QString name = m_interface, address = m_address;
        ForgetAdapter();
        Lose(text);
        emit adapterChanged(false, name, address, text);
    }
    m_owner = newOwner;
    if (!newOwner.isEmpty() && !HasAdapter() && m_phase == Phase::kIdle) FindAdapter();
}

// --- the adapter ----------------------------------------------------------

void NetworkManagerScanner::BeginFinding() {
    m_phase = Phase::kFinding;
    if (!m_link.Connected()) {
        // Told from the event loop, as every answer is: never from inside StartScan.
        const QString text = QStringLiteral("No system bus (%1)").arg(m_link.BusError());
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
         [this](const NmReply& reply) { TakeDevices(reply); });
}

void NetworkManagerScanner::TakeDevices(const NmReply& reply) {
    if (reply.Failed()) {
        const bool absent =
            reply.errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
            reply.errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
        AdapterMissing(Describe(absent ? QStringLiteral("NetworkManager is not running")
                                       : QStringLiteral("NetworkManager did not list its devices"),
                                reply));
        return;
    }
    m_owner = reply.sender;
    // Each device's type, name, management and state; a device that vanishes
    // meanwhile is left out.
    struct Census {
        std::vector<Candidate> devices;
        std::vector<bool> wifi;
        int pending = 0;
    };
    auto census = std::make_shared<Census>();
    for (const QString& path : Paths(First(reply))) {
        Candidate c;
        c.path = path;
        census->devices.push_back(c);
    }
    census->wifi.resize(census->devices.size());
    census->pending = static_cast<int>(census->devices.size());
    if (census->pending == 0) {
        ChooseDevice({});
        return;
    }
    for (size_t i = 0; i < census->devices.size(); ++i) {
        Call(census->devices[i].path, kProperties, QStringLiteral("GetAll"), {kDevice},
             [this, census, i](const NmReply& props) {
                 if (!props.Failed()) {
                     const QVariantMap p = First(props).toMap();
                     Candidate& c = census->devices[i];
                     census->wifi[i] =
                         p.value(QStringLiteral("DeviceType")).toUInt() == kWifiDeviceType;
                     c.name = p.value(QStringLiteral("Interface")).toString();
                     c.managed = p.value(QStringLiteral("Managed"), true).toBool();
                     c.state = p.value(QStringLiteral("State")).toUInt();
                 }
                 if (--census->pending > 0) return;
                 std::vector<Candidate> wifi;
                 for (size_t k = 0; k < census->devices.size(); ++k)
                     if (census->wifi[k]) wifi.push_back(census->devices[k]);
                 ChooseDevice(wifi);
             });
    }
}

void NetworkManagerScanner::ChooseDevice(const std::vector<Candidate>& wifi) {
    const QString& wanted = m_options.interfaceName;
    const Candidate* chosen = nullptr;
    if (!wanted.isEmpty()) {
        for (const Candidate& c : wifi)
            if (c.name == wanted && chosen == nullptr) chosen = &c;
        if (chosen == nullptr) {
            AdapterMissing(
                QStringLiteral("NetworkManager lists no Wi-Fi device named %1").arg(wanted));
            return;
        }
        if (!chosen->managed) {
            AdapterMissing(QStringLiteral("NetworkManager does not manage the Wi-Fi device %1 "
                                          "(\"nmcli device set %1 managed yes\" hands it over)")
                               .arg(wanted));
            return;
        }
    } else {
        // The first that can scan; else the first managed one, whose scans
        // then say why not (switched off, for example).
        for (const Candidate& c : wifi)
            if (chosen == nullptr && c.managed && c.state > kStateUnavailable) chosen = &c;
        for (const Candidate& c : wifi)
            if (chosen == nullptr && c.managed) chosen = &c;
        if (chosen == nullptr) {
            QStringList names;
            for (const Candidate& c : wifi) names << c.name;
            AdapterMissing(wifi.empty()
                               ? QStringLiteral("NetworkManager lists no Wi-Fi device")
                               : QStringLiteral("NetworkManager manages none of its Wi-Fi devices "
                                                "(%1 unmanaged)")
                                     .arg(names.join(QStringLiteral(", "))));
            return;
        }
    }
    const QString path = chosen->path, name = chosen->name;
    Call(
        path, kProperties, QStringLiteral("GetAll"), {kWireless},
        [this, path, name](const NmReply& reply) {
            if (reply.Failed()) {
                AdapterMissing(Describe(
                    QStringLiteral("NetworkManager did not describe the Wi-Fi device %1").arg(name),
                    reply));
                return;
            }
            AdapterFound(path, name, First(reply).toMap());
        });
}

void NetworkManagerScanner::AdapterFound(const QString& path, const QString& name,
                                         const QVariantMap& wireless) {
    ForgetAdapter();
    m_devicePath = path;
    m_interface = name;
    // HwAddress is randomised for scans while disconnected; PermHwAddress is the adapter's own.
    m_address = wireless.value(QStringLiteral("PermHwAddress")).toString();
    if (m_address.isEmpty()) m_address = wireless.value(QStringLiteral("HwAddress")).toString();
    m_lastScanMs = wireless.value(QStringLiteral("LastScan"), -1).toLongLong();
    m_link.Watch(m_devicePath);
    SetActiveAccessPoint(wireless.value(QStringLiteral("ActiveAccessPoint")).toString());
    if (m_scanWanted)
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
    m_link.Unwatch(m_devicePath);
    SetActiveAccessPoint(QString());
    m_devicePath.clear();
    m_interface.clear();
    m_address.clear();
}

void NetworkManagerScanner::SetActiveAccessPoint(const QString& path) {
    const QString active = path == QLatin1String("/") ? QString() : path;
    if (active == m_activeAp) return;
    m_link.Unwatch(m_activeAp);
    m_activeAp = active;
    // Until a change is seen, its Strength is taken as the station refresh's.
    m_activeFromStation = true;
    m_link.Watch(m_activeAp);
}

// --- the scan ---------------------------------------------------------------

void NetworkManagerScanner::RequestScan() {
    m_phase = Phase::kRequesting;
    m_moveBeforeAnswer = false;
    m_askedNs = m_link.BoottimeNs();
    if (++m_asks == 1) {
        m_requestNs = m_askedNs;
        m_scanBound.start(m_options.scanBound);
    }
    const bool first = m_asks == 1;
    Call(m_devicePath, kWireless, QStringLiteral("RequestScan"),
         {QVariant::fromValue(QVariantMap())}, [this, first](const NmReply& reply) {
             if (reply.Failed()) {
                 Lose(RefusalText(m_interface, reply));
                 return;
             }
             if (first) emit scanStarted();
             if (m_phase != Phase::kRequesting) return;  // a slot ended the scan
             if (m_moveBeforeAnswer)
                 Collect();
             else
                 m_phase = Phase::kWaiting;
         });
}

void NetworkManagerScanner::LastScanMoved(qlonglong lastScanMs) {
    if (lastScanMs == m_lastScanMs) return;  // told again, not moved
    m_lastScanMs = lastScanMs;
    if (!ScanEndedSinceRequest(lastScanMs, m_askedNs)) return;  // an earlier scan
    if (m_phase == Phase::kRequesting)
        m_moveBeforeAnswer = true;
    else if (m_phase == Phase::kWaiting)
        Collect();
    else if (m_phase == Phase::kCollecting)
        m_moveWhileCollecting = true;
}

void NetworkManagerScanner::BoundReached() {
    if (m_phase == Phase::kCollecting) {
        Lose(QStringLiteral("NetworkManager did not describe the access points of %1 within %2 s; "
                            "the scan is given up rather than recorded without them")
                 .arg(m_interface, QString::number(m_options.collectBound.count() / 1000.0)));
        return;
    }
    if (m_phase != Phase::kRequesting && m_phase != Phase::kWaiting) return;
    // Whether a connection being activated held the request back tells the surveyor why.
    const QString bound = QString::number(m_options.scanBound.count() / 1000.0);
    Call(
        m_devicePath, kProperties, QStringLiteral("Get"), {kDevice, QStringLiteral("State")},
        [this, bound](const NmReply& reply) {
            const uint state = First(reply).toUInt();
            if (!reply.Failed() && state >= kStatePrepare && state < kStateActivated)
                Lose(QStringLiteral("NetworkManager held the Wi-Fi scan on %1 back while "
                                    "it activated a connection; no scan ran within %2 s")
                         .arg(m_interface, bound));
            else
                Lose(QStringLiteral("NetworkManager did not finish the scan on %1 within "
                                    "%2 s")
                         .arg(m_interface, bound));
        },
        std::chrono::milliseconds(2000));
}

void NetworkManagerScanner::Collect() {
    m_phase = Phase::kCollecting;
    m_moveWhileCollecting = false;
    m_scanBound.start(m_options.collectBound);
    m_collection = std::make_unique<Collection>();

    // The link may answer after this scanner is gone.
    m_link.TakeKernelDumps(
        m_interface.toStdString(), [self = QPointer<NetworkManagerScanner>(this),
                                    generation = m_generation](const KernelDumps& dumps) {
            if (self == nullptr || generation != self->m_generation || !self->m_collection) return;
            self->m_collection->kernel = ReadKernelDumps(dumps);
            self->m_collection->kernelPending = false;
            self->MaybeFinish();
        });

    Call(m_devicePath, kWireless, QStringLiteral("GetAllAccessPoints"), {},
         [this](const NmReply& reply) { TakeAccessPointList(reply); });
}

void NetworkManagerScanner::TakeAccessPointList(const NmReply& reply) {
    if (reply.Failed()) {
        Lose(Describe(
            QStringLiteral("NetworkManager did not list the access points of %1").arg(m_interface),
            reply));
        return;
    }
    m_collection->listed = Paths(First(reply));
    if (m_collection->listed.isEmpty()) {
        m_collection->listDone = true;
        MaybeFinish();
        return;
    }
    if (!m_objectManager) {
        FetchEach();
        return;
    }
    AskManagedObjects(0);
}

void NetworkManagerScanner::AskManagedObjects(int attempt) {
    Call(kObjectManagerPath, kObjectManager, QStringLiteral("GetManagedObjects"), {},
         [this, attempt](const NmReply& r) {
             if (!r.Failed()) {
                 TakeManagedObjects(r);
             } else if (r.errorName.startsWith(
                            QLatin1String("org.freedesktop.DBus.Error.Unknown"))) {
                 m_objectManager = false;  // not offered: one GetAll per access point
                 FetchEach();
             } else if (attempt == 0) {
                 AskManagedObjects(1);  // a failure of the bus or the daemon: once more
             } else {
                 Lose(Describe(QStringLiteral("NetworkManager did not describe the access points "
                                              "of %1; the scan is given up rather than recorded "
                                              "without them")
                                   .arg(m_interface),
                               r));
             }
         });
}

void NetworkManagerScanner::TakeManagedObjects(const NmReply& reply) {
    const QVariantMap objects = First(reply).toMap();
    for (const QString& path : m_collection->listed) {
        const QVariantMap interfaces = objects.value(path).toMap();
        if (!interfaces.contains(kAccessPoint)) {
            ++m_collection->wentAway;  // dropped between the list and now
            continue;
        }
        NmAccessPoint ap = AccessPointOf(interfaces.value(kAccessPoint).toMap());
        ap.connected = path == m_activeAp;
        ap.stationStrength = m_activeFromStation;
        m_collection->aps.push_back(std::move(ap));
    }
    m_collection->listDone = true;
    MaybeFinish();
}

void NetworkManagerScanner::FetchEach() {
    m_collection->pendingProperties = static_cast<int>(m_collection->listed.size());
    for (const QString& path : m_collection->listed) FetchOne(path, 0);
}

void NetworkManagerScanner::FetchOne(const QString& path, int attempt) {
    Call(path, kProperties, QStringLiteral("GetAll"), {kAccessPoint},
         [this, path, attempt](const NmReply& r) {
             if (r.Failed() && !Gone(r) && attempt == 0) {
                 FetchOne(path, 1);  // a failure of the bus or the daemon: once more
                 return;
             }
             if (r.Failed() && !Gone(r)) {
                 Lose(Describe(QStringLiteral("NetworkManager did not describe the access point "
                                              "%1 of %2; the scan is given up rather than "
                                              "recorded without it")
                                   .arg(path, m_interface),
                               r));
                 return;
             }
             if (r.Failed()) {
                 ++m_collection->wentAway;
             } else {
                 NmAccessPoint ap = AccessPointOf(First(r).toMap());
                 ap.connected = path == m_activeAp;
                 ap.stationStrength = m_activeFromStation;
                 m_collection->aps.push_back(std::move(ap));
             }
             if (--m_collection->pendingProperties == 0) m_collection->listDone = true;
             MaybeFinish();
         });
}

void NetworkManagerScanner::MaybeFinish() {
    if (m_phase != Phase::kCollecting || !m_collection || !m_collection->listDone ||
        m_collection->kernelPending)
        return;
    const WifiScanResult result = CombineScan(m_collection->aps, m_collection->kernel, m_requestNs);
    if (m_moveWhileCollecting && m_recollects < kRecollects) {
        // A later scan ended while this one was read: what was read may be
        // half of each. Read again (NetworkManager spaces its scans 1.5 s).
        ++m_recollects;
        m_collection.reset();
        ++m_generation;  // nothing of this round may answer into the next
        Collect();
        return;
    }
    if (result.readings.empty() && m_asks == 1) {
        // This LastScan may be of a scan that did not run after the request:
        // ask once more, and let the next one decide, within the same bound.
        m_collection.reset();
        ++m_generation;
        const auto elapsed =
            std::chrono::milliseconds((m_link.BoottimeNs() - m_requestNs) / 1000000);
        const auto left = m_options.scanBound - elapsed;
        RequestScan();
        m_scanBound.start(std::max(left, std::chrono::milliseconds(0)));
        return;
    }
    WifiScanSummary summary;
    summary.accessPoints = result.readings.size();
    summary.kernelDbm = result.kernelDbm;
    summary.derivedDbm = result.derivedDbm;
    summary.staleSkipped = result.staleSkipped;
    summary.wentAway = m_collection->wentAway;
    summary.dbmLine = DbmKindLine(result);
    summary.noise = result.noise;
    summary.noiseLine = NoiseKindLine(result);
    EndOperation();
    if (!result.readings.empty()) emit accessPointsReceived(result.readings);
    emit scanFinished(summary);
}
