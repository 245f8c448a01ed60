// A band share does every band once, on either thread, and returns only
// when all are done, run after run (the worker never takes a band of a
// job that has ended).

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "map/BandShare.h"

TEST(BandShare, EveryBandIsDoneOnceBeforeRunReturns) {
    CBandShare share;
    for (int run = 0; run < 200; ++run) {
        const int32_t count = run % 20;
        std::vector<std::atomic<int>> done(static_cast<size_t>(count));
        share.Run(count, [&](int32_t band, int doer) {
            ASSERT_TRUE(doer == 0 || doer == 1);
            ++done[static_cast<size_t>(band)];
        });
        for (int32_t b = 0; b < count; ++b) ASSERT_EQ(done[static_cast<size_t>(b)], 1) << run;
    }
}
