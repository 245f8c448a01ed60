#pragma once
// CApList: an intrusive, circular, doubly linked list of ApRecord with a
// sentinel. The list owns its records. Result codes: 0 success, -1 not found
// or out of memory, -2 end of list. Positions count from 1.

#include <cstdint>
#include <mutex>
#include <vector>

#include "aplist/ApRecord.h"
#include "aplist/ScanReading.h"

class CApList {
public:
    static constexpr int16_t kOk = 0;
    static constexpr int16_t kNotFound = -1;
    static constexpr int16_t kEndOfList = -2;

    CApList();
    virtual ~CApList();
    CApList(const CApList&) = delete;
    CApList& operator=(const CApList&) = delete;

    int16_t RemoveAll();
    [[nodiscard]] int16_t NewRecord(ApRecord*& out);
    int16_t InsertSorted(ApRecord* rec);
    int16_t AddTail(ApRecord* rec);
    int16_t InsertBefore(ApRecord* rec, ApRecord* position);
    int16_t FindMac(const uint8_t mac[6], ApRecord*& out) const;
    int16_t GetAt(ApRecord*& out, int32_t position) const;
    int16_t GetNext(ApRecord*& rec) const;
    int16_t Remove(ApRecord* rec);
    static int16_t CompareRssi(const ApRecord* newRec, const ApRecord* listed);

    bool IsEmpty() const { return m_sentinel->next == m_sentinel; }
    int32_t Count() const;
    // The records behind `mark` (a record of this list, or the sentinel for
    // all of them): what AddTail added since `mark` was the last record.
    int32_t CountAfter(const ApRecord* mark) const;
    const ApRecord* Last() const { return m_sentinel->prev; }  // the sentinel when empty
    ApRecord* First() const { return IsEmpty() ? nullptr : m_sentinel->next; }
    const ApRecord* Sentinel() const { return m_sentinel; }

    // The scan list's readings one by one (ScanReading.h), emptied by
    // RemoveAll. BeginBatch starts the readings of one merge.
    void BeginBatch() { ++m_batch; }
    void LogReading(const uint8_t mac[6], int64_t dbm, ReadingSource source);
    const std::vector<ScanReading>& Readings() const { return m_readings; }
    // The noise floors measured during the scan, emptied by RemoveAll.
    void LogNoise(uint8_t band, uint8_t channel, int16_t dbm);
    const std::vector<ScanNoise>& Noise() const { return m_noise; }

private:
    ApRecord* m_sentinel;
    std::vector<ScanReading> m_readings;
    std::vector<ScanNoise> m_noise;
    uint16_t m_batch = 0;
};

// scanList: the access points of the scan under way, merged into by whatever
// measures (the board worker, or the Wi-Fi source on the user-interface
// thread) under scanListLock, the report lock. surveyList: every recorded
// point of the open site (user-interface thread only).
extern CApList scanList;
extern CApList surveyList;
// Held around every merge into scanList and every (short) copy, traversal or
// clearing of it. The board worker only ever try_locks it.
extern std::mutex scanListLock;
