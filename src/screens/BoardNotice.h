#pragma once
// The notice strip along the bottom edge of the view, over whichever screen
// is shown, while the board cannot be talked to ("Board disconnected,
// reconnecting…"). Nothing is painted for an empty text.

#include <QPainter>
#include <QRect>
#include <QString>

namespace screens {

constexpr int kNoticeHeight = 16;

void PaintBoardNotice(QPainter& p, const QRect& client, const QString& text);

}  // namespace screens
