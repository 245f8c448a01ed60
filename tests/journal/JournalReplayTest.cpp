// Replay applies a journal's changes, in order, to the survey it was begun
// on, and stops at a deletion whose run is not there as it was when the point
// was deleted (a journal replayed without the file's points): nothing is
// deleted that the surveyor did not delete, and the journal goes on after
// what was applied. A survey recorded through the view and recovered after a
// crash is JournalTest.ARecoveredSurveyIsTheSurveyAsItWasBeforeTheCrash
// (entries, circles, counters); a survey killed at random moments, JournalKill.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "JournalSamples.h"
#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "journal/JournalReplay.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

TEST(JournalReplay, ChangesApplyInOrderAndADeletionWhoseRunIsNotThereStopsTheReplay) {
    using Deleted = std::vector<std::pair<int32_t, int32_t>>;
    const struct {
        const char* what;
        int32_t firstIndex[2];  // of the sample's two deletions
        bool complete;
        size_t applied;
        Deleted deleted;  // what the sink was told
        int32_t entries, locations, aps;
    } cases[] = {
        // Points of 2, 1, 0 and 20 entries; the runs of the first and the
        // last deleted; the placeholder is left.
        {"every run where it was", {1, 2}, true, 6, {{1, 2}, {2, 20}}, 1, 7, 30},
        // Position 2 holds one entry of (100, 200) and then the placeholder.
        {"the first run one place on", {2, 2}, false, 2, {}, 3, 5, 10},
        {"the second run elsewhere", {1, 1}, false, 5, {{1, 2}}, 21, 7, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto changes = SampleChanges();
        std::get<JournalDeletion>(changes[2]).firstIndex = c.firstIndex[0];
        std::get<JournalDeletion>(changes[5]).firstIndex = c.firstIndex[1];
        std::vector<size_t> bounds;
        const Bytes bytes = EncodeJournal(SampleBegin(), changes, &bounds);
        MemorySource src(bytes);
        const JournalContents journal = ReadJournal(src);
        ASSERT_EQ(journal.changes.size(), 6u);

        CApList list;
        CSiteRecord site;
        int points = 0;
        Deleted deleted;
        const JournalReplay replay = ReplayJournal(
            journal, list, site,
            {[&](int32_t) { ++points; },
             [&](int32_t first, int32_t removed) { deleted.emplace_back(first, removed); }});
        // appliedEnd: the end of the last one applied.
        EXPECT_EQ(std::make_tuple(replay.complete, replay.applied, replay.appliedEnd,
                                  points + deleted.size()),
                  std::make_tuple(c.complete, c.applied, bounds[c.applied + 1], c.applied));
        EXPECT_EQ(deleted, c.deleted);
        EXPECT_EQ(std::make_tuple(list.Count(), site.m_locationCount, site.m_apCount),
                  std::make_tuple(c.entries, c.locations, c.aps));
    }
}
