// Arbitrary bytes as the kernel's answer to an nl80211 channel-survey dump,
// through the parser, the source's noise floors and a point's figures. The parser
// must never read outside a datagram (each is an exact-size heap copy, so
// ASan sees any overread), nor take anything after the end of the answer.
//
// Input: byte 0 chooses how the rest is cut into datagrams (Datagrams.h).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Datagrams.h"
#include "aplist/ApList.h"
#include "requirements/PointFigures.h"
#include "sources/wifi/Nl80211SurveyParser.h"
#include "sources/wifi/WifiScan.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_nl80211_survey: %s\n", what);
    std::abort();
}

// The survey's noise floors as the source keeps them and the figures take
// them (NoiseOfSurvey, ChannelNoiseOf), against a primary on each channel:
// every floor plausible and on a channel of a band, the SNR the primary less
// the noise.
void Check(const Nl80211SurveyDumpParser& parser) {
    PointMeasures measures;
    measures.noise = ChannelNoiseOf(NoiseOfSurvey(parser.Entries()));
    for (const ChannelNoise& n : measures.noise) {
        if (n.dBm < kLeastNoiseDbm || n.dBm > kMostNoiseDbm) Fail("an implausible noise kept");
        if (n.channel == 0 || n.band == WifiBand::kUnknown) Fail("a noise of no channel kept");
        CApList list;
        ApRecord* r = nullptr;
        if (list.NewRecord(r) != CApList::kOk) return;
        r->channel = n.channel;
        r->band = static_cast<uint8_t>(n.band);
        r->rssi = -50;
        r->mac[5] = 1;
        list.AddTail(r);
        const PointFigures f = FiguresOfPoint(*list.First(), list.Sentinel(), {}, {}, &measures);
        if (!f.snrDb || !f.noiseDbm || *f.snrDb != -50 - *f.noiseDbm)
            Fail("an SNR not of its channel's noise");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Nl80211SurveyDumpParser parser;
    FeedDatagrams(parser, data, size, "fuzz_nl80211_survey");
    Check(parser);
    return 0;
}
