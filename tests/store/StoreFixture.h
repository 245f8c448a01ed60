#pragma once
// One fixture for the store's suites: a scratch directory with a site path
// beside which the store lives, the survey's points as a test writes them,
// and what the store told.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScratchDir.h"
#include "journal/JournalReader.h"
#include "store/Sqlite.h"
#include "store/SurveyStore.h"

struct Told {
    std::string caption, text;
};

inline constexpr time_t kStoreNow = 1'796'000'000;

class StoreTest : public ::testing::Test {
protected:
    StoreTest() {
        store.UseClock([] { return kStoreNow; });
    }
    std::string Site() const { return (dir.Path() / "office.hss").string(); }
    std::string StoreFile() const { return StorePathFor(Site()); }

    // A binding of the site file: `version` tells versions apart, `plan` plans.
    static StoreBinding Binding(uint32_t version, uint32_t plan = 7) {
        StoreBinding b;
        b.site = {1000 + version, 1'700'000'000 + version, 0xC0FFEE00 + version};
        b.planCrc = plan;
        b.planBytes = 1078 + 64;
        return b;
    }
    static SequencePoint Point(int32_t x, int32_t y, int32_t entries, bool placeholder = false) {
        return {0, x, y, entries, placeholder};
    }
    // A recorded point of `aps` access points (none: the placeholder), the
    // journal's counter L after it, and its readings, every one at `dbm`.
    static JournalPoint Recorded(int32_t x, int32_t y, int aps, int32_t sequence) {
        JournalPoint p;
        p.x = x, p.y = y, p.locationCount = sequence;
        p.entries.resize(aps > 0 ? aps : 1);
        for (int i = 0; i < aps; ++i) p.entries[i].channel = static_cast<uint8_t>(1 + i);
        return p;
    }
    static std::vector<ScanReading> Readings(int n, int16_t dbm) {
        std::vector<ScanReading> out(n);
        for (int i = 0; i < n; ++i) {
            out[i].mac[5] = static_cast<uint8_t>(i % 2);
            out[i].dbm = dbm;
            out[i].timeMs = 1'796'000'000'000 + i;
        }
        return out;
    }
    // A save of the site file as version `version`, gone through.
    void Save(uint32_t version) {
        store.SaveStarting(Binding(version));
        store.Saved();
    }
    // A survey: Open keeping the file's point and placeholder, two points
    // recorded (6 readings of -51 dBm, 4 of -62), the placeholder deleted,
    // saved as version 2.
    void Survey() {
        store.Opened(Site(), Binding(1), {Point(10, 10, 2), Point(20, 20, 1, true)}, true);
        store.PointRecorded(Recorded(30, 30, 2, 1), Readings(6, -51));
        store.PointRecorded(Recorded(40, 40, 1, 2), Readings(4, -62));
        store.PointDeleted({3, 20, 20, 1});
        Save(2);
        store.Close();
    }
    // The rows of `rows` (a table and a WHERE clause) in the store's file.
    std::optional<int64_t> Count(const std::string& rows) const {
        sqlite::Db db;
        db.Open(StoreFile(), SQLITE_OPEN_READONLY, nullptr);
        return sqlite::QueryInt(db, ("SELECT COUNT(*) FROM " + rows).c_str());
    }
    // A journal begun keeping the file's points, with `changes`.
    static JournalContents JournalOf(std::vector<JournalChange> changes) {
        JournalContents journal;
        journal.hasBegin = true;
        journal.begin.keepPoints = true;
        journal.changes = std::move(changes);
        return journal;
    }
    // The dBm of each point's readings in ordinal order (0: none); a point's
    // readings are all alike in these tests, so mixed ones fail.
    std::vector<int> Signatures() {
        std::vector<int> out;
        for (size_t i = 0; i < store.Sequence().Size(); ++i) {
            const std::vector<ScanReading> r = store.PointReadings(i);
            int sig = r.empty() ? 0 : r[0].dbm;
            for (const ScanReading& x : r)
                if (x.dbm != sig) sig = 999;
            out.push_back(sig);
        }
        return out;
    }

    ScratchDir dir;
    std::vector<Told> told;
    CSurveyStore store{[this](const std::string& c, const std::string& t) {
        told.push_back({c, t});
    }};
};
