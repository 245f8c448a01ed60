#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TestBytes.h"

// A frame as the board sends it: stuffed type, payload and checksum. Without
// an explicit checksum the correct one is used.
Bytes BoardFrame(uint8_t type, const Bytes& payload, std::optional<uint8_t> checksum = {});

// The requests the program sends, as they appear on the line.
inline const Bytes kFirmwareRequest = Hex("11 12 01 00 11 13");
inline const Bytes kSerialRequest = Hex("11 12 02 00 11 13");
inline const Bytes kModeRequest = Hex("11 12 03 07 00 11 13");  // survey scan mode
inline const Bytes kScanRequest = Hex("11 12 16 00 11 13");

using Mac = std::array<uint8_t, 6>;
struct Probe {
    Mac mac;
    int16_t rssi;
};
struct Beacon {
    uint8_t probeIndex;
    std::string ssid;
    uint8_t channel = 1;
    uint16_t capability = 0;
    std::optional<uint8_t> ssidLength = {};  // default: ssid.size()
};
// The message of a report (without checksum). The count bytes are the sizes
// of the vectors unless given.
Bytes ReportMessage(const std::vector<Probe>& probes, const std::vector<Beacon>& beacons,
                    std::optional<uint8_t> probeCount = {},
                    std::optional<uint8_t> beaconCount = {});
// The same with probes (last MAC byte of 02:00:00:00:00:xx, RSSI), and beacons
// (SSID `ssid`, channel 6, privacy) for the first `beacons` of them.
Bytes ReportMessage(const std::vector<std::pair<uint8_t, int16_t>>& probes, const std::string& ssid,
                    size_t beacons);

// Frames one after the other, as on the line.
Bytes Join(std::initializer_list<Bytes> frames);
