#pragma once
// What the view's helpers need of the widget itself: the window their boxes
// belong to, the client area the map is drawn in, and a repaint.

#include <QRect>

class QWidget;

class IViewSurface {
public:
    virtual ~IViewSurface() = default;
    virtual QWidget& Widget() = 0;
    // The client area, also before it is laid out (hidden, offscreen).
    virtual QRect ClientRect() const = 0;
    virtual void Repaint() = 0;
};
