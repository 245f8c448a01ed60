#include "platform/TapAndHold.h"

#include <QGuiApplication>
#include <QStyleHints>

namespace platform {

CTapAndHold::CTapAndHold(QObject* parent) : QObject(parent) {
    const QStyleHints* hints = QGuiApplication::styleHints();
    m_intervalMs = hints != nullptr ? hints->mousePressAndHoldInterval() : 800;
    m_dragDistance = hints != nullptr ? hints->startDragDistance() : 10;
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Decide(true); });
}

void CTapAndHold::Press(QPoint at) {
    if (m_pending) Decide(false);
    m_pressAt = m_lastAt = at;
    m_pending = true;
    m_dragging = false;
    m_timer.start(m_intervalMs);
}

void CTapAndHold::Move(QPoint to) {
    m_lastAt = to;
    if (m_pending) {
        if ((to - m_pressAt).manhattanLength() <= m_dragDistance) return;
        m_dragging = true;
        Decide(false);
    }
    if (m_dragging && onDrag) onDrag(m_pressAt, to, false);
}

void CTapAndHold::Release(QPoint at) {
    m_lastAt = at;
    if (m_pending) {
        m_dragging = (at - m_pressAt).manhattanLength() > m_dragDistance;
        Decide(false);
    }
    if (!m_dragging) return;
    m_dragging = false;
    if (onDrag) onDrag(m_pressAt, at, true);
}

void CTapAndHold::Cancel() {
    m_timer.stop();
    m_pending = false;
    m_dragging = false;  // a pinch ends a drag untold
}

void CTapAndHold::Decide(bool hold) {
    m_timer.stop();
    m_pending = false;
    const QPoint at = m_pressAt;
    if (hold) {
        if (onHold) onHold(at);
    } else if (onTap) {
        onTap(at);
    }
}

}  // namespace platform
