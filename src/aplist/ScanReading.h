#pragma once
// One reading of one access point in the scan under way, kept beside the
// running sums of scanList so that the point's statistics (readings, least,
// most, mean, spread) can be stored with it. Filled where a source merges
// into scanList, under the same lock; emptied with the list.

#include <cstdint>

// Where a reading came from: the board's dBm, the adapter's dBm as the
// kernel gave it, or NetworkManager's percentage turned into dBm.
enum class ReadingSource : uint8_t { kBoard = 0, kAdapterDbm = 1, kAdapterPercent = 2 };

struct ScanReading {
    uint8_t mac[6] = {};
    int16_t dbm = 0;
    ReadingSource source = ReadingSource::kBoard;
    uint16_t batch = 0;  // the merge (board report, adapter scan) it came in, from 1
    int64_t timeMs = 0;  // milliseconds since 1970 (UTC)
};

// The noise floor of one channel heard during the scan under way (the Wi-Fi
// adapter's channel survey; the board measures none): the band as ApRecord's
// `band` numbers it (2, 5, 6), the channel number, dBm.
struct ScanNoise {
    uint8_t band = 0;
    uint8_t channel = 0;
    int16_t dbm = 0;
    int64_t timeMs = 0;  // milliseconds since 1970 (UTC)
};

// A scan keeps at most this many readings (24 MB); later ones still count
// in the averages but are not kept one by one.
inline constexpr uint32_t kMaxScanReadings = 1u << 20;
