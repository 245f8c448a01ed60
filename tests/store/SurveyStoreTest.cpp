// The survey store through a survey's life: points and their readings kept,
// deleted, saved, recovered and set aside; the binding to the site file;
// versions of the store; a damaged or locked store.

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "StoreFixture.h"
#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "map/CircleLog.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"
#include "store/Sqlite.h"
#include "store/StorePeek.h"
#include "store/StoreSchema.h"

namespace fs = std::filesystem;

// Noise floors alike in every field.
bool operator==(const ScanNoise& a, const ScanNoise& b) {
    return std::tie(a.band, a.channel, a.dbm, a.timeMs) ==
           std::tie(b.band, b.channel, b.dbm, b.timeMs);
}

namespace {

TEST(SurveySequenceTest, RunsAndSaveGroups) {
    CSurveySequence seq;
    // (x, entries, placeholder): two points at 5, a placeholder and a point at 9, one at 7
    const struct {
        int32_t x, entries;
        bool placeholder;
    } points[] = {{5, 2, false}, {5, 1, false}, {9, 1, true}, {9, 3, false}, {7, 1, false}};
    for (const auto& p : points) seq.Append({0, p.x, 0, p.entries, p.placeholder});
    EXPECT_EQ(seq.FileGroups(), (std::vector<size_t>{0, 0, 1, 1, 2}));

    const struct {
        int32_t first, removed;
        bool found;
        size_t at, count;
    } runs[] = {
        {1, 3, true, 0, 2},                        // the run at 5: both points
        {3, 1, true, 1, 1},                        // its second point alone
        {4, 4, true, 2, 2},                        // placeholder and point at 9
        {2, 1, false, 0, 0},                       // inside a point
        {4, 5, false, 0, 0},                       // across two positions
        {8, 1, true, 4, 1},  {9, 1, false, 0, 0},  // past the end
    };
    for (const auto& r : runs) {
        const auto got = seq.LocateRun(r.first, r.removed);
        ASSERT_EQ(got.has_value(), r.found) << r.first << "+" << r.removed;
        if (got) {
            EXPECT_EQ(got->first * 100 + got->count, r.at * 100 + r.count) << r.first;
        }
        // Searched on from the run at 5 (entries 1 to 3): the same answer.
        const auto on = seq.LocateRun(r.first, r.removed, {0, 2}, 4);
        EXPECT_EQ(on ? on->first * 100 + on->count : 999, got ? got->first * 100 + got->count : 999)
            << r.first;
    }
}

TEST(FilePointsTest, TheFilesGroupsAsOpenLoadsThem) {
    FileSource src(std::string(PELLORIN_SAMPLES) + "/office-surveyed.hss");
    CSiteRecord site;
    ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    const std::vector<SequencePoint> points = FilePointsOf(src, site);
    CApList list;
    std::vector<LoggedCircle> circles;
    CSiteRecord again = site;
    ASSERT_TRUE(ReadPoints(src, again, list, [&](int32_t x, int32_t y, int16_t s) {
                    circles.push_back({x, y, s, 0});
                }).ok);
    ASSERT_GT(points.size(), 2u);
    ASSERT_EQ(points.size(), circles.size());
    int64_t entries = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].x * 100000 + points[i].y, circles[i].x * 100000 + circles[i].y);
        circles[i].records = points[i].entries;
        entries += points[i].entries;
    }
    EXPECT_EQ(entries, list.Count());
    // The same, from the survey list and the circle log after a load.
    EXPECT_EQ(SurveyPointsOf(list, circles), points);
}

TEST_F(StoreTest, PointsKeepTheirReadingsThroughDeletionAndSaveAndAnOpenNotKeepingThem) {
    Survey();
    const std::vector<SequencePoint> saved = {Point(10, 10, 2), Point(30, 30, 2), Point(40, 40, 1)};
    store.Opened(Site(), Binding(2), saved, false);  // the file's points not kept
    EXPECT_EQ(store.Sequence().Size(), 0u);
    store.Opened(Site(), Binding(2), saved, true);  // and back at the next Open
    EXPECT_EQ(Signatures(), (std::vector<int>{0, -51, -62}));
    EXPECT_TRUE(told.empty());
}

// A point's test follows its readings through a save and a new Open: the
// figures of every direction, a fault with its cause, no test at all.
TEST_F(StoreTest, ThroughputOfAPointSurvivesASave) {
    store.Opened(Site(), Binding(1), {}, true);
    ThroughputFigures f;
    f.downMbps = 94.25, f.upMbps = 40.5, f.downRetransmits = 3, f.upRetransmits = 0;
    f.rttMs = 1.234, f.udpJitterMs = 0.05, f.udpLossPct = 1.5, f.udpRateBps = 10'000'000;
    f.server = "127.0.0.1:5201", f.startUtcMs = 1'765'000'000'000, f.seconds = 3;
    const ThroughputOutcome refused{ThroughputFault::kRefused, "nothing listens at the port", {}};
    // Four points: measured, refused, none, measured.
    const ThroughputOutcome measured{ThroughputFault::kNone, {}, f};
    const std::optional<ThroughputOutcome> tests[] = {measured, refused, {}, measured};
    std::vector<SequencePoint> points;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(store.PointRecorded(Recorded(i * 10, i * 10, 1, i + 1), Readings(1, -50)));
        const int64_t id = store.Sequence().Points().back().id;
        ASSERT_TRUE(!tests[i] || store.ThroughputTested(id, *tests[i])) << i;
        points.push_back(Point(i * 10, i * 10, 1));
    }
    Save(2);
    store.Close();
    store.Opened(Site(), Binding(2), points, true);

    const std::optional<ThroughputOutcome> first = store.PointThroughput(0);
    ASSERT_TRUE(first && first->Measured());
    f.durationSeconds = 9;  // the three directions' seconds
    EXPECT_EQ(*first->figures, f);
    const std::optional<ThroughputOutcome> failed = store.PointThroughput(1);
    ASSERT_TRUE(failed);
    EXPECT_EQ(std::make_pair(failed->fault, failed->reason),
              std::make_pair(refused.fault, refused.reason));
    EXPECT_FALSE(store.PointThroughput(2));
    EXPECT_EQ(store.FilePointThroughput(1)->fault, refused.fault);  // as a tool reads it
    // Every point's test at once, as the metric maps ask: each point its own.
    const std::map<size_t, ThroughputOutcome> every = store.EveryPointThroughput();
    ASSERT_EQ(every.size(), 3u);
    EXPECT_EQ(every.at(1).reason, refused.reason);
    EXPECT_EQ(*every.at(0).figures, f);
    EXPECT_EQ(*every.at(3).figures, f);
}

// A group saved as one point holds the readings of all, and the statistics
// of each access point over them.
TEST_F(StoreTest, PointsSavedAsOneGroupBecomeOnePointWithTheStatisticsOfTheirReadings) {
    store.Opened(Site(), Binding(1), {}, true);
    std::vector<ScanReading> r = Readings(3, 0);
    r[0].dbm = -61, r[1].dbm = -62, r[2].dbm = -64;
    for (ScanReading& x : r) x.mac[5] = 9;
    store.PointRecorded(Recorded(5, 5, 0, 1), Readings(0, 0));  // nothing heard
    store.PointRecorded(Recorded(5, 5, 2, 2), Readings(2, -70));
    store.PointRecorded(Recorded(5, 5, 1, 3), r);
    Save(2);
    ASSERT_EQ(store.Sequence().Size(), 1u);
    EXPECT_EQ(store.Sequence().Points()[0],
              (SequencePoint{store.Sequence().Points()[0].id, 5, 5, 3}));
    EXPECT_EQ(store.PointReadings(0).size(), 5u);
    const std::vector<ApStatistics> s = store.PointStatistics(0);
    ASSERT_EQ(s.size(), 3u);
    const auto nine = std::find_if(s.begin(), s.end(), [](auto& a) { return a.mac[5] == 9; });
    ASSERT_NE(nine, s.end());
    EXPECT_EQ(std::make_tuple(nine->readings, nine->least, nine->most),
              std::make_tuple(3, -64, -61));
    EXPECT_NEAR(nine->mean, -62.3333, 1e-3);
    EXPECT_NEAR(nine->spread, 1.2472, 1e-3);

    // A save killed after its rename is settled at the next Open: the
    // group's two new points join it.
    store.PointRecorded(Recorded(5, 5, 1, 4), Readings(2, -41));
    store.PointRecorded(Recorded(5, 5, 1, 5), Readings(2, -41));
    store.SaveStarting(Binding(3));
    store.Close();
    store.Opened(Site(), Binding(3), {Point(5, 5, 5)}, true);
    ASSERT_EQ(store.Sequence().Size(), 1u);
    EXPECT_EQ(store.PointReadings(0).size(), 9u);
}

TEST_F(StoreTest, BindingToTheSiteFile) {
    const struct {
        const char* what;
        StoreBinding reopened;
        bool readings, scale, tells;
    } cases[] = {
        {"the same file", Binding(1), true, true, false},
        {"saved elsewhere", Binding(5), false, true, true},
        {"plan replaced", Binding(1, 8), false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(StoreFile());
        told.clear();
        store.Opened(Site(), Binding(1), {}, true);
        store.PointRecorded(Recorded(3, 3, 1, 1), Readings(2, -40));
        Save(1);  // the save writes the file as it is
        PlanScaleRecord scale;
        scale.metresPerPixel = 0.05;
        ASSERT_TRUE(store.SetScale(scale));
        store.Close();

        store.Opened(Site(), c.reopened, {Point(3, 3, 1)}, true);
        EXPECT_EQ(Signatures(), std::vector<int>{c.readings ? -40 : 0});
        EXPECT_EQ(store.Scale().has_value(), c.scale);
        EXPECT_EQ(told.size(), c.tells ? 1u : 0u);
        store.Close();
    }
}

// Open's look at the store, taken while the file is read: it makes
// nothing, Opened takes its connection, and rows that another connection
// changed since are read again.
TEST_F(StoreTest, APeekStandsForTheStoreOnlyWhileNoOtherConnectionChangedIt) {
    EXPECT_EQ(store.Peek(Site()), nullptr);
    EXPECT_FALSE(fs::exists(StoreFile()));
    store.Opened(Site(), Binding(1), {Point(3, 3, 1)}, true);
    store.PointRecorded(Recorded(4, 4, 1, 2), Readings(2, -40));
    Save(1);
    store.Close();
    const std::vector<SequencePoint> file = {Point(3, 3, 1), Point(4, 4, 1)};

    std::unique_ptr<StorePeek> peek = store.Peek(Site());
    ASSERT_NE(peek, nullptr);
    store.Opened(Site(), Binding(1), file, true, peek.get());
    EXPECT_EQ(peek->db, nullptr);
    EXPECT_EQ(Signatures(), (std::vector<int>{0, -40}));
    store.Close();

    peek = store.Peek(Site());
    ASSERT_NE(peek, nullptr);
    CSurveyStore(nullptr).Opened(Site(), Binding(1), {Point(9, 9, 2)}, true);
    store.Opened(Site(), Binding(1), file, true, peek.get());
    EXPECT_EQ(Count("points WHERE aside IS NULL AND x = 9"), 0);
    EXPECT_EQ(Count("points WHERE aside IS NULL"), 2);

    // A save that went through without its Saved is settled first: the
    // rows are read again after it.
    store.PointRecorded(Recorded(5, 5, 1, 3), Readings(2, -41));
    store.SaveStarting(Binding(2));
    store.Close();
    peek = store.Peek(Site());
    store.Opened(Site(), Binding(2), {Point(3, 3, 1), Point(4, 4, 1), Point(5, 5, 1)}, true,
                 peek.get());
    EXPECT_EQ(Signatures(), (std::vector<int>{0, 0, -41}));
}

TEST_F(StoreTest, RecoveryGivesTheJournalsPointsTheirReadings) {
    store.Opened(Site(), Binding(1), {Point(1, 1, 1)}, true);
    store.PointRecorded(Recorded(2, 2, 1, 1), Readings(2, -41));
    store.PointRecorded(Recorded(3, 3, 1, 2), Readings(2, -42));
    // Committed, but the program died before the journal had it.
    store.PointRecorded(Recorded(9, 9, 1, 4), Readings(2, -49));
    store.Close();

    const JournalContents journal =
        JournalOf({Recorded(2, 2, 1, 1), Recorded(3, 3, 1, 2),
                   Recorded(4, 4, 1, 3),  // recorded while the store was out of use
                   JournalDeletion{2, 2, 2, 1}});
    store.Recovered(Site(), Binding(1), {Point(1, 1, 1)}, journal, journal.changes.size());
    EXPECT_EQ(Signatures(), (std::vector<int>{0, -42, 0}));
    EXPECT_TRUE(told.empty());

    // Declined at the next Open: the unsaved points' readings are set aside.
    store.Opened(Site(), Binding(1), {Point(1, 1, 1)}, true);
    EXPECT_EQ(Signatures(), std::vector<int>{0});
    EXPECT_EQ(Count("points WHERE aside IS NOT NULL"), 3);
    EXPECT_EQ(Count("points WHERE x = 9"), 0);
}

// A point's noise floors are committed with its readings, recovered with
// it, leave the survey with its deletion and the store with the save after.
TEST_F(StoreTest, NoiseFloorsFollowTheirPointThroughRecoveryDeletionAndSave) {
    const std::vector<ScanNoise> a = {{2, 6, -92, 11}, {5, 36, -101, 12}}, b = {{6, 1, -95, 13}};
    store.Opened(Site(), Binding(1), {Point(1, 1, 1)}, true);
    ASSERT_TRUE(store.PointRecorded(Recorded(2, 2, 1, 1), Readings(1, -41), a));
    ASSERT_TRUE(store.PointRecorded(Recorded(3, 3, 1, 2), Readings(1, -42), b));
    ASSERT_TRUE(store.PointRecorded(Recorded(4, 4, 1, 3), Readings(1, -43)));
    EXPECT_EQ(store.PointNoise(1), a);
    store.Close();  // the program died here

    const JournalContents journal =
        JournalOf({Recorded(2, 2, 1, 1), Recorded(3, 3, 1, 2), Recorded(4, 4, 1, 3)});
    store.Recovered(Site(), Binding(1), {Point(1, 1, 1)}, journal, journal.changes.size());
    EXPECT_EQ(store.PointNoise(1), a);
    EXPECT_EQ(store.PointNoise(2), b);
    EXPECT_TRUE(store.PointNoise(3).empty());
    EXPECT_EQ(store.EveryPointNoise(), (std::map<size_t, std::vector<ScanNoise>>{{1, a}, {2, b}}));
    store.PointDeleted({2, 2, 2, 1});
    EXPECT_EQ(store.PointNoise(1), b);
    Save(2);
    EXPECT_EQ(store.FilePointNoise(1), b);
    store.Close();
    EXPECT_EQ(Count("noise"), 1);
}

TEST_F(StoreTest, AnOlderStoreIsMigratedANewerOneRefusedADamagedOneKeptAsideALockedOneLeftAlone) {
    {
        sqlite::Db db;
        db.Open(StoreFile(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        storeschema::Migrate(db, 0, storeschema::kVersion - 1);
        db.Exec("INSERT INTO settings VALUES ('a', 'b')");
    }
    store.Opened(Site(), Binding(1), {}, true);
    ASSERT_TRUE(store.IsOpen());
    EXPECT_EQ(store.Setting("a"), "b");
    EXPECT_TRUE(store.SetCoverage({"lab", 10, 0}));
    store.Close();
    {
        sqlite::Db db;
        db.Open(StoreFile(), SQLITE_OPEN_READWRITE, nullptr);
        EXPECT_EQ(sqlite::QueryInt(db, "PRAGMA user_version"), storeschema::kVersion);
        db.Exec(("PRAGMA user_version = " + std::to_string(storeschema::kVersion + 1)).c_str());
    }
    const Bytes before = ReadFileBytes(StoreFile());
    store.Opened(Site(), Binding(1), {}, true);
    EXPECT_FALSE(store.IsOpen());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].text.find("newer Pellorin"), std::string::npos);
    EXPECT_FALSE(store.PointRecorded(Recorded(1, 1, 1, 1), Readings(1, -50)));
    EXPECT_EQ(ReadFileBytes(StoreFile()), before);

    // A damaged store is kept aside and a new one begun.
    std::filesystem::remove(StoreFile());
    told.clear();
    const Bytes junk(5000, 0x5A);
    WriteFileBytes(StoreFile(), junk);
    store.Opened(Site(), Binding(1), {}, true);
    ASSERT_TRUE(store.IsOpen());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].text.find("office.hss.survey.20261130-"), std::string::npos) << told[0].text;
    int kept = 0;
    for (const auto& e : fs::directory_iterator(dir.Path()))
        if (e.path().filename().string().rfind("office.hss.survey.2026", 0) == 0)
            kept += ReadFileBytes(e.path()) == junk;
    EXPECT_EQ(kept, 1);
    EXPECT_TRUE(store.PointRecorded(Recorded(1, 1, 1, 1), Readings(1, -50)));

    // A store another process holds locked: the survey goes on, and is told.
    store.Close();
    told.clear();
    sqlite::Db other;
    other.Open(StoreFile(), SQLITE_OPEN_READWRITE, nullptr);
    other.Exec("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE");
    store.Opened(Site(), Binding(1), {}, true);
    EXPECT_FALSE(store.PointRecorded(Recorded(1, 1, 1, 1), Readings(1, -50)));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].text.find("locked"), std::string::npos) << told[0].text;
}

}  // namespace
