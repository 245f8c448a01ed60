#include "sources/wifi/WifiCapture.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <QTimer>
#include <algorithm>

namespace {

QJsonArray EncodeList(const QVariantList& values) {
    QJsonArray a;
    for (const QVariant& v : values) a.push_back(EncodeCaptureValue(v));
    return a;
}

QVariantList DecodeList(const QJsonValue& value) {
    QVariantList list;
    for (const QJsonValue& v : value.toArray()) list.push_back(DecodeCaptureValue(v));
    return list;
}

QJsonObject EncodeAnswer(const KernelDumpAnswer& answer) {
    if (!answer.failure.empty())
        return {{QStringLiteral("failure"), QString::fromStdString(answer.failure)}};
    QJsonArray datagrams;
    for (const std::vector<uint8_t>& d : answer.datagrams)
        datagrams.push_back(QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(d.data()), static_cast<qsizetype>(d.size()))
                .toHex()));
    return {{QStringLiteral("datagrams"), datagrams}};
}

KernelDumpAnswer DecodeAnswer(const QJsonObject& o) {
    KernelDumpAnswer answer;
    if (o.contains(QStringLiteral("failure"))) {
        answer.failure = o.value(QStringLiteral("failure")).toString().toStdString();
        return answer;
    }
    for (const QJsonValue& d : o.value(QStringLiteral("datagrams")).toArray()) {
        const QByteArray bytes = QByteArray::fromHex(d.toString().toLatin1());
        answer.datagrams.emplace_back(bytes.begin(), bytes.end());
    }
    return answer;
}

QString Decimal(qint64 v) { return QString::number(v); }
qint64 FromDecimal(const QJsonValue& v) { return v.toString().toLongLong(); }

}  // namespace

QJsonValue EncodeCaptureValue(const QVariant& value) {
    switch (value.metaType().id()) {
        case QMetaType::QByteArray:
            return QJsonObject{
                {QStringLiteral("ay"), QString::fromLatin1(value.toByteArray().toHex())}};
        case QMetaType::QString:
            return value.toString();
        case QMetaType::Bool:
            return value.toBool();
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return QJsonObject{{QStringLiteral("x"), value.toString()}};
        case QMetaType::Double:
            return value.toDouble();
        case QMetaType::QVariantList:
            return EncodeList(value.toList());
        case QMetaType::QVariantMap: {
            QJsonObject map;
            const QVariantMap m = value.toMap();
            for (auto it = m.begin(); it != m.end(); ++it)
                map.insert(it.key(), EncodeCaptureValue(it.value()));
            return QJsonObject{{QStringLiteral("map"), map}};
        }
        default:
            return value.toLongLong();  // the smaller integers: bytes, 16- and 32-bit
    }
}

QVariant DecodeCaptureValue(const QJsonValue& value) {
    if (value.isString()) return value.toString();
    if (value.isBool()) return value.toBool();
    if (value.isDouble()) {
        const double d = value.toDouble();
        return d == static_cast<double>(static_cast<qint64>(d)) ? QVariant(static_cast<qint64>(d))
                                                                : QVariant(d);
    }
    if (value.isArray()) return DecodeList(value);
    const QJsonObject o = value.toObject();
    if (o.contains(QStringLiteral("ay")))
        return QByteArray::fromHex(o.value(QStringLiteral("ay")).toString().toLatin1());
    if (o.contains(QStringLiteral("x"))) return FromDecimal(o.value(QStringLiteral("x")));
    QVariantMap map;
    const QJsonObject m = o.value(QStringLiteral("map")).toObject();
    for (auto it = m.begin(); it != m.end(); ++it) map.insert(it.key(), DecodeCaptureValue(*it));
    return map;
}

// --- recording --------------------------------------------------------------

CCaptureLink::CCaptureLink(CNmLink& inner, QObject* parent) : m_inner(inner) {
    setParent(parent);
    connect(&m_inner, &CNmLink::received, this, [this](const NmSignal& s) {
        Write('S', {{QStringLiteral("sender"), s.sender},
                    {QStringLiteral("path"), s.path},
                    {QStringLiteral("interface"), s.interface},
                    {QStringLiteral("member"), s.member},
                    {QStringLiteral("values"), EncodeList(s.values)}});
        emit received(s);
    });
    connect(&m_inner, &CNmLink::ownerChanged, this, [this](const QString& owner) {
        Write('O', {{QStringLiteral("owner"), owner}});
        emit ownerChanged(owner);
    });
}

CCaptureLink::~CCaptureLink() = default;

bool CCaptureLink::Open(const QString& path, QString& error) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            error = m_file.errorString();
            return false;
        }
        m_startNs = m_inner.BoottimeNs();
        m_file.write("# pellorin wifi capture 1\n# recorded-by: pellorin Wi-Fi adapter\n");
        m_file.write(
            "# started: " + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + '\n');
        // Where the recording came from, for whoever reads a report.
        const QString program = QCoreApplication::applicationName() + QLatin1Char(' ') +
                                QCoreApplication::applicationVersion();
        m_file.write("# program: " + program.trimmed().toUtf8() + '\n');
        m_file.write("# system: " + QSysInfo::prettyProductName().toUtf8() + ", kernel " +
                     QSysInfo::kernelVersion().toUtf8() + '\n');
        m_file.write("# fields: seconds B|C|R|S|O|T|K json\n");
    }
    QJsonObject bus{{QStringLiteral("connected"), m_inner.Connected()}};
    if (!m_inner.Connected()) bus.insert(QStringLiteral("error"), m_inner.BusError());
    Write('B', bus);
    return true;
}

void CCaptureLink::Write(char kind, const QJsonObject& record) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_file.isOpen()) return;
    const double seconds = static_cast<double>(BoottimeNowNs() - m_startNs) / 1e9;
    m_file.write(QByteArray::number(seconds, 'f', 6) + ' ' + kind + ' ' +
                 QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();  // a capture is for when things go wrong: keep what came
}

void CCaptureLink::Call(const QString& path, const QString& interface, const QString& method,
                        const QVariantList& arguments, std::chrono::milliseconds bound,
                        ReplyFn onReply) {
    const int id = m_nextId++;
    Write('C', {{QStringLiteral("id"), id},
                {QStringLiteral("path"), path},
                {QStringLiteral("interface"), interface},
                {QStringLiteral("method"), method},
                {QStringLiteral("args"), EncodeList(arguments)}});
    m_inner.Call(
        path, interface, method, arguments, bound,
        [this, id, onReply = std::move(onReply)](const NmReply& r) {
            QJsonObject answer{{QStringLiteral("id"), id}, {QStringLiteral("sender"), r.sender}};
            if (r.Failed()) {
                answer.insert(QStringLiteral("error"), r.errorName);
                answer.insert(QStringLiteral("text"), r.errorText);
            } else {
                answer.insert(QStringLiteral("values"), EncodeList(r.values));
            }
            Write('R', answer);
            onReply(r);
        });
}

int64_t CCaptureLink::BoottimeNs() {
    const int64_t ns = m_inner.BoottimeNs();
    Write('T', {{QStringLiteral("ns"), Decimal(ns)}});
    return ns;
}

void CCaptureLink::TakeKernelDumps(const std::string& interfaceName, DumpsFn onDumps) {
    // Recorded when the scanner gets them, between the answers and signals it got.
    m_inner.TakeKernelDumps(
        interfaceName, [this, onDumps = std::move(onDumps)](const KernelDumps& dumps) {
            Write('K', {{QStringLiteral("interface"), QString::fromStdString(dumps.interfaceName)},
                        {QStringLiteral("dumpNs"), Decimal(dumps.dumpBoottimeNs)},
                        {QStringLiteral("scan"), EncodeAnswer(dumps.scan)},
                        {QStringLiteral("station"), EncodeAnswer(dumps.station)},
                        {QStringLiteral("survey"), EncodeAnswer(dumps.survey)}});
            onDumps(dumps);
        });
}

// --- reading ----------------------------------------------------------------

bool LoadWifiCapture(const QString& path, std::vector<WifiCaptureRecord>& records, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        ++number;
        if (line.isEmpty() || line.startsWith('#')) continue;
        const qsizetype first = line.indexOf(' ');
        const qsizetype second = first < 0 ? -1 : line.indexOf(' ', first + 1);
        bool ok = false;
        WifiCaptureRecord r;
        r.seconds = first < 0 ? 0 : line.left(first).toDouble(&ok);
        QJsonParseError parse{};
        const QJsonDocument doc =
            second < 0 ? QJsonDocument() : QJsonDocument::fromJson(line.mid(second + 1), &parse);
        if (!ok || second != first + 2 || !doc.isObject() ||
            !QByteArray("BCRSOTK").contains(line.at(first + 1))) {
            error = QStringLiteral("%1:%2: not a capture record").arg(path).arg(number);
            return false;
        }
        r.kind = line.at(first + 1);
        r.data = doc.object();
        records.push_back(std::move(r));
    }
    return true;
}

// --- replay -----------------------------------------------------------------

CReplayLink::CReplayLink(std::vector<WifiCaptureRecord> records, QObject* parent)
    : m_records(std::move(records)) {
    setParent(parent);
    for (const WifiCaptureRecord& r : m_records) {
        if (r.kind == 'B') {
            m_connected = r.data.value(QStringLiteral("connected")).toBool();
            m_busError = r.data.value(QStringLiteral("error")).toString();
        }
    }
    QTimer::singleShot(0, this, &CReplayLink::Step);
}

void CReplayLink::Call(const QString& path, const QString& interface, const QString& method,
                       const QVariantList&, std::chrono::milliseconds, ReplyFn onReply) {
    m_calls.push_back({path, interface, method, std::move(onReply)});
    QTimer::singleShot(0, this, &CReplayLink::Step);
}

int64_t CReplayLink::BoottimeNs() {
    if (m_clock.empty()) {
        m_divergences << QStringLiteral("a clock reading the recording does not have");
        return m_lastClock;
    }
    m_lastClock = m_clock.front();
    m_clock.pop_front();
    return m_lastClock;
}

void CReplayLink::TakeKernelDumps(const std::string&, DumpsFn onDumps) {
    m_dumpsAsked.push_back(std::move(onDumps));
    QTimer::singleShot(0, this, &CReplayLink::Step);
}

void CReplayLink::Step() {
    // Deliveries are queued in the recording's order, so that the scanner
    // sees answers, signals and clock readings in the order they came.
    for (; m_cursor < m_records.size(); ++m_cursor) {
        const WifiCaptureRecord& r = m_records[m_cursor];
        const QJsonObject& d = r.data;
        if (r.kind == 'C') {
            auto it = std::find_if(m_calls.begin(), m_calls.end(), [&](const Waiting& w) {
                return w.path == d.value(QStringLiteral("path")).toString() &&
                       w.interface == d.value(QStringLiteral("interface")).toString() &&
                       w.method == d.value(QStringLiteral("method")).toString();
            });
            if (it == m_calls.end()) return;  // the scanner has not made it yet
            m_answerTo[d.value(QStringLiteral("id")).toInt()] = std::move(it->onReply);
            m_calls.erase(it);
        } else if (r.kind == 'R') {
            const auto to = m_answerTo.find(d.value(QStringLiteral("id")).toInt());
            if (to == m_answerTo.end()) {
                m_divergences << QStringLiteral("an answer to a call that was not made");
                continue;
            }
            NmReply reply;
            reply.sender = d.value(QStringLiteral("sender")).toString();
            reply.errorName = d.value(QStringLiteral("error")).toString();
            reply.errorText = d.value(QStringLiteral("text")).toString();
            reply.values = DecodeList(d.value(QStringLiteral("values")));
            QMetaObject::invokeMethod(
                this, [fn = std::move(to->second), reply] { fn(reply); }, Qt::QueuedConnection);
            m_answerTo.erase(to);
        } else if (r.kind == 'S') {
            const NmSignal s{d.value(QStringLiteral("sender")).toString(),
                             d.value(QStringLiteral("path")).toString(),
                             d.value(QStringLiteral("interface")).toString(),
                             d.value(QStringLiteral("member")).toString(),
                             DecodeList(d.value(QStringLiteral("values")))};
            QMetaObject::invokeMethod(
                this, [this, s] { emit received(s); }, Qt::QueuedConnection);
        } else if (r.kind == 'O') {
            const QString owner = d.value(QStringLiteral("owner")).toString();
            QMetaObject::invokeMethod(
                this, [this, owner] { emit ownerChanged(owner); }, Qt::QueuedConnection);
        } else if (r.kind == 'T') {
            m_clock.push_back(FromDecimal(d.value(QStringLiteral("ns"))));
        } else if (r.kind == 'K') {
            if (m_dumpsAsked.empty()) return;  // the scanner has not asked yet
            KernelDumps dumps;
            dumps.interfaceName = d.value(QStringLiteral("interface")).toString().toStdString();
            dumps.dumpBoottimeNs = FromDecimal(d.value(QStringLiteral("dumpNs")));
            dumps.scan = DecodeAnswer(d.value(QStringLiteral("scan")).toObject());
            dumps.station = DecodeAnswer(d.value(QStringLiteral("station")).toObject());
            // Captures made before the channel survey was taken have none.
            if (d.contains(QStringLiteral("survey")))
                dumps.survey = DecodeAnswer(d.value(QStringLiteral("survey")).toObject());
            else
                dumps.survey.failure = "not in the capture";
            QMetaObject::invokeMethod(
                this, [fn = std::move(m_dumpsAsked.front()), dumps] { fn(dumps); },
                Qt::QueuedConnection);
            m_dumpsAsked.pop_front();
        }
    }
    // The recording has run out: what is still asked for is not in it. It is
    // answered as missing rather than left waiting.
    for (Waiting& w : m_calls) {
        m_divergences
            << QStringLiteral("a call the recording does not have: %1 %2").arg(w.path, w.method);
        NmReply missing;
        missing.errorName = QStringLiteral("org.freedesktop.DBus.Error.NoReply");
        missing.errorText = QStringLiteral("not in the capture");
        QMetaObject::invokeMethod(
            this, [fn = std::move(w.onReply), missing] { fn(missing); }, Qt::QueuedConnection);
    }
    m_calls.clear();
    for (DumpsFn& fn : m_dumpsAsked) {
        m_divergences << QStringLiteral("kernel dumps the recording does not have");
        KernelDumps none;
        none.scan.failure = none.station.failure = none.survey.failure = "not in the capture";
        QMetaObject::invokeMethod(
            this, [fn = std::move(fn), none] { fn(none); }, Qt::QueuedConnection);
    }
    m_dumpsAsked.clear();
}
