#pragma once
// Channel numbers of a Wi-Fi adapter's readings. The scan list's channel byte
// holds the plain channel number, as the board's records do; the band beside
// it tells 6 GHz channel 1 from 2.4 GHz channel 1 (and 6 GHz 149 from 5 GHz
// 149) wherever a channel is shown.

#include <cstdint>

// The band of a record. kBoard is what every board record carries: the board
// scans 2.4 GHz only, so it means 2.4 GHz as well.
enum class WifiBand : uint8_t { kBoard = 0, k24GHz = 2, k5GHz = 5, k6GHz = 6, kUnknown = 255 };

struct WifiChannel {
    WifiBand band = WifiBand::kUnknown;
    uint8_t number = 0;  // 0 when the frequency is outside the three bands
};

// The channel of a centre frequency in MHz, numbered as the kernel numbers
// them: 2412..2484 (1..14), 4910..4980 (182..196), 5005..5920 (1..184), 5935 (6 GHz
// channel 2) and 5955..7115 (1..233).
WifiChannel ChannelOfFrequency(uint32_t mhz);

// Whether the scan screen's grid of 2.4 GHz channels 1..14 has a cell for
// this record's channel.
bool HasGridCell(WifiBand band, uint8_t channel);

// The channel as the access-point table shows it, at most 7 characters:
// "6", "36", and "6:1" for 6 GHz channel 1 (the band's digit, a colon, the
// number), so that no 6 GHz number reads as a 2.4 or 5 GHz one.
void FormatChannel(WifiBand band, uint8_t channel, char out[8]);
