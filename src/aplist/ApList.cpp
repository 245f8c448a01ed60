#include "aplist/ApList.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

void FormatMacText(const uint8_t mac[6], char out[16]) {
    std::snprintf(out, 16, "%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
}

CApList::CApList() : m_sentinel(new ApRecord) {
    m_sentinel->next = m_sentinel;
    m_sentinel->prev = m_sentinel;
}

CApList::~CApList() {
    RemoveAll();
    delete m_sentinel;
}

int16_t CApList::RemoveAll() {
    ApRecord* rec = m_sentinel->next;
    while (rec != m_sentinel) {
        ApRecord* following = rec->next;
        delete rec;
        rec = following;
    }
    m_sentinel->next = m_sentinel;
    m_sentinel->prev = m_sentinel;
    m_readings.clear();
    m_noise.clear();
    m_batch = 0;
    return kOk;
}

namespace {

int64_t UtcMsNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void CApList::LogNoise(uint8_t band, uint8_t channel, int16_t dbm) {
    // A few dozen channels per scan: bounded like the readings all the same.
    if (m_noise.size() >= kMaxScanReadings) return;
    try {
        m_noise.push_back({band, channel, dbm, UtcMsNow()});
    } catch (const std::bad_alloc&) {
        // Lost like a reading's copy: the point is recorded without it.
    }
}

void CApList::LogReading(const uint8_t mac[6], int64_t dbm, ReadingSource source) {
    if (m_readings.size() >= kMaxScanReadings) return;
    ScanReading r;
    std::memcpy(r.mac, mac, sizeof r.mac);
    r.dbm = static_cast<int16_t>(dbm < INT16_MIN ? INT16_MIN : dbm > INT16_MAX ? INT16_MAX : dbm);
    r.source = source;
    r.batch = m_batch;
    r.timeMs = UtcMsNow();
    try {
        m_readings.push_back(r);
    } catch (const std::bad_alloc&) {
        // The reading still counts in the record's sum; only its copy is lost.
    }
}

int16_t CApList::NewRecord(ApRecord*& out) {
    out = new (std::nothrow) ApRecord;
    return out ? kOk : kNotFound;
}

int16_t CApList::InsertSorted(ApRecord* rec) {
    ApRecord* current = m_sentinel->next;
    while (current != m_sentinel && CompareRssi(rec, current) != -1) current = current->next;
    return InsertBefore(rec, current);
}

int16_t CApList::AddTail(ApRecord* rec) { return InsertBefore(rec, m_sentinel); }

int16_t CApList::InsertBefore(ApRecord* rec, ApRecord* position) {
    rec->next = position;
    rec->prev = position->prev;
    position->prev->next = rec;
    position->prev = rec;
    return kOk;
}

int16_t CApList::FindMac(const uint8_t mac[6], ApRecord*& out) const {
    for (ApRecord* rec = m_sentinel->next; rec != m_sentinel; rec = rec->next) {
        if (std::memcmp(rec->mac, mac, 6) == 0) {
            out = rec;
            return kOk;
        }
    }
    out = nullptr;
    return kNotFound;
}

int16_t CApList::GetAt(ApRecord*& out, int32_t position) const {
    ApRecord* rec = m_sentinel;
    for (int32_t i = 0; i < position; ++i) {
        rec = rec->next;
        if (rec == m_sentinel) {
            out = nullptr;
            return kEndOfList;
        }
    }
    out = rec == m_sentinel ? nullptr : rec;
    return out ? kOk : kEndOfList;
}

int16_t CApList::GetNext(ApRecord*& rec) const {
    if (rec == nullptr || rec->next == m_sentinel) {
        rec = nullptr;
        return kEndOfList;
    }
    rec = rec->next;
    return kOk;
}

int16_t CApList::Remove(ApRecord* rec) {
    rec->prev->next = rec->next;
    rec->next->prev = rec->prev;
    delete rec;
    return kOk;
}

int16_t CApList::CompareRssi(const ApRecord* newRec, const ApRecord* listed) {
    if (newRec->rssi > listed->rssi) return 1;
    if (newRec->rssi < listed->rssi) return -1;
    return 0;
}

int32_t CApList::Count() const {
    int32_t n = 0;
    for (ApRecord* rec = m_sentinel->next; rec != m_sentinel; rec = rec->next) ++n;
    return n;
}

int32_t CApList::CountAfter(const ApRecord* mark) const {
    int32_t n = 0;
    for (const ApRecord* rec = mark->next; rec != m_sentinel; rec = rec->next) ++n;
    return n;
}

// Constructed in this order at start-up, destroyed in the reverse order.
CApList scanList;
CApList surveyList;
std::mutex scanListLock;
