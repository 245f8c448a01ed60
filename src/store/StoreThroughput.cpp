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
    auto found = TestsAt("ordinal", ordinal);
    if (found.empty()) return std::nullopt;
    return std::move(found.begin()->second);
}

std::optional<ThroughputOutcome> CSurveyStore::FilePointThroughput(size_t fileIndex) {
    auto found = TestsAt("file_index", fileIndex);
    if (found.empty()) return std::nullopt;
    return std::move(found.begin()->second);
}

std::map<size_t, ThroughputOutcome> CSurveyStore::EveryPointThroughput() {
    return TestsAt("ordinal", std::nullopt);
}

std::map<size_t, ThroughputOutcome> CSurveyStore::TestsAt(const char* column,
                                                          std::optional<size_t> place) {
    std::map<size_t, ThroughputOutcome> out;
    Guard([&](Db& db) {
        const std::string key = std::string("p.") + column;
        const std::string sql =
            "SELECT " + key +
            ", t.protocol, t.direction, t.server, t.time_ms, t.duration_s, "
            "t.bits_per_second, t.retransmits, t.mean_rtt_us, t.jitter_ms, t.lost_percent, "
            "t.error FROM throughput t JOIN points p ON p.id = t.point WHERE p.aside IS NULL "
            "AND " +
            key + (place ? " = ?" : " >= 0") +
            " AND t.time_ms = (SELECT MAX(time_ms) FROM throughput WHERE point = t.point) "
            "ORDER BY " +
            key + ", t.id";
        Stmt s(db, sql.c_str());
        if (place) s.Bind(1, static_cast<int64_t>(*place));
        // Rows come a point at a time; a row that measured nothing is the
        // point's whole test.
        std::optional<size_t> point;
        bool failed = false;
        ThroughputFigures f;
        while (s.Step()) {
            const auto at = static_cast<size_t>(s.Int(0));
            if (at != point) point = at, failed = false, f = ThroughputFigures{};
            if (failed) continue;
            if (!s.IsNull(11)) {  // a test that measured nothing
                const std::string error = s.Text(11);
                ThroughputOutcome o;
                o.fault = ThroughputFault::kFailed;
                const size_t colon = error.find(": ");
                for (int i = 0; i < kThroughputFaultCount; ++i)
                    if (error.compare(0, colon, ThroughputFaultName(ThroughputFault(i))) == 0)
                        o.fault = ThroughputFault(i);
                o.reason = colon == std::string::npos ? error : error.substr(colon + 2);
                out[at] = o;
                failed = true;
                continue;
            }
            const std::string protocol = s.Text(1), direction = s.Text(2);
            const auto optionalInt = [&](int c) {
                return s.IsNull(c) ? std::nullopt : std::optional<int64_t>(s.Int(c));
            };
            const auto optionalReal = [&](int c) {
                return s.IsNull(c) ? std::nullopt : std::optional<double>(s.Real(c));
            };
            f.server = s.Text(3);
            f.startUtcMs = s.Int(4);
            f.seconds = static_cast<int32_t>(s.Real(5));
            f.durationSeconds += s.Real(5);
            if (protocol == "udp") {
                f.udpRateBps = optionalInt(6);
                f.udpJitterMs = optionalReal(9);
                f.udpLossPct = optionalReal(10);
            } else if (direction == "down") {
                f.downMbps = s.Real(6) / 1e6;
                f.downRetransmits = optionalInt(7);
            } else {
                f.upMbps = s.Real(6) / 1e6;
                f.upRetransmits = optionalInt(7);
                if (const auto us = optionalInt(8)) f.rttMs = static_cast<double>(*us) / 1000.0;
            }
            out[at] = ThroughputOutcome{ThroughputFault::kNone, {}, f};
        }
    });
    return out;
}
