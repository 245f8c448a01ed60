#include "BoardFrame.h"

#include <algorithm>

#include "board/FrameEncoder.h"

Bytes BoardFrame(uint8_t type, const Bytes& payload, std::optional<uint8_t> checksum) {
    Bytes out;
    EncodeFrame(type, payload.data(), payload.size(),
                checksum.value_or(BoardChecksum(type, payload.data(), payload.size())), out);
    return out;
}

Bytes ReportMessage(const std::vector<std::pair<uint8_t, int16_t>>& probes, const std::string& ssid,
                    size_t beacons) {
    Bytes m;
    m.push_back(static_cast<uint8_t>(probes.size()));
    for (const auto& [last, rssi] : probes) {
        const uint8_t mac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, last};
        m.insert(m.end(), mac, mac + 6);
        m.push_back(static_cast<uint8_t>(rssi & 0xFF));
        m.push_back(static_cast<uint8_t>((rssi >> 8) & 0xFF));
    }
    m.push_back(static_cast<uint8_t>(beacons));
    for (size_t i = 0; i < beacons; ++i) {
        m.push_back(static_cast<uint8_t>(i));
        m.push_back(static_cast<uint8_t>(ssid.size()));
        uint8_t bytes[32] = {};
        std::copy_n(ssid.begin(), std::min<size_t>(ssid.size(), 32), bytes);
        m.insert(m.end(), bytes, bytes + 32);
        m.push_back(6);
        m.push_back(0x10);
        m.push_back(0x00);
    }
    return m;
}

Bytes Join(std::initializer_list<Bytes> frames) {
    Bytes line;
    for (const Bytes& f : frames) line.insert(line.end(), f.begin(), f.end());
    return line;
}
