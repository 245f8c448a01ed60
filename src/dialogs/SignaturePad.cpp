#include "dialogs/SignaturePad.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>

#include "dialogs/DialogFrame.h"
#include "platform/Gdi.h"

namespace {
// The pen: solid black, 2 pixels wide. Drawn as 2 x 2 stamps along the line
// so that the pixels are the same on every Qt version and a zero-length line
// still marks its point.
constexpr int kPenWidth = 2;
}  // namespace

CSignaturePad::CSignaturePad(QWidget* parent) : QFrame(parent), m_scale(dialogs::Scale()) {
    // The frame's width sets the client area; the edge itself is ours.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(dialogs::kSunkenEdgeWidth);
    // The canvas is copied over the whole client area on every paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// At the dialogs' scale the pad is larger on screen, its canvas (the
// signature the site file keeps) the handheld's size, shown magnified.
void CSignaturePad::InitCanvas() {
    const int edge = 2 * dialogs::kSunkenEdgeWidth;
    m_canvas = QImage(size() / m_scale - QSize(edge, edge), QImage::Format_RGB32);
    m_canvas.fill(Qt::white);
    update();
}

void CSignaturePad::ClearCanvas() {
    m_canvas.fill(Qt::white);
    update();
}

void CSignaturePad::OnLButtonDown(const QPoint& point) {
    m_current = point;
    LineTo(point);
    update();
}

void CSignaturePad::OnMouseMove(const QPoint& point) {
    LineTo(point);
    update();
}

uint32_t CSignaturePad::GetPixel(int x, int y) const {
    if (!m_canvas.valid(x, y)) return kInvalidColor;
    return gdi::ToColorRef(m_canvas.pixel(x, y));
}

void CSignaturePad::Stamp(int x, int y) {
    const QRect dot = QRect(x - kPenWidth / 2, y - kPenWidth / 2, kPenWidth, kPenWidth)
                          .intersected(m_canvas.rect());
    for (int yy = dot.top(); yy <= dot.bottom(); ++yy) {
        QRgb* line = reinterpret_cast<QRgb*>(m_canvas.scanLine(yy));
        for (int xx = dot.left(); xx <= dot.right(); ++xx) line[xx] = qRgb(0, 0, 0);
    }
}

void CSignaturePad::LineTo(const QPoint& to) {
    if (!m_canvas.isNull()) {
        // Bresenham from the current position to `to`, both ends included.
        int x = m_current.x();
        int y = m_current.y();
        const int dx = std::abs(to.x() - x);
        const int dy = -std::abs(to.y() - y);
        const int sx = x < to.x() ? 1 : -1;
        const int sy = y < to.y() ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Stamp(x, y);
            if (x == to.x() && y == to.y()) break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    }
    m_current = to;
}

void CSignaturePad::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect client = contentsRect();
    // The outermost ring of the client area is never copied from the canvas.
    p.fillRect(client, palette().color(QPalette::Window));
    const int s = m_scale;
    if (!m_canvas.isNull() && m_canvas.width() > 2 && m_canvas.height() > 2) {
        const QRect inner(1, 1, m_canvas.width() - 2, m_canvas.height() - 2);
        p.drawImage(QRect(client.topLeft() + QPoint(s, s), inner.size() * s), m_canvas, inner);
    }
    dialogs::PaintSunkenEdge(p, rect());
}

void CSignaturePad::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QFrame::mousePressEvent(event);
    OnLButtonDown(CanvasPoint(event->position().toPoint()));
}

void CSignaturePad::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return QFrame::mouseMoveEvent(event);
    OnMouseMove(CanvasPoint(event->position().toPoint()));
}

QPoint CSignaturePad::CanvasPoint(const QPoint& widget) const {
    const QPoint p = widget - contentsRect().topLeft();
    const int s = m_scale;
    // Floor division: a point left of the canvas stays off it.
    return QPoint(p.x() >= 0 ? p.x() / s : (p.x() - s + 1) / s,
                  p.y() >= 0 ? p.y() / s : (p.y() - s + 1) / s);
}
