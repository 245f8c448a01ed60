#include "requirements/PerPointExport.h"

#include <cmath>
#include <cstdio>

#include "common/TextDecode.h"
#include "coverage/NetworkCatalogue.h"
#include "coverage/NetworkNames.h"

const std::array<const char*, kPerPointColumnCount> kPerPointColumns = {"x",
                                                                        "y",
                                                                        "point",
                                                                        "aps",
                                                                        "primary_dbm",
                                                                        "primary_mac",
                                                                        "primary_ssid",
                                                                        "primary_channel",
                                                                        "secondary_dbm",
                                                                        "secondary_mac",
                                                                        "aps_usable",
                                                                        "cochannel",
                                                                        "overlap",
                                                                        "noise_dbm",
                                                                        "snr_db",
                                                                        "down_mbps",
                                                                        "up_mbps",
                                                                        "rtt_ms",
                                                                        "retransmits",
                                                                        "udp_jitter_ms",
                                                                        "udp_loss_pct",
                                                                        "pass"};

namespace {

ExportCell Integer(int64_t v) { return {ExportCell::Kind::kInteger, v, 0, 0, {}, {}}; }
ExportCell Text(std::string s) { return {ExportCell::Kind::kText, 0, 0, 0, s, s}; }
ExportCell FieldText(const std::string& bytes) {
    return {ExportCell::Kind::kText,
            0,
            0,
            0,
            DecodeByteText(bytes.data(), bytes.size()),
            DisplayByteText(bytes.data(), bytes.size())};
}
ExportCell Decimal(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return {ExportCell::Kind::kDecimal, 0, std::floor(v * scale + 0.5) / scale, decimals, {}, {}};
}
template <class T>
ExportCell IntegerOr(const std::optional<T>& v) {
    return v ? Integer(*v) : ExportCell{};
}
ExportCell DecimalOr(const std::optional<double>& v, int decimals) {
    return v ? Decimal(*v, decimals) : ExportCell{};
}

PerPointRow RowOf(const PointFigures& f, const Requirement* requirement) {
    PerPointRow row;
    row[0] = Integer(f.x);
    row[1] = Integer(f.y);
    row[2] = FieldText(f.pointName);
    row[3] = Integer(f.aps);
    if (f.hasPrimary) {
        row[4] = Integer(f.primaryDbm);
        row[5] = Text(MacName(f.primaryMac));
        row[6] = FieldText(f.primarySsid);
        row[7] = Integer(f.primaryChannel);
    }
    if (f.secondaryDbm) {
        row[8] = Integer(*f.secondaryDbm);
        row[9] = Text(MacName(f.secondaryMac));
    }
    row[10] = Integer(f.apsUsable);
    row[11] = IntegerOr(f.cochannel);
    row[12] = IntegerOr(f.overlap);
    row[13] = IntegerOr(f.noiseDbm);
    row[14] = IntegerOr(f.snrDb);
    if (f.throughput) {
        const ThroughputFigures& t = *f.throughput;
        row[15] = Decimal(t.downMbps, 2);
        row[16] = Decimal(t.upMbps, 2);
        row[17] = DecimalOr(t.rttMs, 3);
        row[18] = IntegerOr(t.Retransmits());
        row[19] = DecimalOr(t.udpJitterMs, 3);
        row[20] = DecimalOr(t.udpLossPct, 2);
    }
    if (requirement) row[21] = Text(VerdictWord(Evaluate(*requirement, f).overall));
    return row;
}

}  // namespace

std::string ExportCell::Text() const {
    switch (kind) {
        case Kind::kInteger:
            return std::to_string(integer);
        case Kind::kDecimal: {
            char out[64];
            std::snprintf(out, sizeof out, "%.*f", decimals, decimal);
            return out;
        }
        case Kind::kText:
            return text;
        default:
            return {};
    }
}

std::vector<PerPointRow> PerPointRows(const CApList& survey, const std::optional<std::string>& ssid,
                                      const Requirement* requirement,
                                      const std::vector<PointMeasures>& measures) {
    const FigureLevels levels = requirement ? requirement->Levels() : FigureLevels{};
    std::vector<PerPointRow> rows;
    for (const PointFigures& f : CollectPointFigures(survey, ssid, levels, measures))
        rows.push_back(RowOf(f, requirement));
    return rows;
}

std::optional<std::string> SsidNamed(const CApList& survey, std::string_view name) {
    for (const SsidInfo& s : BuildCatalogue(survey).ssids)
        if (SsidName(s.ssid) == name) return s.ssid;
    return std::nullopt;
}
