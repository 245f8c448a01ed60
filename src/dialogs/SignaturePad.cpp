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

CSignaturePad::CSignaturePad(QWidget* parent) : QFrame(parent) {
    // The frame's width sets the client area; the edge itself is ours.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(dialogs::kSunkenEdgeWidth);
    // The canvas is copied over the whole client area on every paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSignaturePad::InitCanvas() {
    m_canvas = QImage(contentsRect().size(), QImage::Format_RGB32);
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
    if (!m_canvas.isNull() && client.width() > 2 && client.height() > 2) {
        p.drawImage(client.topLeft() + QPoint(1, 1), m_canvas,
                    QRect(1, 1, client.width() - 2, client.height() - 2));
    }
    dialogs::PaintSunkenEdge(p, rect());
}

void CSignaturePad::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QFrame::mousePressEvent(event);
    OnLButtonDown(event->position().toPoint() - contentsRect().topLeft());
}

void CSignaturePad::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return QFrame::mouseMoveEvent(event);
    OnMouseMove(event->position().toPoint() - contentsRect().topLeft());
}
