#pragma once
// --capture FILE with --wifi: what the adapter's source took from outside,
// recorded as it came (CCaptureLink), and played back into a source
// (CReplayLink), so that a surveyor whose adapter misbehaves can attach the
// file to a report and a test can replay it.
//
// A capture is a text file: "#" lines of provenance, then one line per
// record, "SECONDS KIND JSON" (seconds since the capture began, 6 decimals):
//
//   B  the bus           {"connected":true} or {"connected":false,"error":"name: text"}
//   C  a call            {"id":N,"path":P,"interface":I,"method":M,"args":[V...]}
//   R  its answer        {"id":N,"sender":S,"values":[V...]}
//                        {"id":N,"sender":S,"error":NAME,"text":T} for an error
//   S  a signal          {"sender":S,"path":P,"interface":I,"member":M,"values":[V...]}
//   O  NetworkManager's  {"owner":S} ("" when it left the bus)
//      name changed owner
//   T  a clock reading   {"ns":"CLOCK_BOOTTIME nanoseconds"}
//   K  the kernel dumps  {"interface":I,"dumpNs":"...","scan":D,"station":D,"survey":D},
//                        each D {"failure":TEXT} or {"datagrams":["hex",...]} (netlink
//                        as read); written when the scanner got them ("survey", the
//                        channel survey, is missing from older captures: none)
//
// A value V is JSON: a string, a number (32-bit and smaller integers,
// doubles), true/false, an array (D-Bus arrays and structures), or a tagged
// object: {"ay":"hex"} bytes, {"x":"decimal"} a 64-bit integer, {"map":{...}}
// a dictionary.

#include <QFile>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVector>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sources/wifi/NmLink.h"

QJsonValue EncodeCaptureValue(const QVariant& value);
QVariant DecodeCaptureValue(const QJsonValue& value);

// Records everything `inner` carries into a capture file.
class CCaptureLink : public CNmLink {
    Q_OBJECT
public:
    explicit CCaptureLink(CNmLink& inner, QObject* parent = nullptr);
    ~CCaptureLink() override;

    // Creates (truncates) the file; false, with the reason in `error`, when it cannot.
    bool Open(const QString& path, QString& error);

    bool Connected() const override { return m_inner.Connected(); }
    QString BusError() const override { return m_inner.BusError(); }
    void Call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& arguments, std::chrono::milliseconds bound,
              ReplyFn onReply) override;
    void Watch(const QString& path) override { m_inner.Watch(path); }
    void Unwatch(const QString& path) override { m_inner.Unwatch(path); }
    int64_t BoottimeNs() override;
    void TakeKernelDumps(const std::string& interfaceName, DumpsFn onDumps) override;

private:
    void Write(char kind, const QJsonObject& record);

    CNmLink& m_inner;
    std::mutex m_lock;  // one record whole, whichever thread writes it
    QFile m_file;
    qint64 m_startNs = 0;
    int m_nextId = 1;
};

struct WifiCaptureRecord {
    double seconds = 0;
    char kind = 0;
    QJsonObject data;
};

// Reads a capture; false (with the line and why in `error`) on a malformed line.
bool LoadWifiCapture(const QString& path, std::vector<WifiCaptureRecord>& records, QString& error);

// Plays a capture back: each recorded answer goes to the call the scanner
// makes in its place (matched by object, interface and method, in order),
// signals, clock readings and the kernel's dumps come when the recording
// reaches them, so the scanner meets them in the order the program did. A
// call or dump the recording does not have is answered as missing when the
// recording has run out, and told in Divergences(). Scan bounds run on the
// real clock.
class CReplayLink : public CNmLink {
    Q_OBJECT
public:
    explicit CReplayLink(std::vector<WifiCaptureRecord> records, QObject* parent = nullptr);

    // Every record was played.
    bool Finished() const { return m_cursor >= m_records.size(); }
    // What the scanner did that the recording did not (empty: nothing).
    const QStringList& Divergences() const { return m_divergences; }

    bool Connected() const override { return m_connected; }
    QString BusError() const override { return m_busError; }
    void Call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& arguments, std::chrono::milliseconds bound,
              ReplyFn onReply) override;
    void Watch(const QString&) override {}
    void Unwatch(const QString&) override {}
    int64_t BoottimeNs() override;
    void TakeKernelDumps(const std::string& interfaceName, DumpsFn onDumps) override;

private:
    struct Waiting {
        QString path, interface, method;
        ReplyFn onReply;
    };
    void Step();

    std::vector<WifiCaptureRecord> m_records;
    size_t m_cursor = 0;
    bool m_connected = true;
    QString m_busError;
    std::vector<Waiting> m_calls;       // made, not yet matched to a recorded call
    std::map<int, ReplyFn> m_answerTo;  // recorded id -> the call made in its place
    std::deque<int64_t> m_clock;        // readings reached, not yet taken
    int64_t m_lastClock = 0;
    std::deque<DumpsFn> m_dumpsAsked;  // asked for, not yet reached in the recording
    QStringList m_divergences;
    bool m_stepping = false;
};
