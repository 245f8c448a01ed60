#pragma once
// The points of a survey list as the program groups them: a point is a run
// of consecutive entries with the same x and y (the location dialog selects
// and deletes the same runs). An entry with channel 0 is a placeholder
// ("FILL" just recorded: rssi 0; read from a file: rssi -100) and is no
// reading of any network.

#include <array>
#include <cstdint>
#include <string_view>

#include "aplist/ApList.h"

using MacAddress = std::array<uint8_t, 6>;

inline bool IsPlaceholder(const ApRecord& e) { return e.channel == 0; }

// The SSID's bytes up to its NUL (at most the 32 of the field).
std::string_view SsidBytes(const ApRecord& e);

MacAddress MacOf(const ApRecord& e);

// Calls fn(first, end) for every run: the run's entries are first up to,
// not including, end (the next run's first entry or the list's sentinel).
template <class Fn>
void ForEachPoint(const CApList& survey, Fn&& fn) {
    const ApRecord* const stop = survey.Sentinel();
    const ApRecord* e = stop->next;
    while (e != stop) {
        const ApRecord* first = e;
        do {
            e = e->next;
        } while (e != stop && e->x == first->x && e->y == first->y);
        fn(*first, e);
    }
}
