#pragma once
// CViewInputRouter: where the view's input goes. Arrows and the bars scroll
// the map, the zoom commands zoom it, the centre key and a tap take a point
// at the cursor (a tap first moves the cursor there), a tap-and-hold opens
// the nearest point's location information (whose Delete deletes it), H
// switches the coverage map and Escape ends "Set Scale" and the point being
// measured. While "Set Scale" is marking, a tap is a mark, not a point.
// While a point is measured the cursor stays where it was taken: bars,
// arrows, taps and zoom move nothing (a bar that moved its thumb is put
// back). The desktop layout takes its own keys and map input first.

#include <QPoint>
#include <cstdint>
#include <functional>
#include <memory>

#include "map/SurveyMap.h"

class CCoverageState;
class CDesktopMapView;
class CMapScrollBars;
class CPointFlow;
class CSetScaleFlow;
class CSurveyCommands;
class CSurveyDocument;
class IViewDialogs;
class IViewSurface;

class CViewInputRouter {
public:
    struct Parts {
        CSurveyDocument& document;
        CSurveyMap& map;
        CMapScrollBars& bars;
        CSetScaleFlow& scaleFlow;
        CPointFlow& points;
        CSurveyCommands& commands;
        CCoverageState& coverage;
        std::function<IViewDialogs&()> dialogs;
        const std::unique_ptr<CDesktopMapView>& desktop;  // null: the handheld layout
    };
    CViewInputRouter(IViewSurface& view, Parts parts) : m_view(view), m_parts(std::move(parts)) {}

    // A key as the widget gets it: a held centre press takes one point, not
    // one at every repeat, and a held H switches once; a held arrow keeps
    // scrolling.
    void KeyPressed(int qtKey, bool autoRepeat);
    void OnKeyDown(int qtKey);
    // A scroll code along an axis (bars, arrows).
    void OnScroll(MapAxis axis, int code, int position);
    void OnTap(QPoint client);
    void OnTapAndHold(QPoint client);
    void ZoomIn();
    void ZoomOut();
    // Escape: "Set Scale" ends, and the point being measured.
    void Cancel();
    // A point is measured, or "Set Scale" marks: Cancel has work.
    bool Cancellable() const;

private:
    // An open map with no point being measured: taps and holds count.
    bool MapTakesTaps() const;
    // The world pixel under client point `at`; false on the desktop map's margin.
    bool WorldAt(QPoint at, int32_t& wx, int32_t& wy) const;

    IViewSurface& m_view;
    Parts m_parts;
};
