#pragma once
// The view's client area and its two scroll bars over the site map. Every
// action of a bar (line, page, thumb drag, wheel, edge, "Scroll here",
// auto-repeat) becomes the handheld's scroll code for its axis, handed to
// `scroll` at once; the view then moves the map and puts the thumbs back at
// the cursor (SyncTo), before the bar shows them. Like scroll bars without a
// range, they are hidden until a site is open.

#include <QRect>
#include <functional>

#include "map/SurveyMap.h"

class QScrollBar;
class QWidget;

class CMapScrollBars {
public:
    using Scroll = std::function<void(MapAxis axis, int code, int position)>;
    // `client` fills `owner` but for the bars beside and below it.
    CMapScrollBars(QWidget* owner, QWidget* client, Scroll scroll);

    void Show(bool shown);
    // Ranges of a newly opened map of `width` x `height` world units, page
    // steps of a client of `pageWidth` x `pageHeight` pixels.
    void SetRanges(int width, int height, int pageWidth, int pageHeight);
    // Both thumbs at the cursor, without a scroll of their own.
    void SyncTo(const CSurveyMap& map);
    void SyncTo(MapAxis axis, int position);
    // The desktop layout's bar: range 0..maximum, the thumb `page` long (the
    // part of the plan shown), at `value` (the cursor); a line a tenth of it.
    void SetState(MapAxis axis, int maximum, int page, int value);

    QScrollBar* Bar(MapAxis axis) const { return axis == MapAxis::kX ? m_h : m_v; }
    // The client area; before it is laid out (hidden, e.g. offscreen in
    // tests) what the layout will give it.
    QRect ClientRect() const;

private:
    QWidget* m_owner;
    QWidget* m_client;
    QScrollBar* m_h = nullptr;
    QScrollBar* m_v = nullptr;
};
