// Survey-store speed: recording a point of 20 access points with 5 readings
// each (one synchronous transaction) against the journal's flushed append of
// the same point; opening a store of 10,000 points x 20 readings against
// reading the same points from a site file.
// What a metric map asks of the store at every change of the survey: the
// noise floors and the latest throughput test of each of 2,000 points, in
// two queries, against two queries per point.
// Aims: a point within the journal's flush plus 1 ms; the store's part of
// opening a site at most half of reading its points (Open within 1.5x); the
// metric map's questions within a frame (16 ms).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSurvey.h"
#include "aplist/ApList.h"
#include "journal/JournalWriter.h"
#include "site/SiteBuilder.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"
#include "store/SurveyStore.h"

namespace {

using benchsurvey::BenchPath;
using benchsurvey::PointOf20;

void RemoveStore(const std::string& site) {
    for (const char* s : {".survey", ".survey-wal", ".survey-shm"}) ::unlink((site + s).c_str());
}

std::vector<ScanReading> ReadingsOf(int perAp) {
    std::vector<ScanReading> out;
    for (int k = 0; k < perAp; ++k)
        for (int a = 0; a < 20; ++a) {
            ScanReading& r = out.emplace_back();
            r.mac[5] = static_cast<uint8_t>(a);
            r.dbm = static_cast<int16_t>(-40 - a * 2 - k);
            r.batch = static_cast<uint16_t>(k + 1);
            r.timeMs = 1'796'000'000'000 + k * 700;
        }
    return out;
}

StoreBinding Binding() {
    StoreBinding b;
    b.site = {1234, 5678, 0xABCD};
    b.planCrc = 1;
    b.planBytes = 2;
    return b;
}

void BM_StoreRecordPointOf20ApsWith100Readings(benchmark::State& state) {
    const std::string site = BenchPath("record.hss");
    RemoveStore(site);
    CSurveyStore store(nullptr);
    store.Opened(site, Binding(), {}, true);
    const std::vector<ScanReading> readings = ReadingsOf(5);
    int n = 0;
    for (auto _ : state)
        if (!store.PointRecorded(PointOf20(n++), readings)) state.SkipWithError("record");
    store.Close();
    RemoveStore(site);
}

void BM_JournalAppendPointOf20ApsFlushed(benchmark::State& state) {
    const std::string path = BenchPath("append.journal");
    ::unlink(path.c_str());
    PosixFileOps ops;
    JournalWriter writer(ops);
    if (!writer.Create(path, JournalBegin{}, 0).ok) state.SkipWithError("create");
    const JournalPoint point = PointOf20(0);
    for (auto _ : state)
        if (!writer.AppendPoint(point).ok) state.SkipWithError("append");
    writer.Close();
    ::unlink(path.c_str());
}

constexpr int kPoints = 10000;

// A site file of 10,000 points of 20 access points, and a store beside it
// holding their 20 readings each (one per access point).
struct BigSurvey {
    std::string site = BenchPath("big.hss");
    std::vector<SequencePoint> points;
    BigSurvey() {
        CApList list;
        for (int n = 0; n < kPoints; ++n) {
            benchsurvey::AddToList(PointOf20(n), list);
        }
        NewSitePlan plan;
        plan.width = 1000, plan.height = 1000;
        plan.fillRow = [](int32_t, uint8_t* row) { std::memset(row, 0, 1000); };
        std::vector<uint8_t> file = BuildSiteFile(plan, 1);
        CSiteRecord record;
        MemorySource src(file);
        if (!ReadSiteHeader(src, record).ok) std::exit(1);
        file.resize(record.PointsOffset());
        const std::vector<uint8_t> section = EncodePointsSection(record, list);
        file.insert(file.end(), section.begin(), section.end());
        FILE* f = std::fopen(site.c_str(), "wb");
        if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size())
            std::exit(1);
        std::fclose(f);

        RemoveStore(site);
        CSurveyStore store(nullptr);
        store.Opened(site, Binding(), {}, true);
        const std::vector<ScanReading> readings = ReadingsOf(1);
        for (int n = 0; n < kPoints; ++n)
            if (!store.PointRecorded(PointOf20(n), readings)) std::exit(1);
        store.SaveStarting(Binding());
        store.Saved();
        points = store.Sequence().Points();
        if (points.size() != kPoints) std::exit(1);
    }
    ~BigSurvey() {
        ::unlink(site.c_str());
        RemoveStore(site);
    }
};

const BigSurvey& TheSurvey() {
    static const BigSurvey survey;
    return survey;
}

void BM_OpenSiteWith10kPointsReadPoints(benchmark::State& state) {
    const BigSurvey& s = TheSurvey();
    for (auto _ : state) {
        FileSource src(s.site);
        CSiteRecord record;
        MapBitmap map;
        CApList list;
        if (!ReadSiteHeader(src, record).ok || !ReadMapBitmap(src, record.BitmapOffset(), map).ok ||
            !ReadPoints(src, record, list, [](int32_t, int32_t, int16_t) {}).ok)
            state.SkipWithError("read");
        benchmark::DoNotOptimize(list.Count());
    }
}

void BM_OpenStoreOf10kPointsX20Readings(benchmark::State& state) {
    const BigSurvey& s = TheSurvey();
    CSurveyStore store(nullptr);
    for (auto _ : state) {
        store.Opened(s.site, Binding(), s.points, true);
        if (store.Sequence().Size() != kPoints) state.SkipWithError("bind");
        store.Close();
    }
}

// 2,000 recorded points, each with the noise of channels 1, 6 and 11 and a
// throughput test.
struct MeasuredSurvey {
    static constexpr int kCount = 2000;
    std::string site = BenchPath("measured.hss");
    CSurveyStore store{nullptr};
    MeasuredSurvey() {
        RemoveStore(site);
        store.Opened(site, Binding(), {}, true);
        const std::vector<ScanReading> readings = ReadingsOf(1);
        ThroughputFigures figures;
        figures.server = "127.0.0.1";
        figures.downMbps = 80, figures.upMbps = 40, figures.rttMs = 3.5;
        for (int n = 0; n < kCount; ++n) {
            std::vector<ScanNoise> noise;
            for (uint8_t channel : {1, 6, 11})
                noise.push_back({1, channel, static_cast<int16_t>(-90 - n % 7), n * 1000});
            figures.startUtcMs = 1'796'000'000'000 + n * 5000;
            if (!store.PointRecorded(PointOf20(n), readings, noise) ||
                !store.ThroughputTested(store.Sequence().Points().back().id,
                                        ThroughputOutcome{ThroughputFault::kNone, {}, figures}))
                std::exit(1);
        }
    }
    ~MeasuredSurvey() {
        store.Close();
        RemoveStore(site);
    }
};

MeasuredSurvey& Measured() {
    static MeasuredSurvey survey;
    return survey;
}

void BM_EveryPointsNoiseAndTestOf2000(benchmark::State& state) {
    CSurveyStore& store = Measured().store;
    for (auto _ : state) {
        const auto noise = store.EveryPointNoise();
        const auto tests = store.EveryPointThroughput();
        if (noise.size() != MeasuredSurvey::kCount || tests.size() != MeasuredSurvey::kCount)
            state.SkipWithError("every point");
    }
}

void BM_EachPointsNoiseAndTestOf2000(benchmark::State& state) {
    CSurveyStore& store = Measured().store;
    for (auto _ : state)
        for (size_t i = 0; i < MeasuredSurvey::kCount; ++i)
            if (store.PointNoise(i).size() != 3 || !store.PointThroughput(i))
                state.SkipWithError("each point");
}

}  // namespace

BENCHMARK(BM_EveryPointsNoiseAndTestOf2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EachPointsNoiseAndTestOf2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreRecordPointOf20ApsWith100Readings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JournalAppendPointOf20ApsFlushed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSiteWith10kPointsReadPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenStoreOf10kPointsX20Readings)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
