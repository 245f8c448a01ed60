// Site-file speed: Open's reading of a big plan against reading its bytes
// raw, and Save's points encoding against writing the finished bytes.
// Aim: each pair within a factor of 2.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "aplist/ApList.h"
#include "site/SiteBuilder.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

std::string TempPath(const char* name) {
    return "/tmp/pellorin-bench-" + std::to_string(::getpid()) + "-" + name;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror(path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

// A 10,000 x 7,000 plan (70 MB of pixels) with a few points, in /tmp.
const std::string& BigSite() {
    static const std::string path = [] {
        NewSitePlan plan;
        plan.width = 10000;
        plan.height = 7000;
        for (uint32_t i = 0; i < 256; ++i) plan.colorTable[i] = i * 0x010101u;
        plan.fillRow = [](int32_t y, uint8_t* row) { std::memset(row, y & 0xFF, 10000); };
        std::vector<uint8_t> file = BuildSiteFile(plan, 1);
        const std::string p = TempPath("big.hss");
        WriteFile(p, file);
        return p;
    }();
    return path;
}

void BM_ReadBigSiteRawBytes(benchmark::State& state) {
    const std::string& path = BigSite();
    for (auto _ : state) {
        FileSource src(path);
        std::vector<uint8_t> bytes(src.Size());
        benchmark::DoNotOptimize(src.ReadAt(0, bytes.data(), bytes.size()));
    }
}

void BM_OpenBigSite(benchmark::State& state) {
    const std::string& path = BigSite();
    for (auto _ : state) {
        FileSource src(path);
        CSiteRecord site;
        MapBitmap map;
        CApList list;
        if (!ReadSiteHeader(src, site).ok || !ReadMapBitmap(src, site.BitmapOffset(), map).ok ||
            !ReadPoints(src, site, list, nullptr).ok)
            state.SkipWithError("rejected");
        benchmark::DoNotOptimize(map.bits.data());
    }
}

// 10,000 points with 20 APs each.
const CApList& BigSurvey() {
    static CApList* list = [] {
        auto* l = new CApList;
        for (int p = 0; p < 10000; ++p) {
            for (int a = 0; a < 20; ++a) {
                ApRecord* r = nullptr;
                if (l->NewRecord(r) != CApList::kOk) std::abort();  // out of memory
                r->x = p % 100 * 10;
                r->y = p / 100 * 10;
                std::strcpy(r->pointName, "TEST");
                r->channel = static_cast<uint8_t>(a % 13 + 1);
                r->rssi = -40 - a * 2;
                r->mac[5] = static_cast<uint8_t>(a);
                FormatMacText(r->mac, r->macText);
                std::snprintf(r->ssid, sizeof r->ssid, "network-%d", a);
                l->AddTail(r);
            }
        }
        return l;
    }();
    return *list;
}

// A save always writes a new file beside the old one, so each write here goes
// to a freshly truncated file, as the save's does.
int FreshFile(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
}

void BM_WritePointsBytesInOneCall(benchmark::State& state) {
    CSiteRecord site;
    const std::vector<uint8_t> bytes = EncodePointsSection(site, BigSurvey());
    const std::string path = TempPath("points-raw");
    for (auto _ : state) {
        const int fd = FreshFile(path);
        benchmark::DoNotOptimize(::pwrite(fd, bytes.data(), bytes.size(), 0));
        ::close(fd);
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_EncodeAndWritePoints(benchmark::State& state) {
    const CApList& list = BigSurvey();
    const std::string path = TempPath("points-encoded");
    size_t size = 0;
    for (auto _ : state) {
        CSiteRecord site;
        const std::vector<uint8_t> bytes = EncodePointsSection(site, list);
        size = bytes.size();
        const int fd = FreshFile(path);
        benchmark::DoNotOptimize(::pwrite(fd, bytes.data(), bytes.size(), 0));
        ::close(fd);
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// As above with the output buffer kept from one save to the next.
void BM_EncodeIntoReusedBufferAndWritePoints(benchmark::State& state) {
    const CApList& list = BigSurvey();
    const std::string path = TempPath("points-reused");
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        CSiteRecord site;
        EncodePointsSection(site, list, bytes);
        const int fd = FreshFile(path);
        benchmark::DoNotOptimize(::pwrite(fd, bytes.data(), bytes.size(), 0));
        ::close(fd);
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// The floor under any encoder: visiting the 200,000 list records once (about
// 29 MB of nodes) and touching the fields that go into the file.
void BM_TraverseSurveyListOnly(benchmark::State& state) {
    const CApList& list = BigSurvey();
    for (auto _ : state) {
        int64_t sum = 0;
        for (const ApRecord* e = list.First(); e != nullptr;
             e = e->next == list.Sentinel() ? nullptr : e->next)
            sum += e->x + e->y + e->rssi + e->channel + e->ssid[0] + e->pointName[0] + e->mac[5];
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK(BM_ReadBigSiteRawBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenBigSite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePointsBytesInOneCall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeAndWritePoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeIntoReusedBufferAndWritePoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TraverseSurveyListOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ::unlink(BigSite().c_str());
    return 0;
}
