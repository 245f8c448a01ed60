// The JSON reader on iperf3 3.12's own answers (tests/data/iperf), cut at
// every byte and garbled member by member.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "throughput/IperfJson.h"

namespace {

using F = ThroughputFault;
using P = ThroughputPhase;

QByteArray Answer(const char* name) {
    QFile f(QStringLiteral(PELLORIN_TEST_DATA "/iperf/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

// Sets (or with an undefined value removes) the member at a dotted path;
// "streams.0" is an array's element.
QJsonValue Set(QJsonValue at, const QStringList& path, const QJsonValue& v) {
    if (path.isEmpty()) return v;
    const QStringList rest = path.mid(1);
    if (at.isArray()) {
        QJsonArray a = at.toArray();
        const int i = path[0].toInt();
        a[i] = Set(a[i], rest, v);
        return a;
    }
    QJsonObject o = at.toObject();
    if (rest.isEmpty() && v.isUndefined())
        o.remove(path[0]);
    else
        o[path[0]] = Set(o.value(path[0]), rest, v);
    return o;
}

QByteArray With(const char* name, const char* path, const QJsonValue& v) {
    const QJsonValue root = QJsonDocument::fromJson(Answer(name)).object();
    return QJsonDocument(Set(root, QString(path).split('.'), v).toObject()).toJson();
}

TEST(IperfJsonTest, IperfsOwnAnswers) {
    const IperfReading up = ReadIperfJson(Answer("upload.json"), P::kUpload);
    ASSERT_TRUE(up.Ok()) << up.error;
    EXPECT_DOUBLE_EQ(up.mbps, 7589.498001941683);
    EXPECT_EQ(up.retransmits, 129);
    EXPECT_DOUBLE_EQ(up.rttMs.value_or(0), 0.068);

    const IperfReading down = ReadIperfJson(Answer("download.json"), P::kDownload);
    ASSERT_TRUE(down.Ok()) << down.error;
    EXPECT_DOUBLE_EQ(down.mbps, 7714.427046910948);
    EXPECT_EQ(down.retransmits, 70);
    EXPECT_FALSE(down.rttMs);  // the server's socket: iperf3 says 0
    EXPECT_FALSE(ReadIperfJson(Answer("download.json"), P::kUpload).rttMs);

    const IperfReading udp = ReadIperfJson(Answer("udp.json"), P::kUdp);
    ASSERT_TRUE(udp.Ok()) << udp.error;
    EXPECT_NEAR(udp.jitterMs.value_or(-1), 0.1714, 1e-4);
    EXPECT_EQ(udp.lossPct, 0);

    const std::pair<const char*, F> failures[] = {
        {"refused.json", F::kRefused}, {"busy.json", F::kBusy}, {"server-gone.json", F::kGone}};
    for (const auto& [name, fault] : failures) {
        const IperfReading r = ReadIperfJson(Answer(name), P::kDownload);
        EXPECT_EQ(r.fault, fault) << name;
        EXPECT_EQ(r.mbps, 0) << name;  // the partial figures beside the error are not taken
    }
}

TEST(IperfJsonTest, EveryCutAnswerIsGarbled) {
    for (const char* name : {"upload.json", "udp.json"}) {
        const QByteArray whole = Answer(name).trimmed();
        const P run = name[0] == 'u' && name[1] == 'd' ? P::kUdp : P::kUpload;
        for (qsizetype n = 0; n < whole.size(); ++n) {
            const IperfReading r = ReadIperfJson(whole.left(n), run);
            ASSERT_EQ(r.fault, F::kGarbled) << name << " cut at " << n;
            ASSERT_FALSE(r.error.empty());
        }
    }
}

TEST(IperfJsonTest, GarbledAnswersNameWhatIsWrong) {
    struct Row {
        QByteArray json;
        const char* complaint;
        P run = P::kUpload;
    };
    const QJsonValue gone = QJsonValue::Undefined;
    const auto up = [](const char* path, const QJsonValue& v) {
        return With("upload.json", path, v);
    };
    const Row rows[] = {
        {"", "iperf3 wrote nothing"},
        {"[1, 2]", "not a JSON object"},
        {"{\"end\": {} ", "cut short"},
        {"{\"end\" 5}", "not JSON at byte"},
        {up("end", gone), "end is missing"},
        {up("end.sum_received", gone), "end.sum_received is missing"},
        {up("end.sum_received.bits_per_second", "fast"), "is not a number"},
        {up("end.sum_received.bits_per_second", -1), "not a figure iperf3 gives"},
        {up("end.sum_received.bits_per_second", 1e14), "not a figure iperf3 gives"},
        {up("end.sum_sent", "x"), "end.sum_sent is not an object"},
        {up("end.sum_sent.retransmits", 1.5), "is not whole"},
        {up("end.sum_sent.retransmits", -3), "not a figure"},
        {up("end.streams", 5), "end.streams is not an array"},
        {up("end.streams.0", "x"), "end.streams[] is not an object"},
        {up("end.streams.0.sender.mean_rtt", "x"), "mean_rtt is not a number"},
        {up("end.streams.0.sender.mean_rtt", 1e9), "not a figure"},
        {up("error", 5), "error member is not a text"},
        {With("udp.json", "end.sum", gone), "end.sum is missing", P::kUdp},
        {With("udp.json", "end.sum.jitter_ms", -0.5), "jitter_ms is -0.5", P::kUdp},
        {With("udp.json", "end.sum.lost_percent", 101), "lost_percent is 101", P::kUdp},
    };
    for (const Row& row : rows) {
        const IperfReading r = ReadIperfJson(row.json, row.run);
        EXPECT_EQ(r.fault, F::kGarbled) << row.complaint;
        EXPECT_NE(r.error.find(row.complaint), std::string::npos)
            << row.complaint << " <- " << r.error;
        EXPECT_EQ(r.mbps, 0) << row.complaint;
        EXPECT_FALSE(r.rttMs || r.retransmits || r.jitterMs) << row.complaint;
    }
    // Members the figures do not come from may be missing: no RTT, no retransmits.
    const IperfReading bare = ReadIperfJson(With("upload.json", "end.streams", gone), P::kUpload);
    ASSERT_TRUE(bare.Ok());
    EXPECT_FALSE(bare.rttMs);
    EXPECT_FALSE(ReadIperfJson(With("upload.json", "end.sum_sent", gone), P::kUpload).retransmits);
}

}  // namespace
