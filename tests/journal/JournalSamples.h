#pragma once
// A journal with records of every kind, for the codec and file tests.

#include <cstddef>
#include <ctime>
#include <vector>

#include "TestBytes.h"
#include "journal/JournalFormat.h"

// The clock of the tests that set journals aside, and the stamp it gives.
constexpr time_t kNow = 1796620500;  // 2026-12-07 05:15:00 UTC
inline const char* const kStamp = ".20261207-051500";

JournalBegin SampleBegin();
// Points with APs (SSIDs of non-UTF-8 bytes and of 31 bytes, a 31-byte
// name, negative positions), a placeholder, a point of no entries, a point of
// 20 access points, and deletions.
std::vector<JournalChange> SampleChanges();

// File header, begin and changes as the writer lays them down. `bounds`
// receives where each record starts (begin first) and, last, the file size.
Bytes EncodeJournal(const JournalBegin& begin, const std::vector<JournalChange>& changes,
                    std::vector<size_t>* bounds = nullptr);
