#include "dialogs/ColorSwatch.h"

#include <QPainter>

#include "dialogs/DialogFrame.h"
#include "platform/Gdi.h"

CColorSwatch::CColorSwatch(QWidget* parent) : QFrame(parent) {
    // The frame's width sets the client area; the edge itself is ours.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(dialogs::kSunkenEdgeWidth);
}

void CColorSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    gdi::FillRect(p, contentsRect(), gdi::FromColorRef(m_color));
    dialogs::PaintSunkenEdge(p, rect());
}
