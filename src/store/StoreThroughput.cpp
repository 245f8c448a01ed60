// A point's throughput test in the store's `throughput` table, one row per
// direction of one test, all with the test's start as `time_ms`:
//
//   protocol direction  bits_per_second  retransmits  mean_rtt_us  jitter_ms lost_percent
//   tcp      down       received         the server's
//   tcp      up         received         the client's  the client's
//   udp      up         received                                   yes       yes
//   tcp      down       NULL (a test that measured nothing; `error` "CAUSE: reason")
//
// `duration_s` is the direction's asked seconds (a failed test's: 0). The
// point's test is its rows of the latest `time_ms`.

#include <chrono>
#include <functional>

#include "store/Sqlite.h"
#include "store/SurveyStore.h"

namespace {

using sqlite::Db;
using sqlite::Stmt;

struct Direction {
    const char* protocol;
    const char* direction;
};
constexpr Direction kDown{"tcp", "down"}, kUp{"tcp", "up"}, kUdp{"udp", "up"};

template <class T>
void BindOr(Stmt& s, int i, const std::optional<T>& v) {
    if (v)
        s.Bind(i, *v);
    else
        s.BindNull(i);
}

int64_t UtcMsNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool CSurveyStore::ThroughputTested(int64_t pointId, const ThroughputOutcome& outcome) {
    return Guard([&](Db& db) {
        sqlite::Transaction t(db);
        // One row; `fill` binds the figures (columns 7 to 12, NULL unless bound).
        const auto insert = [&](const Direction& d, int64_t timeMs, const std::string& server,
                                double seconds, const std::function<void(Stmt&)>& fill) {
            Stmt s(db,
                   "INSERT INTO throughput(point, time_ms, server, protocol, direction, "
                   "duration_s, bits_per_second, retransmits, mean_rtt_us, jitter_ms, "
                   "lost_percent, error) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            s.Bind(1, pointId).Bind(2, timeMs).Bind(3, server);
            s.Bind(4, std::string(d.protocol)).Bind(5, std::string(d.direction));
            s.Bind(6, seconds);
            for (int i = 7; i <= 12; ++i) s.BindNull(i);
            fill(s);
            s.Run();
        };
        if (!outcome.Measured()) {
            insert(kDown, UtcMsNow(), "", 0, [&](Stmt& s) {
                s.Bind(12, std::string(ThroughputFaultName(outcome.fault)) + ": " + outcome.reason);
            });
        } else {
            const ThroughputFigures& f = *outcome.figures;
            const double seconds = f.seconds;
            insert(kDown, f.startUtcMs, f.server, seconds, [&](Stmt& s) {
                s.Bind(7, f.downMbps * 1e6);
                BindOr(s, 8, f.downRetransmits);
            });
            insert(kUp, f.startUtcMs, f.server, seconds, [&](Stmt& s) {
                s.Bind(7, f.upMbps * 1e6);
                BindOr(s, 8, f.upRetransmits);
                if (f.rttMs) s.Bind(9, static_cast<int64_t>(*f.rttMs * 1000.0 + 0.5));
            });
            if (f.udpJitterMs || f.udpLossPct)
                insert(kUdp, f.startUtcMs, f.server, seconds, [&](Stmt& s) {
                    if (f.udpRateBps) s.Bind(7, static_cast<double>(*f.udpRateBps));
                    BindOr(s, 10, f.udpJitterMs);
                    BindOr(s, 11, f.udpLossPct);
                });
        }
        t.Commit();
    });
}

std::optional<ThroughputOutcome> CSurveyStore::PointThroughput(size_t ordinal) {
    return TestAt("ordinal", ordinal);
}

std::optional<ThroughputOutcome> CSurveyStore::FilePointThroughput(size_t fileIndex) {
    return TestAt("file_index", fileIndex);
}

std::optional<ThroughputOutcome> CSurveyStore::TestAt(const char* column, size_t place) {
    std::optional<ThroughputOutcome> out;
    Guard([&](Db& db) {
        const std::string sql =
            std::string("WITH p AS (SELECT id FROM points WHERE aside IS NULL AND ") + column +
            " = ?) SELECT protocol, direction, server, time_ms, duration_s, bits_per_second, "
            "retransmits, mean_rtt_us, jitter_ms, lost_percent, error FROM throughput "
            "WHERE point = (SELECT id FROM p) AND time_ms = (SELECT MAX(time_ms) FROM "
            "throughput WHERE point = (SELECT id FROM p)) ORDER BY id";
        Stmt s(db, sql.c_str());
        s.Bind(1, static_cast<int64_t>(place));
        ThroughputFigures f;
        while (s.Step()) {
            if (!s.IsNull(10)) {  // a test that measured nothing
                const std::string error = s.Text(10);
                ThroughputOutcome o;
                o.fault = ThroughputFault::kFailed;
                const size_t colon = error.find(": ");
                for (int i = 0; i < kThroughputFaultCount; ++i)
                    if (error.compare(0, colon, ThroughputFaultName(ThroughputFault(i))) == 0)
                        o.fault = ThroughputFault(i);
                o.reason = colon == std::string::npos ? error : error.substr(colon + 2);
                out = o;
                return;
            }
            const std::string protocol = s.Text(0), direction = s.Text(1);
            const auto optionalInt = [&](int c) {
                return s.IsNull(c) ? std::nullopt : std::optional<int64_t>(s.Int(c));
            };
            const auto optionalReal = [&](int c) {
                return s.IsNull(c) ? std::nullopt : std::optional<double>(s.Real(c));
            };
            f.server = s.Text(2);
            f.startUtcMs = s.Int(3);
            f.seconds = static_cast<int32_t>(s.Real(4));
            f.durationSeconds += s.Real(4);
            if (protocol == "udp") {
                f.udpRateBps = optionalInt(5);
                f.udpJitterMs = optionalReal(8);
                f.udpLossPct = optionalReal(9);
            } else if (direction == "down") {
                f.downMbps = s.Real(5) / 1e6;
                f.downRetransmits = optionalInt(6);
            } else {
                f.upMbps = s.Real(5) / 1e6;
                f.upRetransmits = optionalInt(6);
                if (const auto us = optionalInt(7)) f.rttMs = static_cast<double>(*us) / 1000.0;
            }
            out = ThroughputOutcome{ThroughputFault::kNone, {}, f};
        }
    });
    return out;
}
