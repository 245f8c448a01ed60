#include "app/ScaleFlow.h"

#include <QPainter>
#include <cmath>
#include <utility>

#include "survey/SurveyDocument.h"

CSetScaleFlow::CSetScaleFlow(CSurveyDocument& document, AskDistance ask, Tell tell)
    : m_document(document), m_ask(std::move(ask)), m_tell(std::move(tell)) {}

void CSetScaleFlow::Begin() { m_marks = m_document.HasSite() ? kFirst : kIdle; }

QString CSetScaleFlow::Prompt() const {
    switch (m_marks) {
        case kFirst:
            return QStringLiteral("Set Scale: tap one end, or drag end to end");
        case kSecond:
            return QStringLiteral("Set Scale: tap the other end");
        case kDistance:
            return QStringLiteral("Set Scale: type the distance between the marks");
        default:
            return {};
    }
}

bool CSetScaleFlow::Dragged(QPoint from, QPoint to, bool released) {
    if (m_marks != kSecond || from != m_firstAt) return false;
    m_drag = released ? QLine() : QLine(from, to);
    return true;
}

void CSetScaleFlow::PaintMarks(QPainter& p, const ToClient& toClient) const {
    if (m_marks != kSecond && m_marks != kDistance) return;
    const QColor red(0xD0, 0x10, 0x10);
    p.save();
    p.setPen(QPen(red, 3));
    if (!m_drag.isNull()) {
        p.drawLine(m_drag);
        for (const QPoint end : {m_drag.p1(), m_drag.p2()}) p.drawEllipse(end, 4, 4);
    } else if (toClient && m_marks == kDistance) {  // the line whose length is asked
        const QPointF a = toClient(m_x1, m_y1), b = toClient(m_x2, m_y2);
        p.drawLine(a, b);
        p.setBrush(red);
        for (const QPointF end : {a, b}) p.drawEllipse(end, 4, 4);
    } else if (toClient) {
        p.setBrush(red);
        p.drawEllipse(toClient(m_x1, m_y1), 4, 4);
    }
    p.restore();
}

void CSetScaleFlow::Tap(int32_t x, int32_t y, QPoint at) {
    m_drag = {};
    if (m_marks == kFirst) {
        m_x1 = x, m_y1 = y;
        m_firstAt = at;
        m_marks = kSecond;
        return;
    }
    if (m_marks != kSecond) return;
    m_x2 = x, m_y2 = y;
    m_marks = kDistance;  // what the strip says while the distance is asked
    const double pixels = std::hypot(double(x) - m_x1, double(y) - m_y1);
    const std::optional<double> metres = m_ask ? m_ask(pixels) : std::nullopt;
    if (m_marks != kDistance) return;  // ended meanwhile (Escape, another site)
    if (!metres) {  // cancelled: the scale stays as it was, the other end is taken again
        m_marks = kSecond;
        return;
    }
    m_marks = kIdle;
    const ScaleResult result = m_document.SetScale(m_x1, m_y1, x, y, *metres);
    if (!result.metresPerPixel) m_marks = kFirst;  // marked again after the reason
    if (!result.why.empty() && m_tell) m_tell(QString::fromStdString(result.why));
}
