#pragma once
// Signal strengths of an adapter's readings, in the scan list's unit: whole dBm.

#include <cstdint>

// NetworkManager reports a percentage made from dBm as
//   p = 100 - (int)(100 * (-40 - clamp(dBm, -100, -40)) / 60).
// Its inverse, exact for -99..-41 dBm; 100 % stands for -40 dBm or stronger and
// 0 % for -100 dBm or weaker, so those two give -40 and -100.
int16_t DbmFromPercent(int percent);

// The kernel's NL80211_BSS_SIGNAL_MBM (hundredths of dBm) in whole dBm,
// truncated toward zero like every division of the survey (-5450 is -54).
int16_t DbmFromMbm(int32_t mbm);

// Whether an mBm value is one a receiver can report (-150..+30 dBm); others
// are not used.
bool PlausibleMbm(int32_t mbm);
