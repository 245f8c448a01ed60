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

std::vector<uint8_t> Tags(const CApList& list) {
    std::vector<uint8_t> tags;
    ApRecord* rec = nullptr;
    for (int16_t rc = list.GetAt(rec, 1); rc == CApList::kOk; rc = list.GetNext(rec))
        tags.push_back(rec->mac[5]);
    return tags;
}

// Walks the ring both ways and checks that prev mirrors next.
void ExpectRingIntact(const CApList& list, int32_t expected) {
    const ApRecord* s = list.Sentinel();
    int32_t forward = 0, backward = 0;
    for (const ApRecord* r = s->next; r != s; r = r->next, ++forward) ASSERT_EQ(r->next->prev, r);
    for (const ApRecord* r = s->prev; r != s; r = r->prev) ++backward;
    EXPECT_EQ(forward, expected);
    EXPECT_EQ(backward, expected);
}

TEST(ApList, EmptyListReportsEndAndNotFound) {
    CApList list;
    ApRecord* rec = reinterpret_cast<ApRecord*>(0x1);
    EXPECT_EQ(list.GetAt(rec, 1), CApList::kEndOfList);
    EXPECT_EQ(rec, nullptr);
    const uint8_t mac[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(list.FindMac(mac, rec), CApList::kNotFound);
    EXPECT_EQ(rec, nullptr);
    EXPECT_EQ(list.RemoveAll(), CApList::kOk);
    ExpectRingIntact(list, 0);
}

TEST(ApList, InsertSortedIsAscendingAndStableForEqualStrength) {
    CApList list;
    ApRecord* first = Make(list, -60, 1);
    list.InsertSorted(first);
    EXPECT_EQ(list.First(), list.Sentinel()->prev);  // first and last
    for (auto [rssi, tag] : {std::pair{-70, 2}, {-60, 3}, {-50, 4}})
        list.InsertSorted(Make(list, rssi, uint8_t(tag)));
    EXPECT_EQ(Tags(list), (std::vector<uint8_t>{2, 1, 3, 4}));
    ExpectRingIntact(list, 4);
    // Stronger readings summed in later do not re-sort.
    first->rssi += -60;
    EXPECT_EQ(Tags(list), (std::vector<uint8_t>{2, 1, 3, 4}));
}

TEST(ApList, PositionsCountFromOneEndAfterTheLastAndReachBeyondSixteenBits) {
    CApList list;
    for (int i = 1; i <= 40000; ++i) list.AddTail(Make(list, -i, static_cast<uint8_t>(i)));
    EXPECT_EQ(list.Count(), 40000);
    ApRecord* rec = nullptr;
    ASSERT_EQ(list.GetAt(rec, 3), CApList::kOk);
    EXPECT_EQ(rec->rssi, -3);
    ASSERT_EQ(list.GetAt(rec, 40000), CApList::kOk);
    EXPECT_EQ(rec->rssi, -40000);
    EXPECT_EQ(list.GetNext(rec), CApList::kEndOfList);
    EXPECT_EQ(rec, nullptr);
    EXPECT_EQ(list.GetAt(rec, 40001), CApList::kEndOfList);
    EXPECT_EQ(rec, nullptr);
}

TEST(ApList, FindMacReturnsTheFirstEqualRecord) {
    CApList list;
    ApRecord* a = Make(list, -40, 7);
    list.AddTail(a);
    list.AddTail(Make(list, -30, 7));
    ApRecord* found = nullptr;
    EXPECT_EQ(list.FindMac(a->mac, found), CApList::kOk);
    EXPECT_EQ(found, a);
}

TEST(ApList, RemoveJoinsNeighboursAndLeavesAnEmptyRing) {
    CApList list;
    ApRecord* recs[3];
    for (uint8_t i = 0; i < 3; ++i) list.AddTail(recs[i] = Make(list, 0, i + 1));
    list.Remove(recs[1]);
    EXPECT_EQ(Tags(list), (std::vector<uint8_t>{1, 3}));
    ExpectRingIntact(list, 2);
    list.Remove(recs[0]);
    list.Remove(recs[2]);
    ExpectRingIntact(list, 0);
    EXPECT_TRUE(list.IsEmpty());
    list.InsertBefore(Make(list, 0, 9), const_cast<ApRecord*>(list.Sentinel()));
    EXPECT_EQ(Tags(list), (std::vector<uint8_t>{9}));
}

TEST(ApList, MacTextIsTwelveUpperCaseHexDigits) {
    const uint8_t mac[6] = {0x00, 0x1a, 0x2B, 0xc3, 0xff, 0x05};
    char text[16];
    FormatMacText(mac, text);
    EXPECT_STREQ(text, "001A2BC3FF05");
}

}  // namespace
