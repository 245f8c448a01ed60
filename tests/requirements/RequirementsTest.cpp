// The requirements core: each point's figures against hand-worked points,
// the evaluator at, above and below every threshold, the parser's messages,
// the shares of grids whose answer is known, the metric bands and the
// per-point export rows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "coverage/MetricBands.h"
#include "requirements/AreaShare.h"
#include "requirements/MetricValues.h"
#include "requirements/PerPointExport.h"

namespace {

struct Rec {
    uint8_t mac;  // last byte of 00 11 22 33 44 xx
    const char* ssid;
    uint8_t channel;  // 0: the placeholder
    int32_t dBm;
    WifiBand band = WifiBand::kBoard;
};

// One point of records at (x, y), appended to `list`.
void AddPoint(CApList& list, int32_t x, int32_t y, const std::vector<Rec>& recs) {
    for (const Rec& r : recs) {
        ApRecord* e = nullptr;
        ASSERT_EQ(list.NewRecord(e), CApList::kOk);
        e->x = x, e->y = y;
        std::snprintf(e->pointName, sizeof e->pointName, "%s", r.channel ? "TEST" : "FILL");
        const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, r.mac};
        if (r.channel) std::memcpy(e->mac, mac, 6);  // a placeholder's MAC is zero
        FormatMacText(e->mac, e->macText);
        std::snprintf(e->ssid, sizeof e->ssid, "%s", r.ssid);
        e->channel = r.channel, e->rssi = r.dBm, e->band = static_cast<uint8_t>(r.band);
        list.AddTail(e);
    }
}

std::string Opt(const std::optional<int32_t>& v) { return v ? std::to_string(*v) : "-"; }

// "aps=N p=DBM/MAC/SSID/CH s=DBM/MAC u=N co=N ov=N n=DBM snr=DB", "p=-" without a primary.
std::string Describe(const PointFigures& f) {
    char p[80] = "-", line[200];
    if (f.hasPrimary)
        std::snprintf(p, sizeof p, "%d/%02X/%s/%u", f.primaryDbm, f.primaryMac[5],
                      f.primarySsid.c_str(), f.primaryChannel);
    std::snprintf(line, sizeof line, "aps=%d p=%s s=%s/%02X u=%d co=%s ov=%s n=%s snr=%s", f.aps, p,
                  Opt(f.secondaryDbm).c_str(), f.secondaryDbm ? f.secondaryMac[5] : 0, f.apsUsable,
                  Opt(f.cochannel).c_str(), Opt(f.overlap).c_str(), Opt(f.noiseDbm).c_str(),
                  Opt(f.snrDb).c_str());
    return line;
}

PointFigures FiguresOf(const std::vector<Rec>& recs, std::optional<std::string> ssid = {},
                       const PointMeasures* measures = nullptr) {
    CApList list;
    AddPoint(list, 10, 20, recs);
    return FiguresOfPoint(*list.First(), list.Sentinel(), ssid, FigureLevels{}, measures);
}

Requirement Parse(const char* text) {
    const RequirementParse p = ParseRequirement(text);
    EXPECT_TRUE(p.requirement) << text << ": " << p.error;
    return p.requirement.value_or(Requirement{});
}

TEST(PointFiguresTest, HandWorkedPoints) {
    constexpr WifiBand k5 = WifiBand::k5GHz, k6 = WifiBand::k6GHz, k24 = WifiBand::k24GHz;
    struct Row {
        std::vector<Rec> recs;
        const char* expected;
        std::optional<std::string> ssid = {};
        std::vector<ChannelNoise> noise = {};
    };
    const Row rows[] = {
        {{{1, "A", 6, -60}}, "aps=1 p=-60/01/A/6 s=-/00 u=1 co=0 ov=0 n=- snr=-"},
        // A tie goes to the lower MAC.
        {{{2, "A", 6, -60}, {1, "A", 11, -60}},
         "aps=2 p=-60/01/A/11 s=-60/02 u=2 co=0 ov=0 n=- snr=-"},
        // Two networks on one channel.
        {{{1, "A", 6, -50}, {3, "B", 6, -80}, {4, "B", 6, -90}, {2, "A", 6, -70}},
         "aps=4 p=-50/01/A/6 s=-70/02 u=2 co=2 ov=0 n=- snr=-"},
        // 2.4 GHz overlap 1 to 4 channels away at the floor.
        {{{1, "A", 6, -50},
          {5, "B", 2, -80},
          {6, "B", 10, -85},
          {7, "B", 1, -60},
          {8, "B", 7, -86},
          {9, "B", 8, -70}},
         "aps=6 p=-50/01/A/6 s=-/00 u=1 co=0 ov=3 n=- snr=-"},
        // 5 GHz: no overlap; 6 GHz 1 is not 2.4 GHz 1.
        {{{1, "A", 36, -50, k5}, {2, "B", 36, -70, k5}, {3, "B", 40, -70, k5}},
         "aps=3 p=-50/01/A/36 s=-/00 u=1 co=1 ov=0 n=- snr=-"},
        {{{1, "A", 1, -50, k24}, {2, "B", 1, -60, k6}},
         "aps=2 p=-50/01/A/1 s=-/00 u=1 co=0 ov=0 n=- snr=-"},
        // A chosen SSID weaker than another; one not heard.
        {{{1, "A", 6, -40}, {2, "B", 11, -70}, {3, "B", 1, -76}},
         "aps=3 p=-70/02/B/11 s=-76/03 u=1 co=0 ov=0 n=- snr=-",
         "B"},
        {{{1, "A", 6, -40}, {2, "A", 6, -50}}, "aps=2 p=- s=-/00 u=0 co=- ov=- n=- snr=-", "C"},
        // A placeholder.
        {{{0, "FILL", 0, 0}}, "aps=0 p=- s=-/00 u=0 co=- ov=- n=- snr=-"},
        // One BSSID twice in a merged point.
        {{{1, "A", 6, -60}, {1, "A", 6, -55}}, "aps=2 p=-55/01/A/6 s=-/00 u=1 co=0 ov=0 n=- snr=-"},
        // The usable level is inclusive.
        {{{1, "A", 6, -75}, {2, "A", 6, -76}},
         "aps=2 p=-75/01/A/6 s=-76/02 u=1 co=1 ov=0 n=- snr=-"},
        // Noise of the primary's channel (a board record: 2.4 GHz) gives the
        // SNR, the higher floor of two surveys; another channel's nothing.
        {{{1, "A", 6, -60}},
         "aps=1 p=-60/01/A/6 s=-/00 u=1 co=0 ov=0 n=-95 snr=35",
         {},
         {{WifiBand::k24GHz, 6, -95}}},
        {{{1, "A", 6, -60}},
         "aps=1 p=-60/01/A/6 s=-/00 u=1 co=0 ov=0 n=-90 snr=30",
         {},
         {{WifiBand::k24GHz, 6, -95}, {WifiBand::k24GHz, 6, -90}}},
        {{{1, "A", 6, -60}},
         "aps=1 p=-60/01/A/6 s=-/00 u=1 co=0 ov=0 n=- snr=-",
         {},
         {{WifiBand::k24GHz, 11, -95}, {WifiBand::k6GHz, 6, -95}}},
    };
    for (const Row& row : rows) {
        const PointMeasures m{row.noise, {}};
        EXPECT_EQ(Describe(FiguresOf(row.recs, row.ssid, &m)), row.expected);
    }
}

TEST(RequirementTest, EveryCriterionAtAboveAndBelowItsThresholdAndUnknowns) {
    using V = Verdict;
    // A point passing every criterion below, changed; each criterion given has a verdict.
    const auto check = [](const char* criteria, const std::function<void(PointFigures&)>& change,
                          V expected) {
        PointFigures f;
        f.hasPrimary = true;
        f.primaryDbm = -50, f.secondaryDbm = -50, f.snrDb = 40, f.cochannel = 0, f.apsUsable = 5;
        change(f);
        const PointVerdict v = Evaluate(Parse(criteria), f);
        EXPECT_EQ(v.overall, expected) << criteria;
        int set = 0;
        for (const auto& c : v.criteria) set += c.has_value();
        EXPECT_EQ(set, std::count(criteria, criteria + std::strlen(criteria), ',') + 1) << criteria;
    };
    // At its threshold and a step better a criterion passes, a step worse it fails.
    using Set = void (*)(PointFigures&, double);
    const struct {
        const char* criteria;
        Set set;
        double at, step;
    } edges[] = {
        {"primary=-67", [](PointFigures& f, double v) { f.primaryDbm = v; }, -67, 1},
        {"secondary=-75", [](PointFigures& f, double v) { f.secondaryDbm = v; }, -75, 1},
        {"snr=25", [](PointFigures& f, double v) { f.snrDb = v; }, 25, 1},
        {"cochannel=1", [](PointFigures& f, double v) { f.cochannel = v; }, 1, -1},
        {"aps=3", [](PointFigures& f, double v) { f.apsUsable = v; }, 3, 1},
        {"down=20", [](PointFigures& f, double v) { f.throughput.emplace().downMbps = v; }, 20,
         .01},
        {"up=20", [](PointFigures& f, double v) { f.throughput.emplace().upMbps = v; }, 20, 1},
    };
    for (const auto& e : edges)
        for (const auto& [v, expected] :
             {std::pair{e.at, V::kPass}, {e.at + e.step, V::kPass}, {e.at - e.step, V::kFail}}) {
            SCOPED_TRACE(v);
            check(
                e.criteria, [&](PointFigures& f) { e.set(f, v); }, expected);
        }
    const auto noPrimary = [](PointFigures& f) { f = PointFigures{}; };
    const auto noSnr = [](PointFigures& f) { f.snrDb.reset(); };
    const auto untested = [](PointFigures&) {};
    const struct {
        const char* criteria;
        std::function<void(PointFigures&)> change;
        V expected;
    } rows[] = {
        {"primary=-67", noPrimary, V::kFail},
        {"secondary=-75", [](PointFigures& f) { f.secondaryDbm.reset(); }, V::kFail},
        {"snr=25", noSnr, V::kUnknown},
        {"snr=25", noPrimary, V::kFail},
        {"cochannel=1", noPrimary, V::kFail},
        {"aps=0", noPrimary, V::kPass},
        {"down=20", untested, V::kUnknown},
        {"up=20", untested, V::kUnknown},
        // 19.995 Mbit/s is shown as 20.00.
        {"down=20", [](PointFigures& f) { f.throughput.emplace().downMbps = 19.995; }, V::kPass},
        // The point: fail before unknown before pass.
        {"primary=-67,snr=25", noSnr, V::kUnknown},
        {"primary=-70,snr=25,down=1", [](PointFigures& f) { f.primaryDbm = -80; }, V::kFail},
    };
    for (const auto& row : rows) check(row.criteria, row.change, row.expected);
}

TEST(RequirementTest, ProfilesAndCriteriaReadBackAndEveryBadPartIsNamed) {
    const std::pair<const char*, const char*> good[] = {
        {"data", "primary=-70,snr=20"},
        // voice's criteria are in the site tool's report (StoredReport).
        {"location", "aps=3@-75"},
        {" primary = -67 , down=2.5,up=100 ", "primary=-67,down=2.5,up=100"},
        {"aps=3,cochannel=2@-80", "cochannel=2@-80,aps=3@-75"},
        {"primary=-67,secondary=-75,snr=25,cochannel=1,aps=3@-75,down=20",
         "primary=-67,secondary=-75,snr=25,cochannel=1,aps=3@-75,down=20"},
    };
    for (const auto& [text, criteria] : good) {
        const Requirement r = Parse(text);
        EXPECT_EQ(RequirementCriteria(r), criteria) << text;
        EXPECT_EQ(Parse(RequirementCriteria(r).c_str()).primaryDbm, r.primaryDbm);
    }

    const std::pair<const char*, const char*> bad[] = {
        {"", "empty requirement"},
        {"voce", "unknown requirement profile \"voce\""},
        {"primary=-67,,snr=1", "an empty part in"},
        {"rssi=-60", "unknown criterion \"rssi\""},
        {"primary=-130", "\"primary=-130\": signal outside -120..0 dBm"},
        {"primary=-6x", "\"primary=-6x\": not a whole number of dBm"},
        {"snr=101", "\"snr=101\": SNR outside 0..100 dB"},
        {"cochannel=-1", "\"cochannel=-1\": a count below 0"},
        {"aps=1000", "\"aps=1000\": a count above 999"},
        {"aps=3@-121", "\"aps=3@-121\": signal outside -120..0 dBm"},
        {"down=-1", "\"down=-1\": a rate below 0 Mbit/s"},
        {"down=inf", "\"down=inf\": not a number of Mbit/s"},
        {"primary=-67@-80", "\"primary=-67@-80\": primary takes no @ level"},
        {"primary=-67,primary=-70", "\"primary\" given twice"},
    };
    for (const auto& [text, message] : bad) {
        const RequirementParse p = ParseRequirement(text);
        EXPECT_FALSE(p.requirement) << text;
        EXPECT_NE(p.error.find(message), std::string::npos) << text << " -> " << p.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

// Verdicts of a requirement with a primary and an SNR criterion.
PointVerdict Verdicts(Verdict primary, Verdict snr) {
    PointVerdict v;
    v.criteria[static_cast<size_t>(Criterion::kPrimary)] = primary;
    v.criteria[static_cast<size_t>(Criterion::kSnr)] = snr;
    v.overall = Combine(v.criteria);
    return v;
}

TEST(AreaShareTest, GridsWithAKnownAnswer) {
    using V = Verdict;
    const PointVerdict pass = Verdicts(V::kPass, V::kPass), fail = Verdicts(V::kFail, V::kPass),
                       unknown = Verdicts(V::kPass, V::kUnknown);
    const ShareGeometry plan{402, 402, 60, 0.05};  // cells of 3: x = 99 and 300 lie alike
    struct Row {
        std::vector<PlacedVerdict> points;
        double passPct, unknownPct, failPct;
    };
    const Row rows[] = {
        {{{201, 201, pass}}, 100, 0, 0},
        {{{201, 201, fail}}, 0, 0, 100},
        {{{201, 201, unknown}}, 0, 100, 0},
        // A known half: two discs apart, and the nearest point of discs overlapping.
        {{{99, 201, pass}, {300, 201, fail}}, 50, 0, 50},
        {{{171, 201, fail}, {231, 201, pass}}, 50, 0, 50},
        // One place measured twice: the worse verdict.
        {{{201, 201, pass}, {201, 201, fail}}, 0, 0, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);  // the row's index
        const AreaShares s = ComputeAreaShares(row.points, plan);
        EXPECT_EQ(s.cell, 3);
        EXPECT_EQ(s.overall.pass + s.overall.unknown + s.overall.fail, s.surveyed);
        EXPECT_DOUBLE_EQ(s.Percent(s.overall.pass), row.passPct);
        EXPECT_DOUBLE_EQ(s.Percent(s.overall.unknown), row.unknownPct);
        EXPECT_DOUBLE_EQ(s.Percent(s.overall.fail), row.failPct);
    }
    // Points at 198, 210 and 222 across, the middle one failing: its cells
    // are its disc between the bisectors (204 and 216, on cell edges), of a
    // union of three discs (the outer two's lens lies inside the middle disc).
    const double r = 60;
    const auto slice = [r](double u) {
        return u * std::sqrt(r * r - u * u) + r * r * std::asin(u / r);
    };
    const double lens12 = 2 * r * r * std::acos(12 / (2 * r)) - 6 * std::sqrt(4 * r * r - 144);
    const AreaShares three =
        ComputeAreaShares({{198, 201, pass}, {210, 201, fail}, {222, 201, pass}}, plan);
    EXPECT_NEAR(three.Percent(three.overall.fail),
                100 * (slice(6) - slice(-6)) / (3 * M_PI * r * r - 2 * lens12), 0.2);
    // One disc is pi R^2 within 1 % (its square metres are the site tool's
    // report's, StoredReport).
    const AreaShares one = ComputeAreaShares({{201, 201, unknown}}, plan);
    EXPECT_NEAR(static_cast<double>(one.surveyed), M_PI * 3600, M_PI * 36);
    // Each criterion on its own: the primary passes, the SNR is unknown.
    ASSERT_TRUE(one.criteria[static_cast<size_t>(Criterion::kSnr)]);
    EXPECT_EQ(one.criteria[static_cast<size_t>(Criterion::kSnr)]->unknown, one.surveyed);
    EXPECT_EQ(one.criteria[static_cast<size_t>(Criterion::kPrimary)]->pass, one.surveyed);
    EXPECT_FALSE(one.criteria[static_cast<size_t>(Criterion::kDown)]);
    // At the plan's corner a quarter of the disc lies on the plan; nothing
    // is surveyed without points or without a scale in metres.
    const AreaShares corner = ComputeAreaShares({{0, 0, pass}}, {402, 402, 60, {}});
    EXPECT_NEAR(static_cast<double>(corner.surveyed), M_PI * 900, M_PI * 18);
    EXPECT_FALSE(corner.SquareMetres(corner.surveyed));
    EXPECT_EQ(ComputeAreaShares({}, plan).surveyed, 0);
}

TEST(MetricBandsTest, EachMetricsBoundsAndRounding) {
    struct Row {
        Metric metric;
        double value;
        int8_t band;
    };
    const Row rows[] = {
        {Metric::kSecondarySignal, -67.5, 0},  // rounded, halves upward
        {Metric::kSecondarySignal, -67.51, 1},
        {Metric::kSecondarySignal, -86, 3},
        {Metric::kCochannel, 0, 0},  // lower is better
        {Metric::kCochannel, 0.5, 1},
        {Metric::kCochannel, 7, 3},
        {Metric::kPassFail, kUnknownValue, 1},
        {Metric::kDownload, 99.99, 1},  // not rounded
    };
    for (const Row& row : rows)
        EXPECT_EQ(MetricBandOf(row.metric, row.value), row.band)
            << BandsOf(row.metric).name << " " << row.value;
    for (int m = 0; m < kMetricCount; ++m)
        EXPECT_EQ(BandsOf(static_cast<Metric>(m)).metric, static_cast<Metric>(m));
}

TEST(PerPointExportTest, RowsOfPointsWithAndWithoutTheNetworkAndMeasures) {
    CApList survey;
    AddPoint(survey, 10, 20, {{1, "caf\xe9", 6, -60}, {2, "caf\xe9", 6, -70}, {3, "B", 11, -50}});
    AddPoint(survey, 30, 40, {{0, "FILL", 0, 0}});
    AddPoint(survey, 50, 60, {{3, "B", 11, -65}});
    ThroughputFigures t;
    t.downMbps = 94.126, t.upMbps = 40, t.downRetransmits = 3, t.upRetransmits = 4;
    t.rttMs = 1.23456;
    const PointMeasures measured{{{WifiBand::k24GHz, 6, -92}}, t};
    const std::optional<std::string> ssid = SsidNamed(survey, "caf\xc3\xa9");
    ASSERT_TRUE(ssid);
    EXPECT_FALSE(SsidNamed(survey, "C"));
    const Requirement voice = Parse("primary=-67,snr=25,down=50");
    const std::vector<PerPointRow> rows = PerPointRows(survey, ssid, &voice, {measured});
    std::vector<std::string> lines;
    for (const PerPointRow& row : rows) {
        std::string line;
        for (const ExportCell& c : row) line += (line.empty() ? "" : ",") + c.Text();
        lines.push_back(line);
    }
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "10,20,TEST,3,-60,001122334401,caf\xc3\xa9,6,-70,001122334402,2,1,0,-92,32,"
                  "94.13,40.00,1.235,7,,,yes",
                  "30,40,FILL,0,,,,,,,0,,,,,,,,,,,no", "50,60,TEST,1,,,,,,,0,,,,,,,,,,,no"}));
    EXPECT_EQ(rows[0][15].decimal, 94.13);
}

}  // namespace

TEST(MetricValuesTest, EachMetricsValueOfAPointAndThePointsWithout) {
    // Point 1: office primary -60 (ch 6), secondary -70, a neighbour on ch 6,
    // noise -95 and a throughput test. Point 2: office heard once, no noise,
    // no test. Point 3: a placeholder.
    CApList s;
    AddPoint(s, 10, 10, {{1, "office", 6, -60}, {2, "office", 11, -70}, {3, "guest", 6, -80}});
    AddPoint(s, 50, 10, {{1, "office", 6, -74}});
    AddPoint(s, 90, 10, {{0, "", 0, 0}});
    std::vector<PointMeasures> measures(3);
    ThroughputFigures t;
    t.downMbps = 49.996, t.upMbps = 12.3;
    measures[0] = {{{WifiBand::kUnknown, 6, -95}}, t};
    const Requirement voice = Parse("voice");
    const NetworkChoice office = NetworkChoice::OfSsid("office");
    struct Row {
        Metric metric;
        const Requirement* requirement;
        std::vector<PointValue> values;
    } table[] = {
        {Metric::kSecondarySignal, nullptr, {{10, 10, -70}, {50, 10, -100}, {90, 10, -100}}},
        {Metric::kUsableAps, nullptr, {{10, 10, 2}, {50, 10, 1}, {90, 10, 0}}},
        {Metric::kCochannel, nullptr, {{10, 10, 1}, {50, 10, 0}}},
        // The SNR's values: SurveyDocumentTest's map of the layer and its requirement.
        {Metric::kPassFail, nullptr, {}},
        // Point 1 passes every criterion; point 2 fails secondary; 3 hears nothing.
        {Metric::kPassFail, &voice, {{10, 10, 2}, {50, 10, 0}, {90, 10, 0}}},
        {Metric::kDownload, nullptr, {{10, 10, 5000}}},  // 49.996 is 50.00 Mbit/s
        {Metric::kUpload, nullptr, {{10, 10, 1230}}},
    };
    for (const Row& r : table) {
        std::vector<PointValue> out{{1, 1, 1}};
        CollectMetricValues(s, office, r.metric, r.requirement, measures, out);
        EXPECT_EQ(out, r.values) << BandsOf(r.metric).name;
    }
    // An access point chosen means its network: office's usable BSSIDs.
    std::vector<PointValue> out;
    CollectMetricValues(s, NetworkChoice::OfAccessPoint({0x00, 0x11, 0x22, 0x33, 0x44, 2}),
                        Metric::kUsableAps, nullptr, measures, out);
    EXPECT_EQ(out, (std::vector<PointValue>{{10, 10, 2}, {50, 10, 1}, {90, 10, 0}}));
}
