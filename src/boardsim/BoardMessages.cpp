#include "boardsim/BoardMessages.h"

#include "board/FrameEncoder.h"

Bytes BoardFrame(uint8_t type, const Bytes& payload, std::optional<uint8_t> checksum) {
    Bytes out;
    EncodeFrame(type, payload.data(), payload.size(),
                checksum.value_or(BoardChecksum(type, payload.data(), payload.size())), out);
    return out;
}

Bytes ReportMessage(const std::vector<Probe>& probes, const std::vector<Beacon>& beacons,
                    std::optional<uint8_t> probeCount, std::optional<uint8_t> beaconCount) {
    Bytes out;
    out.push_back(probeCount.value_or(static_cast<uint8_t>(probes.size())));
    for (const Probe& p : probes) {
        out.insert(out.end(), p.mac.begin(), p.mac.end());
        out.push_back(static_cast<uint8_t>(p.rssi & 0xFF));
        out.push_back(static_cast<uint8_t>((p.rssi >> 8) & 0xFF));
    }
    out.push_back(beaconCount.value_or(static_cast<uint8_t>(beacons.size())));
    for (const Beacon& b : beacons) {
        out.push_back(b.probeIndex);
        out.push_back(b.ssidLength.value_or(static_cast<uint8_t>(b.ssid.size())));
        for (size_t i = 0; i < 32; ++i)
            out.push_back(i < b.ssid.size() ? static_cast<uint8_t>(b.ssid[i]) : 0);
        out.push_back(b.channel);
        out.push_back(static_cast<uint8_t>(b.capability & 0xFF));
        out.push_back(static_cast<uint8_t>(b.capability >> 8));
    }
    return out;
}

Bytes ReportMessage(const std::vector<std::pair<uint8_t, int16_t>>& probes, const std::string& ssid,
                    size_t beacons) {
    std::vector<Probe> p;
    std::vector<Beacon> b;
    for (const auto& [last, rssi] : probes) p.push_back({{0x02, 0, 0, 0, 0, last}, rssi});
    for (size_t i = 0; i < beacons; ++i) b.push_back({static_cast<uint8_t>(i), ssid, 6, 0x0010});
    return ReportMessage(p, b);
}

Bytes Join(std::initializer_list<Bytes> frames) {
    Bytes line;
    for (const Bytes& f : frames) line.insert(line.end(), f.begin(), f.end());
    return line;
}
