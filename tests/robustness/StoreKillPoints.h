#pragma once
// The points the store kill test's surveyor records: point n stands at a
// place of its own and hears 1 + n % 3 access points, access point a with
// 1 + (n + a) % 4 readings of -(30 + n % 50 + a) dBm. So the place of a
// recovered point says which readings it must have, exactly.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "aplist/ScanReading.h"

namespace storekill {

inline constexpr int kPlaces = 400;
inline constexpr int32_t kPlanWidth = 240, kPlanHeight = 268;

inline std::pair<int32_t, int32_t> PlaceOf(int n) {
    return {12 + n % 20 * 11, 12 + n / 20 % 20 * 12};
}
inline std::optional<int> PointAt(int32_t x, int32_t y) {
    if ((x - 12) % 11 != 0 || (y - 12) % 12 != 0 || x < 12 || y < 12) return std::nullopt;
    const int n = (x - 12) / 11 + (y - 12) / 12 * 20;
    return n < kPlaces ? std::optional<int>(n) : std::nullopt;
}
inline int ApsOf(int n) { return 1 + n % 3; }
inline int ReadingsOf(int n, int ap) { return 1 + (n + ap) % 4; }
inline int16_t DbmOf(int n, int ap) { return static_cast<int16_t>(-(30 + n % 50 + ap)); }

// (last MAC byte, dBm) of every reading of point n, sorted.
inline std::vector<std::pair<int, int>> ExpectedReadings(int n) {
    std::vector<std::pair<int, int>> out;
    for (int a = 0; a < ApsOf(n); ++a)
        for (int i = 0; i < ReadingsOf(n, a); ++i) out.emplace_back(a + 1, DbmOf(n, a));
    std::sort(out.begin(), out.end());
    return out;
}
inline std::vector<std::pair<int, int>> Sorted(const std::vector<ScanReading>& readings) {
    std::vector<std::pair<int, int>> out;
    for (const ScanReading& r : readings) out.emplace_back(r.mac[5], r.dbm);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace storekill
