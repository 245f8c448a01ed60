#include "sources/wifi/NmLink.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include "sources/wifi/Nl80211Dump.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QVariant PlainArgument(const QDBusArgument& arg) {
    switch (arg.currentType()) {
        case QDBusArgument::BasicType:
            return PlainValue(arg.asVariant());
        case QDBusArgument::VariantType: {
            QDBusVariant inner;
            arg >> inner;
            return PlainValue(inner.variant());
        }
        case QDBusArgument::ArrayType: {
            if (arg.currentSignature() == QLatin1String("ay")) {
                QByteArray bytes;
                arg >> bytes;
                return bytes;
            }
            QVariantList list;
            arg.beginArray();
            while (!arg.atEnd()) list.push_back(PlainArgument(arg));
            arg.endArray();
            return list;
        }
        case QDBusArgument::StructureType: {
            QVariantList fields;
            arg.beginStructure();
            while (!arg.atEnd()) fields.push_back(PlainArgument(arg));
            arg.endStructure();
            return fields;
        }
        case QDBusArgument::MapType: {
            QVariantMap map;
            arg.beginMap();
            while (!arg.atEnd()) {
                arg.beginMapEntry();
                const QString key = PlainArgument(arg).toString();
                map.insert(key, PlainArgument(arg));
                arg.endMapEntry();
            }
            arg.endMap();
            return map;
        }
        default:
            return {};
    }
}

QVariantList PlainValues(const QVariantList& values) {
    QVariantList plain;
    plain.reserve(values.size());
    for (const QVariant& v : values) plain.push_back(PlainValue(v));
    return plain;
}

NmReply ReplyOf(const QDBusMessage& reply) {
    NmReply r;
    r.sender = reply.service();
    if (reply.type() == QDBusMessage::ReplyMessage) {
        r.values = PlainValues(reply.arguments());
    } else if (reply.type() == QDBusMessage::ErrorMessage) {
        r.errorName = reply.errorName();
        r.errorText = reply.errorMessage();
    } else {
        r.errorName = QStringLiteral("org.freedesktop.DBus.Error.Failed");
        r.errorText = QStringLiteral("the answer was not a method reply");
    }
    return r;
}

}  // namespace

QVariant PlainValue(const QVariant& value) {
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<QDBusArgument>())
        return PlainArgument(value.value<QDBusArgument>());
    if (type == QMetaType::fromType<QDBusVariant>())
        return PlainValue(value.value<QDBusVariant>().variant());
    if (type == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (type == QMetaType::fromType<QDBusSignature>())
        return value.value<QDBusSignature>().signature();
    return value;
}

CBusLink::CBusLink(const QDBusConnection& bus, KernelDumpFn kernelDump, QObject* parent)
    : m_bus(bus), m_kernelDump(std::move(kernelDump)) {
    setParent(parent);
    m_readPool.setMaxThreadCount(1);
    m_dumpPool.setMaxThreadCount(1);
    if (!m_kernelDump)
        m_kernelDump = [](const std::string& name) { return ::TakeKernelDumps(name); };
    if (!m_bus.isConnected()) return;
    m_ownerWatch =
        new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_ownerWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                emit ownerChanged(newOwner);
            });
    qRegisterMetaType<QDBusMessage>();
    // The sender is checked against NetworkManager's unique name by the
    // scanner rather than named here, so that Qt needs no look-up of the
    // name's owner.
    const bool listening =
        m_bus.connect(QString(), kManagerPath, kService, QStringLiteral("DeviceAdded"), this,
                      SLOT(OnSignal(QDBusMessage))) &&
        m_bus.connect(QString(), kManagerPath, kService, QStringLiteral("DeviceRemoved"), this,
                      SLOT(OnSignal(QDBusMessage)));
    if (!listening)
        qWarning("Wi-Fi adapter: cannot listen for NetworkManager's devices coming and going");
}

QString CBusLink::BusError() const {
    return m_bus.lastError().name() + QStringLiteral(": ") + m_bus.lastError().message();
}

void CBusLink::Call(const QString& path, const QString& interface, const QString& method,
                    const QVariantList& arguments, std::chrono::milliseconds bound,
                    ReplyFn onReply) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(message, static_cast<int>(bound.count())), this);
    // The answer that carries every object (300 access points: 3-4 ms of
    // reading) is read on the link's pool, so that the window never waits on it.
    const bool heavy = method == QLatin1String("GetManagedObjects");
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, watcher, heavy, onReply = std::move(onReply)]() mutable {
            watcher->deleteLater();
            const QDBusMessage reply = watcher->reply();
            if (!heavy || reply.type() != QDBusMessage::ReplyMessage) {
                onReply(ReplyOf(reply));
                return;
            }
            // Signals that come meanwhile wait, so that they still follow it.
            ++m_reading;
            auto* reading = new QFutureWatcher<NmReply>(this);
            connect(reading, &QFutureWatcher<NmReply>::finished, this,
                    [this, reading, onReply = std::move(onReply)] {
                        reading->deleteLater();
                        onReply(reading->result());
                        if (--m_reading > 0) return;
                        std::vector<NmSignal> held;
                        held.swap(m_held);
                        for (const NmSignal& s : held) emit received(s);
                    });
            reading->setFuture(QtConcurrent::run(&m_readPool, [reply] { return ReplyOf(reply); }));
        });
}

void CBusLink::Watch(const QString& path) {
    if (path.isEmpty() || m_watched.contains(path)) return;
    if (m_bus.connect(QString(), path, kProperties, QStringLiteral("PropertiesChanged"), this,
                      SLOT(OnSignal(QDBusMessage))))
        m_watched.insert(path);
    else
        qWarning("Wi-Fi adapter: cannot listen for the changes of %s", qPrintable(path));
}

void CBusLink::Unwatch(const QString& path) {
    if (!m_watched.remove(path)) return;
    m_bus.disconnect(QString(), path, kProperties, QStringLiteral("PropertiesChanged"), this,
                     SLOT(OnSignal(QDBusMessage)));
}

void CBusLink::TakeKernelDumps(const std::string& interfaceName, DumpsFn onDumps) {
    auto* dump = new QFutureWatcher<KernelDumps>(this);
    connect(dump, &QFutureWatcher<KernelDumps>::finished, this,
            [dump, onDumps = std::move(onDumps)] {
                dump->deleteLater();
                onDumps(dump->result());
            });
    dump->setFuture(QtConcurrent::run(
        &m_dumpPool, [fn = m_kernelDump, interfaceName] { return fn(interfaceName); }));
}

void CBusLink::OnSignal(const QDBusMessage& message) {
    NmSignal s{message.service(), message.path(), message.interface(), message.member(),
               PlainValues(message.arguments())};
    if (m_reading > 0)
        m_held.push_back(std::move(s));
    else
        emit received(s);
}
