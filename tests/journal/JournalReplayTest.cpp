// A survey journalled as the view journals it (RecordPoint and
// DeleteSelectedPoint on the global lists, each change captured and written
// at once) replays into exactly the survey it recorded: entries, counters and
// the circle log that the map is painted from.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <tuple>

#include "ScratchDir.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "journal/JournalCapture.h"
#include "journal/JournalReader.h"
#include "journal/JournalReplay.h"
#include "journal/JournalWriter.h"
#include "journal/SiteBinding.h"
#include "map/CircleLog.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace fs = std::filesystem;

namespace {

auto Circles(const CCircleLog& log) {
    std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t>> out;
    for (const LoggedCircle& c : log.Circles()) out.emplace_back(c.x, c.y, c.strength, c.records);
    return out;
}

// Reads the file's points as Open with "keep existing data points" does,
// one logged circle per point group.
void LoadPoints(IByteSource& src, CSiteRecord& site, CApList& list, CCircleLog& log) {
    const ApRecord* groupStart = list.Last();
    ASSERT_TRUE(ReadPoints(src, site, list, [&](int32_t x, int32_t y, int16_t strength) {
                    log.Add(x, y, strength, list.CountAfter(groupStart));
                    groupStart = list.Last();
                }).ok);
}

struct Heard {
    uint8_t macLast;
    std::initializer_list<int> readings;
    const char* ssid;
};

class JournalReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        scanList.RemoveAll();
        surveyList.RemoveAll();
        WriteFileBytes(sitePath, ReadFileBytes(fs::path(PELLORIN_SAMPLES) / "office-surveyed.hss"));
    }
    void TearDown() override {
        scanList.RemoveAll();
        surveyList.RemoveAll();
    }

    // Open with "keep existing data points", and the journal begun.
    void Open() {
        FileSource src(sitePath.string());
        ASSERT_TRUE(ReadSiteHeader(src, site).ok);
        site.ClearSurvey();
        LoadPoints(src, site, surveyList, log);
        JournalBegin begin;
        begin.keepPoints = true;
        ASSERT_TRUE(ComputeSiteBinding(src, begin.binding));
        ASSERT_TRUE(writer.Create(journalPath, begin, 0).ok);
    }

    // A scan heard `aps` at (x, y).
    void Record(int32_t x, int32_t y, std::initializer_list<Heard> aps) {
        site.BeginPoint(x, y, "TEST");
        for (const Heard& h : aps) {
            ApRecord* r = nullptr;
            scanList.NewRecord(r);
            r->mac[0] = 0xA0;
            r->mac[5] = h.macLast;
            FormatMacText(r->mac, r->macText);
            std::strncpy(r->ssid, h.ssid, sizeof r->ssid - 1);
            r->channel = static_cast<uint8_t>(h.macLast % 14 + 1);
            r->hasBeacon = 1;
            for (int v : h.readings) r->rssi += v;
            r->readingCount = static_cast<int32_t>(h.readings.size());
            scanList.AddTail(r);
        }
        const ApRecord* tail = surveyList.Last();
        site.RecordPoint();
        JournalPoint point;
        ASSERT_TRUE(CapturePoint(surveyList, tail, site, point));
        ASSERT_TRUE(writer.AppendPoint(point).ok);
        log.Add(x, y, site.m_bestRssi, surveyList.CountAfter(tail));
    }

    // A tap-and-hold at (x, y) and the point deleted in the dialog.
    void Delete(int32_t x, int32_t y) {
        ASSERT_EQ(site.SelectNearestPoint(x, y), 1);
        const int32_t before = surveyList.Count();
        site.DeleteSelectedPoint();
        const int32_t removed = before - surveyList.Count();
        ASSERT_TRUE(writer.AppendDeletion(CaptureDeletion(site, removed)).ok);
        log.RemoveRecords(site.m_selFirstIndex, removed);
    }

    ScratchDir dir;
    fs::path sitePath = dir.Path() / "office.hss";
    std::string journalPath = JournalPathFor(sitePath.string());
    CSiteRecord site;
    PosixFileOps ops;
    JournalWriter writer{ops};
    CCircleLog log;  // as the view painted the map
};

}  // namespace

TEST_F(JournalReplayTest, ReplayGivesTheEntriesCountersAndCirclesTheSurveyHad) {
    Open();
    const int32_t loaded = surveyList.Count();
    Record(10, 20, {{1, {-61, -62, -64}, "\xFF\xFE caf\xE9"}, {2, {-45}, "lab"}});
    Delete(300, 112);    // a point the file held
    Record(50, 60, {});  // nothing heard: the placeholder
    Record(10, 20, {{3, {-70, -71}, "abcdefghijklmnopqrstuvwxyz01234"}});  // joins the run
    Record(500, 400, {{4, {-95}, "weak"}, {5, {-80}, "weak too"}});
    Delete(12, 22);  // the first run at (10, 20); the later one stays
    Record(70, 80, {{6, {-50, -51}, ""}});
    writer.Close();

    const JournalFile file = ReadJournalFile(journalPath);
    ASSERT_TRUE(file.exists);
    EXPECT_EQ(file.contents.end, JournalEnd::Clean);
    EXPECT_EQ(file.contents.PointCount(), 5u);
    FileSource src(sitePath.string());
    ASSERT_EQ(MatchJournal(file.contents, src), JournalMatch::Matches);

    // The next Open: the file's points as the journal's begin says, then the journal.
    CSiteRecord reopened;
    ASSERT_TRUE(ReadSiteHeader(src, reopened).ok);
    CApList recovered;
    CCircleLog circles;
    ASSERT_TRUE(file.contents.begin.keepPoints);
    LoadPoints(src, reopened, recovered, circles);
    ASSERT_EQ(recovered.Count(), loaded);
    const ReplaySink sink{
        [&](int32_t records) {
            circles.Add(reopened.m_pendingX, reopened.m_pendingY, reopened.m_bestRssi, records);
        },
        [&](int32_t first, int32_t removed) { circles.RemoveRecords(first, removed); }};
    const JournalReplay replay = ReplayJournal(file.contents, recovered, reopened, sink);
    EXPECT_TRUE(replay.complete);
    EXPECT_EQ(replay.applied, 7u);
    EXPECT_EQ(replay.appliedEnd, file.contents.validEnd);
    EXPECT_EQ(AllEntries(recovered), AllEntries(surveyList));
    EXPECT_EQ(reopened.m_locationCount, site.m_locationCount);
    EXPECT_EQ(reopened.m_apCount, site.m_apCount);
    EXPECT_EQ(reopened.m_locationCount, 5);
    EXPECT_EQ(reopened.m_apCount, 6);
    EXPECT_EQ(reopened.m_bestRssi, site.m_bestRssi);
    EXPECT_EQ(Circles(circles), Circles(log));

    // Without the file's points the first deletion finds another run where
    // its point stood: the replay stops there instead of deleting it, and a
    // journal going on is cut after the first point.
    CApList bare;
    CSiteRecord bareSite;
    const JournalReplay partial = ReplayJournal(file.contents, bare, bareSite);
    EXPECT_FALSE(partial.complete);
    EXPECT_EQ(partial.applied, 1u);
    EXPECT_EQ(partial.appliedEnd, file.contents.changeEnds[0]);
    EXPECT_EQ(bare.Count(), 2);
}
