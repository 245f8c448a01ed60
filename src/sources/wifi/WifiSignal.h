#pragma once
// Signal strengths of an adapter's readings, in the scan list's unit: whole dBm.

#include <cstdint>

// NetworkManager reports a percentage made from dBm as
//   p = 100 - (int)(100 * (-40 - clamp(dBm, -100, -40)) / 60).
// Its inverse, exact for -99..-41 dBm; 100 % stands for -40 dBm or stronger and
// 0 % for -100 dBm or weaker, so those two give -40 and -100.
int16_t DbmFromPercent(int percent);

// NetworkManager sets the connected access point's percentage every 6 s from
// the station's signal with another mapping, in float,
//   p = 100 - 70 * ((-20 - clamp(dBm, -90, -20)) / 70),
// which is dBm + 120 but for -56 dBm (63 like -57; 64 never occurs). Its
// inverse: p - 120, with 100 % standing for -20 dBm or stronger and 30 % for
// -90 dBm or weaker.
int16_t DbmFromStationPercent(int percent);

// The kernel's NL80211_BSS_SIGNAL_MBM (hundredths of dBm) in whole dBm,
// truncated toward zero like every division of the survey (-5450 is -54).
int16_t DbmFromMbm(int32_t mbm);

// Whether an mBm value is one a receiver can report (-150..+30 dBm); others
// are not used.
bool PlausibleMbm(int32_t mbm);
