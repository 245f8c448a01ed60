#pragma once
// The notice strip along the bottom edge of the view, over whichever screen
// is shown, while the board cannot be talked to ("Board disconnected,
// reconnecting…"), while "Set Scale" marks, or a throughput test runs.
// Nothing is painted for an empty text.

#include <QPainter>
#include <QRect>
#include <QString>

namespace screens {

constexpr int kNoticeHeight = 16;

void PaintBoardNotice(QPainter& p, const QRect& client, const QString& text);
// What the strip of `text` leaves of `client`: the map's corners (the
// legend, the scale bar) stand above it, so that both stay readable.
QRect AboveNotice(const QRect& client, const QString& text);

}  // namespace screens
