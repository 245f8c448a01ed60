#include "screens/ViewScreen.h"

#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "aplist/ApList.h"
#include "coverage/CoverageOverlay.h"
#include "coverage/CoverageState.h"
#include "map/PlanScale.h"
#include "map/SurveyMap.h"
#include "screens/BoardNotice.h"
#include "screens/ScreenArt.h"
#include "screens/Screens.h"

namespace {

// The access points heard so far, copied under the report lock and painted
// outside it: the worker never meets the lock for longer than the copy.
void CopyScanList(CApList& out) {
    std::vector<ApRecord> rows;
    {
        std::lock_guard<std::mutex> hold(scanListLock);
        for (const ApRecord* r = scanList.First(); r != nullptr && r != scanList.Sentinel();
             r = r->next)
            rows.push_back(*r);
    }
    for (const ApRecord& row : rows) {
        ApRecord* copy = nullptr;
        if (out.NewRecord(copy) != CApList::kOk) break;
        *copy = row;
        out.AddTail(copy);
    }
}

void PaintSiteMap(QPainter& p, const QRect& client, const ScreenContent& c) {
    CSurveyMap& map = *c.map;
    const QImage* cursor = c.art != nullptr ? &c.art->cursor : nullptr;
    if (c.coverage == nullptr || !c.coverage->Shown() || c.survey == nullptr) {
        screens::PaintMapScreen(p, client, map.Viewport(), map.Plan(), map.Layer(), cursor);
        return;
    }
    // The grid at the device's pixels, in cells of scale x scale pixels:
    // one value per pixel of the handheld's screen.
    const qreal ratio = p.device() != nullptr ? p.device()->devicePixelRatio() : 1.0;
    const CoverageView view =
        CoverageView::Of(map.Viewport(), static_cast<int32_t>(std::lround(client.width() * ratio)),
                         static_cast<int32_t>(std::lround(client.height() * ratio)),
                         std::max(1, static_cast<int>(std::lround(ratio))));
    CCoverageOverlay overlay(c.coverage->Map().Update(*c.survey, view));
    screens::PaintMapScreen(p, client, map.Viewport(), map.Plan(), map.Layer(), cursor, &overlay);
    screens::PaintMapCaption(p, client, QString::fromStdString(c.coverage->Caption()));
    screens::PaintMapLegend(p, screens::AboveNotice(client, c.notice), c.coverage->Map().Layer());
}

}  // namespace

namespace screens {

void PaintScreen(QPainter& p, const QRect& client, const ScreenContent& c) {
    switch (c.mode) {
        case DisplayMode::kStartup:
            p.fillRect(client, Qt::white);
            PaintStartupScreen(p, client, c.art != nullptr ? &c.art->splash : nullptr, c.left,
                               c.right, c.hardware);
            break;
        case DisplayMode::kSiteMap:
            if (c.map != nullptr && c.map->HasMap()) {
                PaintSiteMap(p, client, c);
                if (c.metresPerPixel > 0) {
                    VpRect dest{0, 0, client.width(), client.height()};
                    VpRect source;
                    c.map->Viewport().ComputeBlit(dest, source);
                    if (source.Width() > 0)
                        PaintScaleBar(p, AboveNotice(client, c.notice),
                                      double(dest.Width()) / source.Width(), c.metresPerPixel);
                }
            } else
                p.fillRect(client, Qt::white);  // never shown: the map mode needs a plan
            break;
        case DisplayMode::kScanScreen: {
            CApList shown;
            CopyScanList(shown);
            PaintScanScreen(p, client, c.art != nullptr ? c.art->Radar(c.radarBitmap) : nullptr,
                            c.channelCells, shown);
            break;
        }
        default:
            return;  // any other mode paints nothing
    }
    PaintBoardNotice(p, client, c.notice);
}

// In the map's lower left corner, at most a third of the client wide, over
// a white plate so that it reads on any plan; its sizes are `unit` times
// those of a screen (a report page at 300 dpi takes some three).
void PaintScaleBar(QPainter& p, const QRect& client, double screenPerPlanPixel,
                   double metresPerPixel, double unit) {
    const ScaleBar bar = ScaleBarFor(metresPerPixel, screenPerPlanPixel, client.width() / 3.0);
    if (bar.screenPixels < 1) return;
    const auto u = [unit](double v) { return static_cast<int>(std::lround(v * unit)); };
    const int length = static_cast<int>(std::lround(bar.screenPixels));
    const int left = client.left() + u(6);
    const int base = client.bottom() - u(6);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = p.font();
    font.setPixelSize(u(10));
    p.setFont(font);
    const QString label = QString::fromStdString(LengthText(bar.metres));
    const int labelWidth = p.fontMetrics().horizontalAdvance(label);
    p.fillRect(QRect(left - u(3), base - u(17), std::max(length, labelWidth) + u(7), u(21)),
               QColor(255, 255, 255, 210));
    p.setPen(QPen(Qt::black, std::max(1, u(1))));
    p.drawLine(left, base, left + length, base);
    p.drawLine(left, base - u(4), left, base);
    p.drawLine(left + length, base - u(4), left + length, base);
    p.drawText(QRect(left, base - u(16), labelWidth + u(2), u(12)),
               Qt::AlignLeft | Qt::AlignVCenter, label);
    p.restore();
}

}  // namespace screens
