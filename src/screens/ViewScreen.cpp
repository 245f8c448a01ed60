#include "screens/ViewScreen.h"

#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "aplist/ApList.h"
#include "coverage/CoverageOverlay.h"
#include "coverage/CoverageState.h"
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
            if (c.map != nullptr && c.map->HasMap())
                PaintSiteMap(p, client, c);
            else
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

}  // namespace screens
