#include "requirements/PointFigures.h"

#include <algorithm>
#include <cstring>

namespace {

struct Reading {
    MacAddress mac{};
    std::string_view ssid;
    int32_t dBm = 0;
    uint8_t channel = 0;
    WifiBand band = WifiBand::kUnknown;
};

// Stronger first; of equal readings the lower MAC.
bool Stronger(const Reading& a, const Reading& b) {
    if (a.dBm != b.dBm) return a.dBm > b.dBm;
    return a.mac < b.mac;
}

// The distinct BSSIDs among `readings` that `counts` accepts.
template <class Pred>
int32_t DistinctBssids(const std::vector<Reading>& readings, Pred&& counts) {
    std::vector<MacAddress> macs;
    for (const Reading& r : readings)
        if (counts(r)) macs.push_back(r.mac);
    std::sort(macs.begin(), macs.end());
    return static_cast<int32_t>(std::unique(macs.begin(), macs.end()) - macs.begin());
}

int32_t ChannelDistance(uint8_t a, uint8_t b) { return a > b ? a - b : b - a; }

}  // namespace

WifiBand BandOfRecord(WifiBand stored, uint8_t channel) {
    switch (stored) {
        case WifiBand::kBoard:
            return channel >= 1 && channel <= 14 ? WifiBand::k24GHz : WifiBand::kUnknown;
        case WifiBand::k24GHz:
        case WifiBand::k5GHz:
        case WifiBand::k6GHz:
            return stored;
        default:
            return WifiBand::kUnknown;
    }
}

bool SameChannel(WifiBand a, uint8_t channelA, WifiBand b, uint8_t channelB) {
    return channelA == channelB && (a == b || a == WifiBand::kUnknown || b == WifiBand::kUnknown);
}

PointFigures FiguresOfPoint(const ApRecord& first, const ApRecord* end,
                            const std::optional<std::string>& ssid, const FigureLevels& levels,
                            const PointMeasures* measures) {
    PointFigures f;
    f.x = first.x;
    f.y = first.y;
    f.pointName.assign(first.pointName, strnlen(first.pointName, sizeof first.pointName));
    if (measures) f.throughput = measures->throughput;

    std::vector<Reading> all;
    for (const ApRecord* e = &first; e != end; e = e->next) {
        if (IsPlaceholder(*e)) continue;
        Reading r;
        r.mac = MacOf(*e);
        r.ssid = SsidBytes(*e);
        r.dBm = static_cast<int32_t>(std::clamp<int64_t>(e->rssi, INT32_MIN, INT32_MAX));
        r.channel = e->channel;
        r.band = BandOfRecord(static_cast<WifiBand>(e->band), e->channel);
        all.push_back(r);
    }
    f.aps = static_cast<int32_t>(all.size());

    const Reading* primary = nullptr;
    for (const Reading& r : all)
        if ((!ssid || r.ssid == *ssid) && (!primary || Stronger(r, *primary))) primary = &r;
    if (!primary) return f;  // nothing of the network: every figure unknown, aps_usable 0

    const Reading p = *primary;
    const std::string_view network = p.ssid;
    f.hasPrimary = true;
    f.primaryDbm = p.dBm;
    f.primaryMac = p.mac;
    f.primarySsid.assign(network);
    f.primaryChannel = p.channel;
    f.primaryBand = p.band;

    const Reading* secondary = nullptr;
    for (const Reading& r : all)
        if (r.ssid == network && r.mac != p.mac && (!secondary || Stronger(r, *secondary)))
            secondary = &r;
    if (secondary) {
        f.secondaryDbm = secondary->dBm;
        f.secondaryMac = secondary->mac;
    }

    f.apsUsable = DistinctBssids(
        all, [&](const Reading& r) { return r.ssid == network && r.dBm >= levels.usableDbm; });
    f.cochannel = DistinctBssids(all, [&](const Reading& r) {
        return r.mac != p.mac && r.dBm >= levels.floorDbm &&
               SameChannel(r.band, r.channel, p.band, p.channel);
    });
    f.overlap = p.band != WifiBand::k24GHz ? 0 : DistinctBssids(all, [&](const Reading& r) {
        const int32_t apart = ChannelDistance(r.channel, p.channel);
        return r.mac != p.mac && r.dBm >= levels.floorDbm && r.band == WifiBand::k24GHz &&
               apart >= 1 && apart <= 4;
    });

    if (measures) {
        // Two surveys of the channel at one point: the higher floor, which
        // never makes the SNR look better than it was.
        for (const ChannelNoise& n : measures->noise)
            if (SameChannel(n.band, n.channel, p.band, p.channel) &&
                (!f.noiseDbm || n.dBm > *f.noiseDbm))
                f.noiseDbm = n.dBm;
    }
    if (f.noiseDbm) f.snrDb = p.dBm - *f.noiseDbm;
    return f;
}

std::vector<PointFigures> CollectPointFigures(const CApList& survey,
                                              const std::optional<std::string>& ssid,
                                              const FigureLevels& levels,
                                              const std::vector<PointMeasures>& measures) {
    std::vector<PointFigures> out;
    ForEachPoint(survey, [&](const ApRecord& first, const ApRecord* end) {
        const size_t i = out.size();
        out.push_back(
            FiguresOfPoint(first, end, ssid, levels, i < measures.size() ? &measures[i] : nullptr));
    });
    return out;
}

std::vector<ChannelNoise> ChannelNoiseOf(const std::vector<ScanNoise>& stored) {
    std::vector<ChannelNoise> out;
    for (const ScanNoise& n : stored) {
        const auto band = static_cast<WifiBand>(n.band);
        if (band == WifiBand::k24GHz || band == WifiBand::k5GHz || band == WifiBand::k6GHz)
            out.push_back({band, n.channel, n.dbm});
    }
    return out;
}

std::string NoiseSummaryLine(const PointFigures& f) {
    if (!f.hasPrimary || !f.noiseDbm || !f.snrDb) return {};
    char channel[8];
    FormatChannel(f.primaryBand, f.primaryChannel, channel);
    return "Noise " + std::to_string(*f.noiseDbm) + " dBm on " + channel + ", SNR " +
           std::to_string(*f.snrDb) + " dB";
}
