// Importing a floor plan: an A1 sheet (594 x 841 mm) drawn as an
// architect's PDF, made into a site at 150 dpi (3,508 x 4,967 pixels),
// against rendering the page alone. Each reports the process's peak memory
// (peak_MB), so run them one at a time:
//   bench_plans --benchmark_filter=Render
//   bench_plans --benchmark_filter=Import

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <cstdio>
#include <string>

#include "plans/NewSite.h"

namespace {

std::string BenchPath(const char* name) {
    return "/tmp/pellorin-bench-" + std::to_string(::getpid()) + "-" + name;
}

// A building of 12 x 8 rooms with doors, dimension lines and labels.
const QString& A1Plan() {
    static const QString path = [] {
        const QString p = QString::fromStdString(BenchPath("a1.pdf"));
        QPdfWriter w(p);
        w.setPageSize(QPageSize(QPageSize::A1));
        w.setPageMargins(QMarginsF(0, 0, 0, 0));
        w.setResolution(1200);
        QPainter g(&w);
        g.scale(1200 / 25.4, 1200 / 25.4);
        QFont f("Liberation Sans");
        f.setPixelSize(3);
        g.setFont(f);
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 12; ++c) {
                const QRectF room(30 + c * 45, 60 + r * 90, 45, 90);
                g.setPen(QPen(Qt::black, 1.2));
                g.drawRect(room);
                g.setPen(QPen(Qt::black, 0.18));
                g.drawArc(QRectF(room.left() + 5, room.bottom() - 12, 20, 20), 0, 90 * 16);
                g.setPen(QPen(Qt::darkGray, 0.1));
                g.drawLine(room.bottomLeft() + QPointF(0, 4), room.bottomRight() + QPointF(0, 4));
                g.drawText(room.center(), QString("R %1.%2").arg(r).arg(c));
            }
        return p;
    }();
    return path;
}

void PeakMemory(benchmark::State& state) {
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    state.counters["peak_MB"] = static_cast<double>(u.ru_maxrss) / 1024;
}

void BM_RenderA1At150Dpi(benchmark::State& state) {
    QPdfDocument doc;
    doc.load(A1Plan());
    const QSizeF points = doc.pagePointSize(0);
    const QSize pixels((points / 72 * 150).toSize());
    for (auto _ : state) {
        const QImage image = doc.render(0, pixels);
        if (image.isNull()) state.SkipWithError("render");
    }
    PeakMemory(state);
}

void BM_ImportA1At150DpiAsSite(benchmark::State& state) {
    const std::string site = BenchPath("a1.hss");
    for (auto _ : state) {
        plans::NewSiteRequest q;
        q.plan = A1Plan();
        q.site = QString::fromStdString(site);
        q.replace = true;
        q.printRatio = 100;
        const plans::NewSiteResult r = plans::CreateSiteFromPlan(q);
        if (!r.ok) state.SkipWithError(r.why.c_str());
    }
    PeakMemory(state);
    for (const char* s : {"", ".survey", ".survey-wal", ".survey-shm"})
        ::unlink((site + s).c_str());
}

}  // namespace

BENCHMARK(BM_RenderA1At150Dpi)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportA1At150DpiAsSite)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    ::unlink(A1Plan().toLocal8Bit().constData());
    return 0;
}
