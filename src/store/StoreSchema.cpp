#include "store/StoreSchema.h"

#include <string>

#include "store/Sqlite.h"

namespace storeschema {
namespace {

// Version 1: the binding, the plan, the points with their readings and the
// site's settings.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE store_meta(
  key   TEXT PRIMARY KEY,
  value INTEGER NOT NULL
) WITHOUT ROWID;
CREATE TABLE asides(
  id       INTEGER PRIMARY KEY,
  time_utc TEXT NOT NULL,
  reason   TEXT NOT NULL
);
CREATE TABLE plan_scale(
  id               INTEGER PRIMARY KEY,
  metres_per_pixel REAL NOT NULL CHECK (metres_per_pixel > 0),
  x1 REAL, y1 REAL, x2 REAL, y2 REAL,
  metres           REAL,
  print_ratio      INTEGER,
  set_utc          TEXT NOT NULL,
  aside            INTEGER REFERENCES asides(id)
);
CREATE TABLE plan_source(
  id       INTEGER PRIMARY KEY CHECK (id = 1),
  file     TEXT NOT NULL,
  format   TEXT NOT NULL,
  page     INTEGER,
  dpi      REAL,
  width    INTEGER NOT NULL,
  height   INTEGER NOT NULL,
  made_utc TEXT NOT NULL
);
CREATE TABLE points(
  id          INTEGER PRIMARY KEY,
  ordinal     INTEGER,
  file_index  INTEGER,
  sequence    INTEGER,
  x           INTEGER NOT NULL,
  y           INTEGER NOT NULL,
  entries     INTEGER NOT NULL CHECK (entries >= 1),
  placeholder INTEGER NOT NULL CHECK (placeholder IN (0, 1)),
  recorded_ms INTEGER,
  deleted     INTEGER NOT NULL DEFAULT 0 CHECK (deleted IN (0, 1)),
  aside       INTEGER REFERENCES asides(id)
);
CREATE INDEX points_live ON points(aside, ordinal);
CREATE TABLE readings(
  point   INTEGER NOT NULL REFERENCES points(id) ON DELETE CASCADE,
  batch   INTEGER NOT NULL,
  mac     BLOB NOT NULL CHECK (length(mac) = 6),
  dbm     INTEGER NOT NULL,
  source  INTEGER NOT NULL,
  time_ms INTEGER NOT NULL
);
CREATE INDEX readings_point ON readings(point);
CREATE TABLE settings(
  key   TEXT PRIMARY KEY,
  value TEXT NOT NULL
) WITHOUT ROWID;
)sql";

// Version 2: room for throughput tests, noise floors and requirement
// profiles.
constexpr const char* kVersion2 = R"sql(
CREATE TABLE throughput(
  id              INTEGER PRIMARY KEY,
  point           INTEGER NOT NULL REFERENCES points(id) ON DELETE CASCADE,
  time_ms         INTEGER NOT NULL,
  server          TEXT NOT NULL,
  protocol        TEXT NOT NULL CHECK (protocol IN ('tcp', 'udp')),
  direction       TEXT NOT NULL CHECK (direction IN ('up', 'down')),
  duration_s      REAL NOT NULL,
  streams         INTEGER NOT NULL DEFAULT 1,
  bits_per_second REAL,
  retransmits     INTEGER,
  mean_rtt_us     INTEGER,
  jitter_ms       REAL,
  lost_percent    REAL,
  error           TEXT
);
CREATE INDEX throughput_point ON throughput(point);
CREATE TABLE noise(
  point   INTEGER NOT NULL REFERENCES points(id) ON DELETE CASCADE,
  band    INTEGER NOT NULL,
  channel INTEGER NOT NULL,
  dbm     INTEGER NOT NULL,
  time_ms INTEGER NOT NULL
);
CREATE INDEX noise_point ON noise(point);
CREATE TABLE requirements(
  profile             TEXT PRIMARY KEY,
  active              INTEGER NOT NULL DEFAULT 0 CHECK (active IN (0, 1)),
  primary_dbm         INTEGER,
  secondary_dbm       INTEGER,
  snr_db              INTEGER,
  max_cochannel       INTEGER,
  cochannel_floor_dbm INTEGER,
  min_aps             INTEGER,
  min_aps_dbm         INTEGER,
  min_down_mbps       REAL,
  min_up_mbps         REAL
) WITHOUT ROWID;
)sql";

constexpr const char* kSteps[] = {kVersion1, kVersion2};
static_assert(sizeof kSteps / sizeof kSteps[0] == kVersion);

}  // namespace

void Migrate(sqlite::Db& db, int64_t from, int64_t to) {
    for (int64_t v = from; v < to; ++v) db.Exec(kSteps[v]);
    db.Exec(("PRAGMA user_version = " + std::to_string(to)).c_str());
}

void SetUpConnection(sqlite::Db& db) {
    constexpr int kBusyMs = 250;  // another program's transaction, at most
    sqlite3_busy_timeout(db.Handle(), kBusyMs);
    db.Exec("PRAGMA synchronous = FULL");
    db.Exec("PRAGMA foreign_keys = ON");
}

}  // namespace storeschema
