#pragma once
// Drawing helpers that keep GDI's geometry, on top of QPainter and QImage:
// rectangles are (left, top, right, bottom) and exclude their right and
// bottom edges; FrameRect is a 1-pixel frame just inside the rectangle;
// stretching samples the nearest neighbour; text is one clipped line drawn on
// an opaque background.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <cstdint>

namespace gdi {

// A GDI rectangle: (left, top, right, bottom), right and bottom excluded.
inline QRect Rect(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

// COLORREF is 0x00BBGGRR.
inline QColor FromColorRef(uint32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
inline uint32_t ToColorRef(QRgb rgb) {
    return static_cast<uint32_t>(qRed(rgb)) | (static_cast<uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<uint32_t>(qBlue(rgb)) << 16);
}

// A painter set up the GDI way: no antialiasing, no smooth scaling.
void Prepare(QPainter& p);

void FillRect(QPainter& p, const QRect& r, const QColor& color);
void FrameRect(QPainter& p, const QRect& r, const QColor& color);

// Nearest-neighbour stretch of `src` of `image` onto `dest`.
void StretchBlt(QPainter& p, const QRect& dest, const QImage& image, const QRect& src);

// Combines `image` with the destination by AND (SRCAND) at (x, y).
void BitBltAnd(QPainter& p, int x, int y, const QImage& image);

enum TextFormat : unsigned { kLeftTop = 0, kCenter = 1, kVCenter = 4 };

// One line of text in `r`, clipped to it, in `text` on an opaque `background`
// behind the text's cell.
void DrawText(QPainter& p, const QRect& r, const QString& text, unsigned format,
              const QColor& textColor, const QColor& background);

// "Arial" at a size in points (fontconfig resolves it to Liberation Sans),
// unsmoothed, with whole-pixel letter spacing at scale 1.
QFont PointFont(int points);

// The system's single-byte texts for display (DisplayByteText: UTF-8 where
// valid, other bytes as Latin-1, control characters as "\x11").
QString DisplayText(const char* bytes);
QString DisplayText(const char* bytes, size_t maxLength);

}  // namespace gdi
