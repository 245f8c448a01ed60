#include "throughput/IperfJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>

#include "throughput/IperfErrors.h"

namespace {

constexpr double kMaxBitsPerSecond = 1e13;
constexpr double kMaxRttUs = 6e7;
constexpr double kMaxJitterMs = 60000;
constexpr double kMaxWhole = 9007199254740992.0;  // 2^53: every whole number a double holds

// Fails the reading with `what` and gives nothing.
struct Reader {
    IperfReading& out;

    bool Garbled(const std::string& what) {
        out.fault = ThroughputFault::kGarbled;
        out.error = what;
        return false;
    }
    bool Object(const QJsonObject& in, const char* key, const std::string& path, QJsonObject& obj) {
        const QJsonValue v = in.value(QLatin1String(key));
        if (v.isUndefined()) return Garbled(path + " is missing");
        if (!v.isObject()) return Garbled(path + " is not an object");
        obj = v.toObject();
        return true;
    }
    bool Number(const QJsonObject& in, const char* key, const std::string& path, double lo,
                double hi, double& value) {
        const QJsonValue v = in.value(QLatin1String(key));
        if (v.isUndefined()) return Garbled(path + " is missing");
        if (!v.isDouble()) return Garbled(path + " is not a number");
        value = v.toDouble();
        if (!std::isfinite(value) || value < lo || value > hi)
            return Garbled(path + " is " + QByteArray::number(value).toStdString() +
                           ", not a figure iperf3 gives");
        return true;
    }
};

bool ReadTcp(Reader& r, const QJsonObject& end, ThroughputPhase run) {
    QJsonObject received;
    double bps = 0;
    if (!r.Object(end, "sum_received", "end.sum_received", received) ||
        !r.Number(received, "bits_per_second", "end.sum_received.bits_per_second", 0,
                  kMaxBitsPerSecond, bps))
        return false;
    r.out.mbps = bps / 1e6;

    if (const QJsonValue sent = end.value(QLatin1String("sum_sent")); !sent.isUndefined()) {
        if (!sent.isObject()) return r.Garbled("end.sum_sent is not an object");
        const QJsonObject s = sent.toObject();
        if (s.contains(QLatin1String("retransmits"))) {
            double n = 0;
            if (!r.Number(s, "retransmits", "end.sum_sent.retransmits", 0, kMaxWhole, n))
                return false;
            if (n != std::floor(n)) return r.Garbled("end.sum_sent.retransmits is not whole");
            r.out.retransmits = static_cast<int64_t>(n);
        }
    }

    if (run != ThroughputPhase::kUpload) return true;
    const QJsonValue streams = end.value(QLatin1String("streams"));
    if (streams.isUndefined()) return true;  // no TCP statistics: no RTT
    if (!streams.isArray()) return r.Garbled("end.streams is not an array");
    double sum = 0;
    int count = 0;
    for (const QJsonValue& stream : streams.toArray()) {
        if (!stream.isObject()) return r.Garbled("end.streams[] is not an object");
        QJsonObject sender;
        if (!r.Object(stream.toObject(), "sender", "end.streams[].sender", sender)) return false;
        if (!sender.contains(QLatin1String("mean_rtt"))) continue;  // not on every system
        double us = 0;
        if (!r.Number(sender, "mean_rtt", "end.streams[].sender.mean_rtt", 0, kMaxRttUs, us))
            return false;
        if (us > 0) {
            sum += us;
            ++count;
        }
    }
    if (count > 0) r.out.rttMs = sum / count / 1000.0;
    return true;
}

bool ReadUdp(Reader& r, const QJsonObject& end) {
    QJsonObject sum;
    double bps = 0, jitter = 0, loss = 0;
    if (!r.Object(end, "sum", "end.sum", sum) ||
        !r.Number(sum, "bits_per_second", "end.sum.bits_per_second", 0, kMaxBitsPerSecond, bps) ||
        !r.Number(sum, "jitter_ms", "end.sum.jitter_ms", 0, kMaxJitterMs, jitter) ||
        !r.Number(sum, "lost_percent", "end.sum.lost_percent", 0, 100, loss))
        return false;
    r.out.mbps = bps / 1e6;
    r.out.jitterMs = jitter;
    r.out.lossPct = loss;
    return true;
}

}  // namespace

IperfReading ReadIperfJson(const QByteArray& json, ThroughputPhase run) {
    IperfReading out;
    Reader r{out};
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        if (json.trimmed().isEmpty())
            r.Garbled("iperf3 wrote nothing");
        else if (parse.offset >= json.trimmed().size())
            r.Garbled("the answer is cut short");
        else
            r.Garbled("not JSON at byte " + std::to_string(parse.offset) + ": " +
                      parse.errorString().toStdString());
        return out;
    }
    if (!doc.isObject()) {
        r.Garbled("the answer is not a JSON object");
        return out;
    }
    const QJsonObject top = doc.object();
    if (const QJsonValue error = top.value(QLatin1String("error")); !error.isUndefined()) {
        if (!error.isString()) {
            r.Garbled("its error member is not a text");
            return out;
        }
        out.error = error.toString().toStdString();
        out.fault = ClassifyIperfError(out.error);
        return out;
    }
    QJsonObject end;
    if (!r.Object(top, "end", "end", end)) return out;
    if (!(run == ThroughputPhase::kUdp ? ReadUdp(r, end) : ReadTcp(r, end, run))) {
        IperfReading bad;  // no figure of a garbled answer leaves the reader
        bad.error = out.error;
        return bad;
    }
    out.fault = ThroughputFault::kNone;
    return out;
}
