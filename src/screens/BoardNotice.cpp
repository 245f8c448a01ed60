#include "screens/BoardNotice.h"

#include "platform/Gdi.h"

namespace screens {

void PaintBoardNotice(QPainter& p, const QRect& client, const QString& text) {
    if (text.isEmpty()) return;
    // Black on yellow stands out on the splash, on any floor plan and on the
    // black scan screen; the scan table's last row ends above the strip.
    const QColor yellow(255, 255, 0);
    const QRect strip =
        gdi::Rect(0, client.height() - kNoticeHeight, client.width(), client.height());
    gdi::Prepare(p);
    gdi::FillRect(p, strip, yellow);
    p.setFont(gdi::PointFont(8));
    gdi::DrawText(p, strip, text, gdi::kCenter | gdi::kVCenter, QColor(0, 0, 0), yellow);
}

QRect AboveNotice(const QRect& client, const QString& text) {
    return text.isEmpty() ? client : client.adjusted(0, 0, 0, -kNoticeHeight);
}

}  // namespace screens
