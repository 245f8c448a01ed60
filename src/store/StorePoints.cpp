#include "store/StorePoints.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <utility>

#include "store/Sqlite.h"

namespace storepoints {
namespace {

using sqlite::Db;
using sqlite::Stmt;

// store_meta keys: the binding of the site file, of its plan, and of a save
// under way.
constexpr const char* kKeys[] = {"site_size",         "site_save_time", "site_crc",
                                 "plan_crc",          "plan_bytes",     "pending_size",
                                 "pending_save_time", "pending_crc"};

void Put(Db& db, const char* key, int64_t value) {
    Stmt(db, "INSERT OR REPLACE INTO store_meta(key, value) VALUES (?, ?)")
        .Bind(1, std::string(key))
        .Bind(2, value)
        .Run();
}

std::string UtcText(time_t now) {
    struct tm t {};
    gmtime_r(&now, &t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &t);
    return text;
}

SequencePoint PointOf(const Stmt& s, int col) {
    SequencePoint p;
    p.id = s.Int(col);
    p.x = static_cast<int32_t>(s.Int(col + 1));
    p.y = static_cast<int32_t>(s.Int(col + 2));
    p.entries = static_cast<int32_t>(s.Int(col + 3));
    p.placeholder = s.Int(col + 4) != 0;
    return p;
}

}  // namespace

Meta ReadMeta(Db& db) {
    int64_t v[8] = {};
    bool has[8] = {};
    Stmt s(db, "SELECT key, value FROM store_meta");
    while (s.Step()) {
        const std::string key = s.Text(0);
        for (int i = 0; i < 8; ++i)
            if (key == kKeys[i]) v[i] = s.Int(1), has[i] = true;
    }
    Meta m;
    if (has[0] && has[1] && has[2] && has[3] && has[4]) {
        StoreBinding b;
        b.site = {static_cast<uint64_t>(v[0]), static_cast<uint32_t>(v[1]),
                  static_cast<uint32_t>(v[2])};
        b.planCrc = static_cast<uint32_t>(v[3]);
        b.planBytes = static_cast<uint64_t>(v[4]);
        m.binding = b;
    }
    if (has[5] && has[6] && has[7])
        m.pendingSave = JournalBinding{static_cast<uint64_t>(v[5]), static_cast<uint32_t>(v[6]),
                                       static_cast<uint32_t>(v[7])};
    return m;
}

void WriteBinding(Db& db, const StoreBinding& b) {
    Put(db, kKeys[0], static_cast<int64_t>(b.site.siteSize));
    Put(db, kKeys[1], b.site.lastSaveTime);
    Put(db, kKeys[2], b.site.contentCrc);
    Put(db, kKeys[3], b.planCrc);
    Put(db, kKeys[4], static_cast<int64_t>(b.planBytes));
}

void WritePendingSave(Db& db, const std::optional<JournalBinding>& pending) {
    if (!pending) {
        db.Exec("DELETE FROM store_meta WHERE key LIKE 'pending_%'");
        return;
    }
    Put(db, kKeys[5], static_cast<int64_t>(pending->siteSize));
    Put(db, kKeys[6], pending->lastSaveTime);
    Put(db, kKeys[7], pending->contentCrc);
}

int64_t NewAside(Db& db, const std::string& reason, time_t now) {
    Stmt(db, "INSERT INTO asides(time_utc, reason) VALUES (?, ?)")
        .Bind(1, UtcText(now))
        .Bind(2, reason)
        .Run();
    return db.LastInsertId();
}

bool SetPointsAside(Db& db, int64_t aside, Which which) {
    const char* filter = which == Which::kAll ? "" : " AND file_index IS NULL";
    const std::string live = std::string("aside IS NULL") + filter;
    Stmt any(db, ("SELECT EXISTS (SELECT 1 FROM readings JOIN points ON points.id = point WHERE " +
                  live + ")")
                     .c_str());
    const bool hadReadings = any.Step() && any.Int(0) != 0;
    Stmt(db, ("UPDATE points SET aside = ?, ordinal = NULL WHERE " + live).c_str())
        .Bind(1, aside)
        .Run();
    return hadReadings;
}

bool SetScaleAside(Db& db, int64_t aside) {
    Stmt(db, "UPDATE plan_scale SET aside = ? WHERE aside IS NULL").Bind(1, aside).Run();
    return db.Changes() > 0;
}

// "+aside" in the statements that visit every live row: one pass over the
// table rather than a seek into it for each row found through points_live
// (Open runs three; together about a sixth fewer instructions).
std::vector<SequencePoint> FilePoints(Db& db) {
    std::vector<SequencePoint> out;
    Stmt s(db,
           "SELECT id, x, y, entries, placeholder FROM points WHERE +aside IS NULL AND "
           "file_index IS NOT NULL ORDER BY file_index");
    while (s.Step()) out.push_back(PointOf(s, 0));
    return out;
}

LiveFilePoints ReadLiveFilePoints(Db& db) {
    LiveFilePoints out;
    // In the table's order, put in file order here: SQLite's sorter took as
    // long as the reading.
    std::vector<std::pair<int64_t, SequencePoint>> rows;
    Stmt s(db,
           "SELECT id, x, y, entries, placeholder, file_index, ordinal FROM points WHERE "
           "+aside IS NULL");
    while (s.Step()) {
        if (s.IsNull(5)) {
            out.unsaved = true;
            continue;
        }
        const bool inSurvey = !s.IsNull(6);
        if (inSurvey) out.surveyIsNone = false;
        if (!inSurvey || s.Int(6) != s.Int(5)) out.surveyIsFile = false;
        rows.emplace_back(s.Int(5), PointOf(s, 0));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    out.file.reserve(rows.size());
    for (const auto& row : rows) out.file.push_back(row.second);
    return out;
}

void AddFilePoints(Db& db, const std::vector<SequencePoint>& points, bool inSurvey) {
    Stmt s(db,
           "INSERT INTO points(file_index, ordinal, x, y, entries, placeholder) "
           "VALUES (?1, CASE WHEN ?6 THEN ?1 END, ?2, ?3, ?4, ?5)");
    for (size_t i = 0; i < points.size(); ++i) {
        const SequencePoint& p = points[i];
        s.Bind(1, static_cast<int64_t>(i)).Bind(2, int64_t{p.x}).Bind(3, int64_t{p.y});
        s.Bind(4, int64_t{p.entries}).Bind(5, int64_t{p.placeholder});
        s.Bind(6, int64_t{inSurvey}).Run();
    }
}

void LoadSequence(Db& db, CSurveySequence& out) {
    out.Clear();
    Stmt s(db,
           "SELECT id, x, y, entries, placeholder FROM points WHERE aside IS NULL AND "
           "ordinal IS NOT NULL ORDER BY ordinal");
    while (s.Step()) out.Append(PointOf(s, 0));
}

void SurveyIsFile(Db& db, bool keptPoints) {
    // Only rows that change are written: reopening a site touches nothing.
    db.Exec(keptPoints ? "UPDATE points SET ordinal = file_index WHERE +aside IS NULL AND "
                         "ordinal IS NOT file_index"
                       : "UPDATE points SET ordinal = NULL WHERE aside IS NULL AND "
                         "ordinal IS NOT NULL");
}

void WriteOrdinals(Db& db, const CSurveySequence& seq) {
    db.Exec("UPDATE points SET ordinal = NULL WHERE aside IS NULL");
    Stmt s(db, "UPDATE points SET ordinal = ? WHERE id = ?");
    for (size_t i = 0; i < seq.Size(); ++i)
        s.Bind(1, static_cast<int64_t>(i)).Bind(2, seq.Points()[i].id).Run();
}

std::vector<Unsaved> UnsavedPoints(Db& db) {
    std::vector<Unsaved> out;
    Stmt s(db,
           "SELECT id, x, y, entries, placeholder, sequence FROM points WHERE +aside IS NULL AND "
           "file_index IS NULL");
    while (s.Step()) {
        Unsaved u;
        u.check = PointOf(s, 0);
        u.id = u.check.id;
        u.sequence = s.IsNull(5) ? -1 : s.Int(5);
        out.push_back(u);
    }
    return out;
}

void DeletePoint(Db& db, int64_t id) {
    Stmt(db, "DELETE FROM points WHERE id = ?").Bind(1, id).Run();
}

int64_t InsertPoint(Db& db, const SequencePoint& p, int64_t ordinal,
                    std::optional<int64_t> sequence, int64_t recordedMs) {
    Stmt s(db,
           "INSERT INTO points(ordinal, sequence, x, y, entries, placeholder, recorded_ms) "
           "VALUES (?, ?, ?, ?, ?, ?, ?)");
    s.Bind(1, ordinal);
    if (sequence) s.Bind(2, *sequence);
    s.Bind(3, int64_t{p.x}).Bind(4, int64_t{p.y}).Bind(5, int64_t{p.entries});
    s.Bind(6, int64_t{p.placeholder});
    if (recordedMs != 0) s.Bind(7, recordedMs);
    s.Run();
    return db.LastInsertId();
}

void InsertReadings(Db& db, int64_t point, const std::vector<ScanReading>& readings) {
    Stmt s(db,
           "INSERT INTO readings(point, batch, mac, dbm, source, time_ms) VALUES (?, ?, ?, ?, ?, "
           "?)");
    for (const ScanReading& r : readings) {
        s.Bind(1, point).Bind(2, int64_t{r.batch}).BindBlob(3, r.mac, 6);
        s.Bind(4, int64_t{r.dbm}).Bind(5, static_cast<int64_t>(r.source)).Bind(6, r.timeMs).Run();
    }
}

void InsertNoise(Db& db, int64_t point, const std::vector<ScanNoise>& noise) {
    Stmt s(db, "INSERT INTO noise(point, band, channel, dbm, time_ms) VALUES (?, ?, ?, ?, ?)");
    for (const ScanNoise& n : noise) {
        s.Bind(1, point).Bind(2, int64_t{n.band}).Bind(3, int64_t{n.channel});
        s.Bind(4, int64_t{n.dbm}).Bind(5, n.timeMs).Run();
    }
}

void RemoveFromSurvey(Db& db, int64_t first, int64_t count) {
    Stmt(db,
         "UPDATE points SET ordinal = NULL WHERE aside IS NULL AND ordinal >= ? AND ordinal < ?")
        .Bind(1, first)
        .Bind(2, first + count)
        .Run();
    Stmt(db, "UPDATE points SET ordinal = ordinal - ? WHERE aside IS NULL AND ordinal >= ?")
        .Bind(1, count)
        .Bind(2, first + count)
        .Run();
}

void Settle(Db& db, const JournalBinding& saved) {
    CSurveySequence seq;
    LoadSequence(db, seq);
    const std::vector<size_t> groups = seq.FileGroups();
    Stmt moveReadings(db, "UPDATE readings SET point = ? WHERE point = ?");
    Stmt moveThroughput(db, "UPDATE throughput SET point = ? WHERE point = ?");
    Stmt moveNoise(db, "UPDATE noise SET point = ? WHERE point = ?");
    Stmt drop(db, "DELETE FROM points WHERE id = ?");
    Stmt keep(db,
              "UPDATE points SET file_index = ?, ordinal = ?, sequence = NULL, entries = ?, "
              "placeholder = ? WHERE id = ?");
    // Every point outside the survey goes first, so that file indexes are
    // free for the saved groups.
    db.Exec("DELETE FROM points WHERE aside IS NULL AND ordinal IS NULL");
    db.Exec("UPDATE points SET file_index = NULL WHERE aside IS NULL");
    const auto& pts = seq.Points();
    for (size_t i = 0; i < pts.size();) {
        size_t end = i + 1;
        int64_t apEntries = pts[i].ApEntries();
        for (; end < pts.size() && groups[end] == groups[i]; ++end) {
            apEntries += pts[end].ApEntries();
            for (Stmt* move : {&moveReadings, &moveThroughput, &moveNoise})
                move->Bind(1, pts[i].id).Bind(2, pts[end].id).Run();
            drop.Bind(1, pts[end].id).Run();
        }
        const auto g = static_cast<int64_t>(groups[i]);
        keep.Bind(1, g).Bind(2, g).Bind(3, apEntries > 0 ? apEntries : int64_t{1});
        keep.Bind(4, int64_t{apEntries == 0}).Bind(5, pts[i].id).Run();
        i = end;
    }
    StoreBinding b = *ReadMeta(db).binding;
    b.site = saved;
    WriteBinding(db, b);
    WritePendingSave(db, std::nullopt);
}

}  // namespace storepoints
