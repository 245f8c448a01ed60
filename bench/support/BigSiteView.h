#pragma once
// The handheld window over a big site, as the map-paint benchmarks paint it:
// a patterned 10,000 x 7,000 plan and 2,000 points of one access point each
// spread over it (so the circle layer holds the tiles of a walked campus),
// opened once per process in a 240 x 268 view; the whole plan or zoomed in
// x32 on part of it; and the whole repaint with the coverage map on.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "aplist/ApList.h"
#include "app/TambRUMOView.h"
#include "platform/MessageBoxes.h"
#include "screens/ScreenArt.h"
#include "screens/ViewScreen.h"
#include "site/SiteBuilder.h"
#include "site/SiteFile.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace bigsite {

inline constexpr int32_t kWidth = 10000, kHeight = 7000;

class Answer : public platform::IMessageBoxes {
public:
    int answer = platform::IDNO;
    int Show(QWidget*, const QString&, const QString&, unsigned) override { return answer; }
};
inline Answer& Answers() {
    static Answer a;
    return a;
}

inline const std::string& BigSite() {
    static const std::string path = [] {
        static QTemporaryDir dir;
        NewSitePlan plan;
        plan.width = kWidth;
        plan.height = kHeight;
        for (int i = 0; i < 256; ++i) plan.colorTable[i] = 0x010101u * static_cast<uint32_t>(i);
        plan.fillRow = [](int32_t y, uint8_t* row) {
            for (int32_t x = 0; x < kWidth; ++x) row[x] = static_cast<uint8_t>((x ^ y) & 0xFF);
        };
        std::vector<uint8_t> bytes = BuildSiteFile(plan, 0);
        CSiteRecord site;
        CApList points;
        std::mt19937 rng(1);
        for (int i = 0; i < 2000; ++i) {
            ApRecord* r = nullptr;
            if (points.NewRecord(r) != CApList::kOk) std::abort();  // out of memory
            r->x = static_cast<int32_t>(rng() % kWidth);
            r->y = static_cast<int32_t>(rng() % kHeight);
            std::strcpy(r->pointName, "TEST");
            r->channel = 6;
            r->rssi = -30 - static_cast<int32_t>(rng() % 70);
            points.AddTail(r);
        }
        const std::vector<uint8_t> section = EncodePointsSection(site, points);
        bytes.resize(bytes.size() -
                     sitelayout::kSizeWordsBytes);  // the empty section BuildSiteFile wrote
        bytes.insert(bytes.end(), section.begin(), section.end());
        const std::string p = dir.filePath("big.hss").toStdString();
        QFile f(QString::fromStdString(p));
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return p;
    }();
    return path;
}

// The view with the big site open (surveyList holds its points).
inline CTambRUMOView& OpenedView() {
    static CTambRUMOView* view = [] {
        platform::SetMessageBoxes(&Answers());
        Answers().answer = platform::IDYES;  // keep the points
        auto* v = new CTambRUMOView();
        v->resize(240, 268);
        v->OpenSitePath(QString::fromStdString(BigSite()));
        Answers().answer = platform::IDNO;
        return v;
    }();
    return *view;
}

// The screen of `mode` over the view's map, as the view paints it.
inline ScreenContent Content(CTambRUMOView& view, DisplayMode mode) {
    static const ScreenArt art = ScreenArt::Load();
    ScreenContent content;
    content.mode = mode;
    content.art = &art;
    content.map = &view.Map();
    content.coverage = &view.Coverage();
    content.survey = &surveyList;
    content.channelCells = view.Session().Source().ChannelCells();
    return content;
}

// The whole plan in view, or zoomed in x32 on a part 4,000 px from the left.
inline void ShowPlan(CTambRUMOView& view, bool zoomed) {
    view.Map().Viewport().SetView(kWidth, kHeight);
    if (!zoomed) return;
    for (int i = 0; i < 5; ++i) view.Map().Viewport().ZoomIn();
    view.Map().Viewport().ScrollLeft(4000);
}

// The map's whole repaint with the coverage map on, made from `survey`
// (the strongest of all, R 60 px): arguments scale (1 or 3) and zoomed (0
// or 1); `step` runs untimed before each repaint.
inline void CoverageRepaints(benchmark::State& state, const CApList& survey,
                             const std::function<void(CTambRUMOView&)>& step) {
    CTambRUMOView& view = OpenedView();
    ShowPlan(view, state.range(1) != 0);
    const int scale = static_cast<int>(state.range(0));
    QImage target(240 * scale, 268 * scale, QImage::Format_RGB32);
    target.setDevicePixelRatio(scale);
    ScreenContent content = Content(view, DisplayMode::kSiteMap);
    content.survey = &survey;
    const auto paint = [&content, &target] {
        QPainter p(&target);
        screens::PaintScreen(p, QRect(0, 0, 240, 268), content);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    };
    view.Coverage().SetShown(true);
    paint();  // the grid of this view, before the first step
    for (auto _ : state) {
        state.PauseTiming();
        step(view);
        state.ResumeTiming();
        paint();
    }
    view.Coverage().SetShown(false);
}

}  // namespace bigsite
