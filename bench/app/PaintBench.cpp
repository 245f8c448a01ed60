// Paint time of the map (whole 10,000 x 7,000 plan, and zoomed in) and of the
// scan screen with 30 APs; time and peak memory of opening such a site.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cstring>

#include "aplist/ApList.h"
#include "app/TambRUMOView.h"
#include "board/ScannerBoard.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "site/SiteBuilder.h"
#include "site/SiteRecord.h"

namespace {

class No : public platform::IMessageBoxes {
public:
    int Show(QWidget*, const QString&, const QString&, unsigned) override { return platform::IDNO; }
};
No g_no;

QString BigSite(QTemporaryDir& dir) {
    static QString path;
    if (!path.isEmpty()) return path;
    NewSitePlan plan;
    plan.width = 10000;
    plan.height = 7000;
    for (int i = 0; i < 256; ++i) plan.colorTable[i] = 0x010101u * static_cast<uint32_t>(i);
    plan.fillRow = [](int32_t y, uint8_t* row) {
        for (int32_t x = 0; x < 10000; ++x) row[x] = static_cast<uint8_t>((x ^ y) & 0xFF);
    };
    const std::vector<uint8_t> bytes = BuildSiteFile(plan, 0);
    path = dir.filePath("big.hss");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

QTemporaryDir& Dir() {
    static QTemporaryDir dir;
    return dir;
}

CTambRUMOView& OpenedView() {
    static CTambRUMOView* view = [] {
        platform::SetMessageBoxes(&g_no);
        auto* v = new CTambRUMOView();
        v->resize(240, 268);
        v->OpenSitePath(BigSite(Dir()));
        return v;
    }();
    return *view;
}

void PaintOnce(benchmark::State& state, CTambRUMOView& view) {
    QImage target(240, 268, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        view.OnDraw(p, target.rect());
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_MapWholePlan(benchmark::State& state) {
    CTambRUMOView& view = OpenedView();
    view.m_displayMode = 1;
    view.Viewport().SetView(10000, 7000);
    PaintOnce(state, view);
}
BENCHMARK(BM_MapWholePlan)->Unit(benchmark::kMillisecond);

void BM_MapZoomedIn(benchmark::State& state) {
    CTambRUMOView& view = OpenedView();
    view.m_displayMode = 1;
    view.Viewport().SetView(10000, 7000);
    for (int i = 0; i < 5; ++i) view.Viewport().ZoomIn();
    view.Viewport().ScrollLeft(4000);
    PaintOnce(state, view);
}
BENCHMARK(BM_MapZoomedIn)->Unit(benchmark::kMillisecond);

void BM_ScanScreen30Aps(benchmark::State& state) {
    CTambRUMOView& view = OpenedView();
    view.m_displayMode = 2;
    theBoard.m_scanChannel = 6;
    scanList.RemoveAll();
    for (int i = 0; i < 30; ++i) {
        ApRecord* r = nullptr;
        scanList.NewRecord(r);
        r->channel = static_cast<uint8_t>(1 + i % 13);
        std::snprintf(r->macText, sizeof r->macText, "00112233%04X", i);
        std::snprintf(r->ssid, sizeof r->ssid, "network-%02d", i);
        r->rssi = -50 * 3 - i;
        r->readingCount = 3;
        scanList.AddTail(r);
    }
    PaintOnce(state, view);
}
BENCHMARK(BM_ScanScreen30Aps)->Unit(benchmark::kMillisecond);

void BM_OpenBigSite(benchmark::State& state) {
    platform::SetMessageBoxes(&g_no);
    const QString path = BigSite(Dir());
    CTambRUMOView view;
    view.resize(240, 268);
    for (auto _ : state) benchmark::DoNotOptimize(view.OpenSitePath(path));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_OpenBigSite)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
