#pragma once
// Tells a tap from a tap-and-hold: a press held for the hold interval
// without moving further than the drag distance is a hold at the press
// point; a release or a move before that is a plain tap at the press point.
// A press that moved further is a drag as well: after its tap, every move
// and the release are told with the press point (onDrag, `released` at the
// release).

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>

namespace platform {

class CTapAndHold : public QObject {
public:
    explicit CTapAndHold(QObject* parent = nullptr);

    // Defaults: the style's press-and-hold interval and drag distance.
    void SetHoldInterval(int ms) { m_intervalMs = ms; }
    int HoldInterval() const { return m_intervalMs; }
    void SetDragDistance(int pixels) { m_dragDistance = pixels; }

    std::function<void(QPoint)> onTap;
    std::function<void(QPoint)> onHold;
    std::function<void(QPoint from, QPoint to, bool released)> onDrag;

    void Press(QPoint at);
    void Move(QPoint to);
    void Release(QPoint at);
    void Release() { Release(m_lastAt); }
    // Neither: a second finger made the press a pinch.
    void Cancel();
    bool Pending() const { return m_pending; }

private:
    void Decide(bool hold);

    QTimer m_timer;
    QPoint m_pressAt, m_lastAt;
    bool m_pending = false;
    bool m_dragging = false;
    int m_intervalMs;
    int m_dragDistance;
};

}  // namespace platform
