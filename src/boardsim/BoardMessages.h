#pragma once
// What the board sends, built byte for byte: whole frames (stuffed type,
// payload and checksum) and the payload of a scan report. The simulated board
// sends its frames this way, and the tests and tools/boardfixtures build the
// board's side of a conversation with them.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A frame as the board sends it: stuffed type, payload and checksum. Without
// an explicit checksum the correct one is used.
Bytes BoardFrame(uint8_t type, const Bytes& payload, std::optional<uint8_t> checksum = {});

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
