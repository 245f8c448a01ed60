// A surveyor working through the survey document (store_surveyor: the
// journal and the survey store beside the site) is killed with SIGKILL at 30
// moments: while a point is recorded, while one is deleted, while a save
// runs. Each time the document's Open recovers the survey, and then every
// point of it has in the store exactly the readings it was recorded with
// (its place says which, StoreKillPoints.h), in the survey's order; no
// reading is left outside the survey and none is another point's. The kill
// moments follow the surveyor's reports, not the clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "RobustSupport.h"
#include "SiteTestSupport.h"
#include "StoreKillPoints.h"
#include "store/Sqlite.h"
#include "store/StoreBinding.h"
#include "survey/SurveyDocument.h"

namespace fs = std::filesystem;

namespace {

// Opens `site` as the window does, answering Yes to the recovery, and
// checks the store against the survey; the number of points recovered.
size_t RecoverAndCheck(const std::string& site) {
    std::vector<std::string> told;
    CSurveyDocument doc(
        [&](const std::string& c, const std::string& t) { told.push_back(c + ": " + t); });
    EXPECT_EQ(OpenRecovering(doc, site), "") << "the site file is not whole";
    EXPECT_TRUE(told.empty()) << told.front();
    EXPECT_TRUE(doc.Store().IsOpen());

    // The store's points are the survey's, one for one, each with its own
    // readings.
    const std::vector<SequencePoint>& points = doc.Store().Sequence().Points();
    const ApRecord* e = surveyList.First();
    for (size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE("point " + std::to_string(i));
        for (int32_t k = 0; k < points[i].entries; ++k) {
            EXPECT_TRUE(e != nullptr && e->x == points[i].x && e->y == points[i].y);
            if (e != nullptr) e = e->next == surveyList.Sentinel() ? nullptr : e->next;
        }
        const std::optional<int> n = storekill::PointAt(points[i].x, points[i].y);
        EXPECT_TRUE(n);
        EXPECT_EQ(storekill::Sorted(doc.Store().PointReadings(i)),
                  storekill::ExpectedReadings(n.value_or(0)));
    }
    EXPECT_EQ(e, nullptr) << "survey entries the store does not know";
    // A point outside the survey (deleted since the last save, which drops
    // it) keeps its own readings too, never another's; one set aside (its
    // journal record never came, and no journal was left to recover) is no
    // point's.
    sqlite::Db db;
    db.Open(StorePathFor(site), SQLITE_OPEN_READONLY, nullptr);
    sqlite::Stmt live(db, "SELECT id, x, y FROM points WHERE aside IS NULL");
    while (live.Step()) {
        const std::optional<int> n = storekill::PointAt(static_cast<int32_t>(live.Int(1)),
                                                        static_cast<int32_t>(live.Int(2)));
        EXPECT_TRUE(n);
        sqlite::Stmt own(db, "SELECT mac, dbm FROM readings WHERE point = ?");
        own.Bind(1, live.Int(0));
        std::vector<std::pair<int, int>> got;
        while (own.Step()) got.emplace_back(own.Blob(0).at(5), static_cast<int>(own.Int(1)));
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, storekill::ExpectedReadings(n.value_or(0))) << "store row " << live.Int(0);
    }
    const size_t places = PlacesIn(surveyList);
    surveyList.RemoveAll();
    scanList.RemoveAll();
    return places;
}

}  // namespace

TEST(StoreKill, EveryRecoveredPointHasExactlyItsReadings) {
    ScratchDir dir;
    const fs::path site = dir.Path() / "office.hss";
    WriteFileBytes(site, SmallSiteFile(storekill::kPlanWidth, storekill::kPlanHeight));

    std::mt19937 random(20261208);
    int killedAt[3] = {}, withTheChangeUnderWay = 0;
    size_t mostPoints = 0;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const KillMoment when(round, random, 12000);
        std::optional<size_t> done;
        char underWay = 0;
        const auto begins = [&](const std::string& line) {
            std::istringstream in(line);
            std::string tag;
            size_t points = 0;
            in >> tag;
            if (tag == "P") {
                in >> underWay;
                return underWay;
            }
            in >> points;
            done = points;
            underWay = 0;
            return '\0';
        };
        ASSERT_TRUE(RunAndKill(STORE_SURVEYOR, site.string(), round * 12, when, begins))
            << "the surveyor stopped before the moment to kill it, or outlived it";
        ASSERT_TRUE(done) << "killed before the site was open";
        ++killedAt[round % 3];

        const size_t points = RecoverAndCheck(site.string());
        if (HasFatalFailure() || HasFailure()) return;
        // The change under way is there whole or not at all.
        const size_t after = underWay == 'r' ? *done + 1 : underWay == 'd' ? *done - 1 : *done;
        ASSERT_TRUE(points == *done || points == after)
            << points << " points recovered, the surveyor had " << *done;
        withTheChangeUnderWay += points != *done;
        mostPoints = std::max(mostPoints, points);
    }
    std::printf(
        "[ figures  ] 30 kills: %d while recording, %d while deleting, %d while saving; "
        "%d with the change under way recovered too; up to %zu points\n",
        killedAt[0], killedAt[1], killedAt[2], withTheChangeUnderWay, mostPoints);
}
