// The circle log: which circles a deleted run of survey records takes away.

#include <gtest/gtest.h>

#include "map/CircleLog.h"

TEST(CircleLog, DeletedRecordsTakeExactlyTheirWholeCirclesAway) {
    // Records 1-3 a loaded group, 4 a group whose records were cut short
    // (none), 4-5 and 6 two points taken at one place, 7 another point.
    CCircleLog log;
    log.Add(10, 10, -50, 3);
    log.Add(20, 20, -120, 0);
    log.Add(30, 30, -60, 2);
    log.Add(30, 30, -70, 1);
    log.Add(40, 40, -40, 1);
    EXPECT_EQ(log.Records(), 7);

    const std::vector<LoggedCircle> gone = log.RemoveRecords(4, 3);
    ASSERT_EQ(gone.size(), 2u);
    EXPECT_EQ(gone[0].strength, -60);
    EXPECT_EQ(gone[1].strength, -70);
    ASSERT_EQ(log.Circles().size(), 3u);  // the circle without records stays
    EXPECT_EQ(log.Circles()[1].x, 20);
    EXPECT_EQ(log.Records(), 4);
    EXPECT_EQ(log.RemoveRecords(4, 1).front().x, 40);  // positions count afresh
    EXPECT_EQ(CircleBox(40, 40), (VpRect{30, 30, 50, 50}));
}
