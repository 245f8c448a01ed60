// Survey-point recording on the global lists: averages, the placeholder,
// selection by tap-and-hold and deletion of a point's run.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>

#include "SiteTestSupport.h"
#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "site/PointRun.h"
#include "site/SiteRecord.h"

namespace {

class Recording : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        scanList.RemoveAll();
        surveyList.RemoveAll();
    }

    // One scanned AP with the given readings.
    static void Heard(uint8_t macLast, std::initializer_list<int> readings, uint8_t hasBeacon = 1) {
        ApRecord* r = nullptr;
        if (scanList.NewRecord(r) != CApList::kOk) std::abort();  // out of memory
        r->mac[5] = macLast;
        FormatMacText(r->mac, r->macText);
        std::snprintf(r->ssid, sizeof r->ssid, "ap%d", macLast);
        r->channel = static_cast<uint8_t>(macLast % 14 + 1);
        r->hasBeacon = hasBeacon;
        for (int v : readings) r->rssi += v;
        r->readingCount = static_cast<int32_t>(readings.size());
        scanList.AddTail(r);
    }

    // Records a point with the given APs at (x, y).
    int Record(int32_t x, int32_t y, std::initializer_list<std::initializer_list<int>> aps) {
        site.BeginPoint(x, y, "TEST");
        uint8_t mac = 1;
        for (auto readings : aps) Heard(mac++, readings);
        return site.RecordPoint();
    }

    CSiteRecord site;
};

// The selection as one line: place, first index, AP count, best reading.
std::string Selection(const CSiteRecord& s) {
    char line[160];
    std::snprintf(line, sizeof line, "%g,%g first %d aps %d best %d %s %s", s.m_selX, s.m_selY,
                  int(s.m_selFirstIndex), int(s.m_selApCount), int(s.m_selBestRssi), s.m_selBestMac,
                  s.m_selBestSsid);
    return line;
}

int16_t Best(const CSiteRecord& s) {
    int16_t v = 0;
    s.GetBestRssi(v);
    return v;
}

}  // namespace

// The fields of a survey entry that recording fills in.
auto Fields(const ApRecord* e) {
    return std::make_tuple(e->x, e->y, std::string(e->pointName), std::string(e->macText),
                           std::string(e->ssid), e->channel, e->rssi);
}

TEST_F(Recording, AveragesOfBeaconMatchedRecordsTruncateTowardZeroAndTheStrongestIsRemembered) {
    EXPECT_EQ(Record(10, 20, {{-61, -62, -64}, {-70, -71}}), 1);
    ASSERT_EQ(surveyList.Count(), 2);
    EXPECT_EQ(Fields(surveyList.First()),
              std::make_tuple(10, 20, std::string("TEST"), std::string("000000000001"),
                              std::string("ap1"), uint8_t{2}, int64_t{-62}));
    EXPECT_EQ(std::make_pair(surveyList.First()->next->rssi, Best(site)),
              std::make_pair(int64_t{-70}, int16_t{-62}));
    EXPECT_EQ(Record(11, 20, {{-45}, {-45}}), 1);
    EXPECT_EQ(Best(site), -45);
    EXPECT_EQ(Record(12, 20, {{-95}, {-95, -96}}), 1);
    EXPECT_EQ(Best(site), -90);  // nothing stronger than the floor
    EXPECT_EQ(std::make_tuple(surveyList.Count(), site.m_locationCount, site.m_apCount),
              std::make_tuple(6, 3, 6));
    site.ClearSurvey();
    EXPECT_EQ(std::make_tuple(surveyList.Count(), site.m_locationCount, site.m_apCount),
              std::make_tuple(0, 0, 0));

    // Only records matched to a beacon are recorded.
    site.BeginPoint(1, 1, "TEST");
    Heard(1, {-50}, 0);
    Heard(2, {-60}, 1);
    EXPECT_EQ(site.RecordPoint(), 1);
    ASSERT_EQ(surveyList.Count(), 1);
    EXPECT_EQ(std::make_pair(surveyList.First()->rssi, Best(site)),
              std::make_pair(int64_t{-60}, int16_t{-60}));
}

TEST_F(Recording, AnEmptyScanRecordsTheFillPlaceholderAndASecondTapReplacesThePendingPoint) {
    site.m_apCount = 4;
    EXPECT_EQ(Record(33, 44, {}), 0);
    ASSERT_EQ(surveyList.Count(), 1);
    const ApRecord* f = surveyList.First();
    EXPECT_EQ(Fields(f), std::make_tuple(33, 44, std::string("FILL"), std::string("000000000000"),
                                         std::string("FILL"), uint8_t{0}, int64_t{0}));
    for (uint8_t b : f->mac) EXPECT_EQ(b, 0);
    EXPECT_EQ(std::make_tuple(site.m_locationCount, site.m_apCount, Best(site)),
              std::make_tuple(1, 4, int16_t{-90}));

    // BeginPoint empties the scan; a second tap replaces the pending point.
    site.BeginPoint(1, 2, "TEST");
    Heard(1, {-50});
    site.BeginPoint(5, 6, "A name longer than thirty-one characters, cut");
    EXPECT_TRUE(scanList.IsEmpty() && site.m_pendingX == 5);
    EXPECT_EQ(std::strlen(site.m_pendingName), 31u);
    Heard(2, {-40});
    site.RecordPoint();
    EXPECT_EQ(std::make_pair(surveyList.Last()->x, surveyList.Last()->y), std::make_pair(5, 6));
}

// The cursor may stand one past the plan's last pixel (x = width); a point is
// recorded on the plan whatever it did. The plan's size comes from the header.
TEST_F(Recording, APointIsRecordedOnThePlansPixelsWhereverTheCursorStood) {
    MemorySource src(SmallSiteFile(1200, 40));
    ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    const struct {
        int32_t x, y, recordedX, recordedY;
    } taps[] = {{1200, 40, 1199, 39},
                {-1, -7, 0, 0},
                {600, 20, 600, 20},
                {0, 39, 0, 39},
                {INT32_MAX, INT32_MIN, 1199, 0}};
    for (const auto& t : taps) {
        surveyList.RemoveAll();
        Record(t.x, t.y, {});
        EXPECT_EQ(std::make_pair(surveyList.First()->x, surveyList.First()->y),
                  std::make_pair(t.recordedX, t.recordedY))
            << t.x << "," << t.y;
    }
}

TEST_F(Recording, SelectNearestPointUsesSquaredDistance3200AndTheFirstRunWhichIsDeletedWhole) {
    EXPECT_EQ(site.SelectNearestPoint(0, 0), 0);  // empty list

    Record(100, 100, {{-70}, {-40}, {-55}});
    EXPECT_EQ(site.SelectNearestPoint(140, 140), 1);  // 40² + 40² = 3200
    EXPECT_EQ(Selection(site), "100,100 first 1 aps 3 best -40 000000000002 ap2");
    EXPECT_EQ(site.SelectNearestPoint(141, 140), 0);  // 41² + 40² = 3281

    // The same place again right away forms one run; later, a separate one.
    Record(100, 100, {{-30}});
    Record(300, 300, {{-60}});
    Record(100, 100, {{-20}});
    EXPECT_EQ(site.SelectNearestPoint(101, 100), 1);
    EXPECT_EQ(Selection(site), "100,100 first 1 aps 4 best -30 000000000001 ap1");
    EXPECT_EQ(site.SelectNearestPoint(298, 301), 1);
    EXPECT_EQ(Selection(site), "300,300 first 5 aps 1 best -60 000000000001 ap1");

    // Far-away taps do not overflow the square.
    EXPECT_EQ(site.SelectNearestPoint(INT32_MAX, INT32_MIN), 0);

    // The selected point's run is deleted whole, and only it; the counters
    // and the selection itself are kept.
    site.m_locationCount = 9;
    ASSERT_EQ(site.SelectNearestPoint(101, 100), 1);
    RemovePointRun(surveyList, site.m_selFirstIndex, site.m_selX, site.m_selY);
    ASSERT_EQ(surveyList.Count(), 2);
    EXPECT_EQ(std::make_pair(surveyList.First()->x, surveyList.First()->next->rssi),
              std::make_pair(300, int64_t{-20}));
    EXPECT_EQ(std::make_pair(site.m_locationCount, int(site.m_selApCount)), std::make_pair(9, 4));
}

TEST_F(Recording, SelectionAndDeletionReachPastPosition32767) {
    for (int i = 0; i < 33000; ++i) AddEntry(surveyList, 5000, 5000, 1, -80);
    Record(0, 0, {{-50}, {-40}});
    ASSERT_EQ(site.SelectNearestPoint(1, 1), 1);
    EXPECT_EQ(std::make_pair(int(site.m_selFirstIndex), int(site.m_selApCount)),
              std::make_pair(33001, 2));
    RemovePointRun(surveyList, site.m_selFirstIndex, site.m_selX, site.m_selY);
    EXPECT_EQ(surveyList.Count(), 33000);
}

TEST_F(Recording, RecordPointWaitsForTheReportLock) {
    // While the worker holds the lock, recording cannot traverse scanList.
    site.BeginPoint(1, 1, "TEST");
    Heard(1, {-50});
    std::unique_lock<std::mutex> worker(theBoard.m_reportLock);
    std::atomic<bool> done{false};
    std::thread ui([&] {
        site.RecordPoint();
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done.load());
    worker.unlock();
    ui.join();
    EXPECT_TRUE(done.load() && surveyList.Count() == 1);
}
