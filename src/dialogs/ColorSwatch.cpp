#include "dialogs/ColorSwatch.h"

#include <QPainter>

#include "platform/Gdi.h"

CColorSwatch::CColorSwatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
}

void CColorSwatch::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        gdi::FillRect(p, contentsRect(), gdi::FromColorRef(m_color));
    }
    QFrame::paintEvent(event);
}
