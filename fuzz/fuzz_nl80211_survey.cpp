// Arbitrary bytes as the kernel's answer to an nl80211 channel-survey dump,
// through the parser and into the noise of a point's figures. The parser
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

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_nl80211_survey: %s\n", what);
    std::abort();
}

// Each surveyed channel's noise as a point's measures, against a primary on
// each channel heard: the SNR is the primary less the noise, or unknown.
void Check(const Nl80211SurveyDumpParser& parser) {
    PointMeasures measures;
    for (const KernelSurveyEntry& e : parser.Entries()) {
        if (e.frequencyMhz == 0 && !e.hasNoise && !e.inUse && !e.hasTime) continue;
        const WifiChannel c = ChannelOfFrequency(e.frequencyMhz);
        if (e.hasNoise) measures.noise.push_back({c.band, c.number, e.noiseDbm});
    }
    for (const ChannelNoise& n : measures.noise) {
        CApList list;
        ApRecord* r = nullptr;
        list.NewRecord(r);
        r->channel = n.channel == 0 ? 1 : n.channel;
        r->band = static_cast<uint8_t>(n.band);
        r->rssi = -50;
        r->mac[5] = 1;
        list.AddTail(r);
        const PointFigures f = FiguresOfPoint(*list.First(), list.Sentinel(), {}, {}, &measures);
        if (f.snrDb && (!f.noiseDbm || *f.snrDb != -50 - *f.noiseDbm))
            Fail("an SNR not of its noise");
        if (f.noiseDbm && (*f.noiseDbm < -128 || *f.noiseDbm > 127)) Fail("a noise no s8 holds");
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
