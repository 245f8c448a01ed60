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
    if (m_marks != kSecond) return;
    const QColor red(0xD0, 0x10, 0x10);
    p.save();
    p.setPen(QPen(red, 3));
    if (!m_drag.isNull()) {
        p.drawLine(m_drag);
        for (const QPoint end : {m_drag.p1(), m_drag.p2()}) p.drawEllipse(end, 4, 4);
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
    m_marks = kIdle;
    const double pixels = std::hypot(double(x) - m_x1, double(y) - m_y1);
    const std::optional<double> metres = m_ask ? m_ask(pixels) : std::nullopt;
    if (!metres) return;  // cancelled: the scale stays as it was
    const ScaleResult result = m_document.SetScale(m_x1, m_y1, x, y, *metres);
    if (!result.metresPerPixel) m_marks = kFirst;  // marked again after the reason
    if (!result.why.empty() && m_tell) m_tell(QString::fromStdString(result.why));
}
