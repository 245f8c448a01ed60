// Survey-journal speed: appending a point of 20 access points, without and
// with the flush to the disk that every record gets; recovering a journal of
// 10,000 such points against Open reading the same points from a site file.
// Aim: recovery within 2x of the site file's reading.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSurvey.h"
#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "journal/JournalReplay.h"
#include "journal/JournalWriter.h"
#include "site/SiteBuilder.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

using benchsurvey::BenchPath;
using benchsurvey::PointOf20;

// The real file calls with the flush left out.
class NoFlushOps : public PosixFileOps {
public:
    int Fdatasync(int) override { return 0; }
};

// Appends to a journal that is begun again every 4,096 points (outside the
// timing), so that the file stays small.
void AppendPoints(benchmark::State& state, FileOps& ops) {
    const std::string path = BenchPath("append.journal");
    ::unlink(path.c_str());
    JournalWriter writer(ops);
    const JournalPoint point = PointOf20(0);
    int written = 0;
    for (auto _ : state) {
        if (written++ % 4096 == 0) {
            state.PauseTiming();
            writer.Close();
            ::unlink(path.c_str());
            if (!writer.Create(path, JournalBegin{}, 0).ok) state.SkipWithError("create");
            state.ResumeTiming();
        }
        if (!writer.AppendPoint(point).ok) state.SkipWithError("append");
    }
    writer.Close();
    ::unlink(path.c_str());
}

void BM_AppendPointOf20ApsWithoutFlush(benchmark::State& state) {
    NoFlushOps ops;
    AppendPoints(state, ops);
}

void BM_AppendPointOf20ApsFlushed(benchmark::State& state) {
    PosixFileOps ops;
    AppendPoints(state, ops);
}

constexpr int kPoints = 10000;

// The same 10,000 points of 20 APs as a journal and as a site file.
struct Survey {
    std::string journal = BenchPath("survey.journal");
    std::string site = BenchPath("survey.hss");
    Survey() {
        NoFlushOps fast;
        JournalWriter w(fast);
        ::unlink(journal.c_str());
        if (!w.Create(journal, JournalBegin{}, 0).ok) std::exit(1);
        CApList list;
        for (int n = 0; n < kPoints; ++n) {
            const JournalPoint p = PointOf20(n);
            if (!w.AppendPoint(p).ok) std::exit(1);
            benchsurvey::AddToList(p, list);
        }
        w.Close();
        NewSitePlan plan;
        plan.width = 800;
        plan.height = 560;
        plan.fillRow = [](int32_t, uint8_t* row) { std::memset(row, 0, 800); };
        std::vector<uint8_t> file = BuildSiteFile(plan, 1);
        CSiteRecord record;
        MemorySource src(file);
        if (!ReadSiteHeader(src, record).ok) std::exit(1);
        file.resize(record.PointsOffset());
        const std::vector<uint8_t> points = EncodePointsSection(record, list);
        file.insert(file.end(), points.begin(), points.end());
        FILE* f = std::fopen(site.c_str(), "wb");
        if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size())
            std::exit(1);
        std::fclose(f);
    }
    ~Survey() {
        ::unlink(journal.c_str());
        ::unlink(site.c_str());
    }
};

const Survey& TheSurvey() {
    static const Survey survey;
    return survey;
}

void BM_RecoverJournalOf10000Points(benchmark::State& state) {
    const Survey& s = TheSurvey();
    for (auto _ : state) {
        const JournalFile file = ReadJournalFile(s.journal);
        CApList list;
        CSiteRecord site;
        const JournalReplay replay = ReplayJournal(file.contents, list, site);
        if (replay.applied != kPoints || list.Count() != kPoints * 20) state.SkipWithError("short");
    }
}

void BM_ReadJournalOf10000PointsOnly(benchmark::State& state) {
    const Survey& s = TheSurvey();
    for (auto _ : state) {
        const JournalFile file = ReadJournalFile(s.journal);
        benchmark::DoNotOptimize(file.contents.changes.data());
    }
}

void BM_ReadSamePointsFromSiteFile(benchmark::State& state) {
    const Survey& s = TheSurvey();
    for (auto _ : state) {
        FileSource src(s.site);
        CSiteRecord record;
        CApList list;
        if (!ReadSiteHeader(src, record).ok || !ReadPoints(src, record, list, nullptr).ok ||
            list.Count() != kPoints * 20)
            state.SkipWithError("rejected");
    }
}

BENCHMARK(BM_AppendPointOf20ApsWithoutFlush)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendPointOf20ApsFlushed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecoverJournalOf10000Points)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadJournalOf10000PointsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSamePointsFromSiteFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
