#include "app/ViewParts.h"

#include <QMouseEvent>

#include "platform/RegisteredMessages.h"

CViewCanvas::CViewCanvas(QWidget* parent, Paint paint, platform::CTapAndHold& gesture)
    : QWidget(parent), m_paint(std::move(paint)), m_gesture(gesture) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void CViewCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    m_paint(p, rect());
}

void CViewCanvas::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_gesture.Press(e->position().toPoint());
}

void CViewCanvas::mouseMoveEvent(QMouseEvent* e) { m_gesture.Move(e->position().toPoint()); }

void CViewCanvas::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_gesture.Release(e->position().toPoint());
}

void CViewDrawNotifier::PostTalvDraw() {
    std::lock_guard<std::mutex> hold(m_lock);
    platform::PostMessage(m_target, TalvDrawMessage());
}

void CViewDrawNotifier::PostBoardState() {
    std::lock_guard<std::mutex> hold(m_lock);
    platform::PostMessage(m_target, TalvBoardStateMessage());
}

void CViewDrawNotifier::Detach() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_target = nullptr;
}
