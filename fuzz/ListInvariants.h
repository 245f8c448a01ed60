#pragma once
// Checks that a CApList is still a sound ring: every next/prev pair mirrors,
// the walk comes back to the sentinel within `maxRecords` steps, and each
// record of the scan list is one the merge could have made. Returns an empty
// text when all holds, else what broke.

#include <cstddef>
#include <string>

class CApList;

std::string CheckRing(const CApList& list, size_t maxRecords);
std::string CheckScanRecords(const CApList& list);
