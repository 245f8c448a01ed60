#pragma once
// The two small parts of the view's widget: the client area, which paints
// what the view shows and turns stylus presses into taps and tap-and-holds,
// and the notifier through which any thread posts "TALV_DRAW" and
// "TALV_BOARD_STATE" to the view.

#include <QPainter>
#include <QWidget>
#include <functional>
#include <mutex>

#include "board/BoardInterfaces.h"
#include "platform/TapAndHold.h"

class CViewCanvas : public QWidget {
public:
    using Paint = std::function<void(QPainter& p, const QRect& client)>;
    CViewCanvas(QWidget* parent, Paint paint, platform::CTapAndHold& gesture);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    Paint m_paint;
    platform::CTapAndHold& m_gesture;
};

// Detached before the view goes, so a late post from the worker never
// reaches a dead object.
class CViewDrawNotifier : public IDrawNotifier {
public:
    explicit CViewDrawNotifier(QObject* target) : m_target(target) {}
    void PostTalvDraw() override;
    void PostBoardState() override;
    void Detach();

private:
    std::mutex m_lock;
    QObject* m_target;
};
