#pragma once
// Everything the Wi-Fi scanner takes from outside goes through a CNmLink:
// NetworkManager's answers and signals, the boot-time clock and the kernel's
// dumps. CBusLink is the live one (QtDBus on the system bus, libnl); the
// capture's links (WifiCapture.h) record a live link or play a recording
// back, so that a surveyor's misbehaving adapter can be replayed in a test.
//
// Values cross the link as plain Qt values: QString (object paths too),
// QByteArray (ay), integers, bool, double, QVariantList (arrays and
// structures) and QVariantMap (dictionaries, keys as text).

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QVariant>
#include <QVariantList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sources/wifi/WifiScan.h"

struct NmReply {
    QString sender;     // the unique name that answered
    QString errorName;  // empty: a method reply
    QString errorText;
    QVariantList values;
    bool Failed() const { return !errorName.isEmpty(); }
};

struct NmSignal {
    QString sender, path, interface, member;
    QVariantList values;
};

class CNmLink : public QObject {
    Q_OBJECT
public:
    using ReplyFn = std::function<void(const NmReply&)>;
    using DumpsFn = std::function<void(const KernelDumps&)>;

    // Whether a bus is there; "name: text" of why not.
    virtual bool Connected() const = 0;
    virtual QString BusError() const = 0;
    // A call to NetworkManager's service; `onReply` runs from the event loop,
    // never inside Call, with an error reply after `bound`.
    virtual void Call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments, std::chrono::milliseconds bound,
                      ReplyFn onReply) = 0;
    // PropertiesChanged of `path` reaches `received` from now on (the
    // manager's DeviceAdded and DeviceRemoved always do).
    virtual void Watch(const QString& path) = 0;
    virtual void Unwatch(const QString& path) = 0;
    // CLOCK_BOOTTIME in nanoseconds.
    virtual int64_t BoottimeNs() = 0;
    // The kernel's dumps for an interface, taken off the user-interface
    // thread; `onDumps` runs from the event loop, never inside the call, in
    // its turn with the answers and signals (so that a replay keeps the order).
    virtual void TakeKernelDumps(const std::string& interfaceName, DumpsFn onDumps) = 0;

signals:
    void received(const NmSignal& signal);
    // NetworkManager's name has a new owner ("" when it left the bus).
    void ownerChanged(const QString& newOwner);
};

// QDBusArgument, QDBusVariant and QDBusObjectPath as plain values.
QVariant PlainValue(const QVariant& value);

class QDBusServiceWatcher;

class CBusLink : public CNmLink {
    Q_OBJECT
public:
    using KernelDumpFn = std::function<KernelDumps(const std::string& interfaceName)>;

    // `bus` is the system bus in the program; `kernelDump` empty: the live
    // dumps (TakeKernelDumps of Nl80211Dump.h).
    CBusLink(const QDBusConnection& bus, KernelDumpFn kernelDump, QObject* parent = nullptr);

    bool Connected() const override { return m_bus.isConnected(); }
    QString BusError() const override;
    void Call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& arguments, std::chrono::milliseconds bound,
              ReplyFn onReply) override;
    void Watch(const QString& path) override;
    void Unwatch(const QString& path) override;
    int64_t BoottimeNs() override { return BoottimeNowNs(); }
    void TakeKernelDumps(const std::string& interfaceName, DumpsFn onDumps) override;

private slots:
    void OnSignal(const QDBusMessage& message);

private:
    QDBusConnection m_bus;
    KernelDumpFn m_kernelDump;
    QSet<QString> m_watched;
    QDBusServiceWatcher* m_ownerWatch = nullptr;
    int m_reading = 0;             // answers being read on the pool
    std::vector<NmSignal> m_held;  // signals that came meanwhile
    // Declared last, destroyed first: they wait for a reading or a dump.
    QThreadPool m_readPool, m_dumpPool;
};
