// The ring of records: positions, finding and removing. The order
// InsertSorted keeps (ascending, stable for equal strength) is checked where
// it matters, in BoardTest.RecordsStaySortedByTheirFirstReadingAndTheirSumsDoNotWrap.

#include <gtest/gtest.h>

#include <vector>

#include "aplist/ApList.h"

namespace {

ApRecord* Make(CApList& list, int64_t rssi, uint8_t tag = 0) {
    ApRecord* rec = nullptr;
    EXPECT_EQ(list.NewRecord(rec), CApList::kOk);
    rec->rssi = rssi;
    rec->mac[5] = tag;
    return rec;
}

// The tags in list order, after checking that the ring closes both ways and
// prev mirrors next.
std::vector<uint8_t> Tags(const CApList& list) {
    const ApRecord* s = list.Sentinel();
    std::vector<uint8_t> tags, backward;
    for (const ApRecord* r = s->next; r != s; r = r->next) {
        EXPECT_EQ(r->next->prev, r);
        tags.push_back(r->mac[5]);
    }
    for (const ApRecord* r = s->prev; r != s; r = r->prev)
        backward.insert(backward.begin(), r->mac[5]);
    EXPECT_EQ(backward, tags);
    EXPECT_EQ(list.Count(), static_cast<int32_t>(tags.size()));
    return tags;
}

using Tagged = std::vector<uint8_t>;

TEST(ApList, PositionsCountFromOneEndAfterTheLastAndReachBeyondSixteenBits) {
    CApList list;
    for (int i = 1; i <= 40000; ++i) list.AddTail(Make(list, -i, static_cast<uint8_t>(i)));
    EXPECT_EQ(list.Count(), 40000);
    ApRecord* rec = nullptr;
    ASSERT_EQ(list.GetAt(rec, 3), CApList::kOk);
    EXPECT_EQ(rec->rssi, -3);
    ASSERT_EQ(list.GetAt(rec, 40000), CApList::kOk);
    EXPECT_EQ(rec->rssi, -40000);
    EXPECT_EQ(list.GetNext(rec), CApList::kEndOfList);  // elsewhere only a hang catches it
    EXPECT_EQ(rec, nullptr);
    EXPECT_EQ(list.GetAt(rec, 40001), CApList::kEndOfList);
    EXPECT_EQ(rec, nullptr);
}

TEST(ApList, FindMacGivesTheFirstEqualAndRemoveJoinsNeighboursUpToAnEmptyRingThatFindsNothing) {
    CApList list;
    ApRecord* recs[3];
    for (uint8_t i = 0; i < 3; ++i) list.AddTail(recs[i] = Make(list, 0, 7));
    ApRecord* found = nullptr;
    EXPECT_EQ(list.FindMac(recs[1]->mac, found), CApList::kOk);
    EXPECT_EQ(found, recs[0]);
    recs[2]->mac[5] = 9;
    list.Remove(recs[1]);
    EXPECT_EQ(Tags(list), (Tagged{7, 9}));
    list.Remove(recs[0]);
    list.Remove(recs[2]);
    ASSERT_TRUE(list.IsEmpty());
    ASSERT_EQ(list.Sentinel()->prev, list.Sentinel());
    // The empty list reports its end and finds nothing.
    ApRecord* rec = reinterpret_cast<ApRecord*>(0x1);
    EXPECT_EQ(list.GetAt(rec, 1), CApList::kEndOfList);
    EXPECT_EQ(rec, nullptr);
    const uint8_t mac[6] = {0, 0, 0, 0, 0, 9};  // the last one removed
    EXPECT_EQ(list.FindMac(mac, rec), CApList::kNotFound);
    EXPECT_EQ(rec, nullptr);
    // Emptying an empty ring and filling it again is every scan's start
    // (board_tests' ScanSession and merges).
}

}  // namespace
