#include "platform/Gdi.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <cstring>

#include "common/TextDecode.h"

namespace gdi {

void Prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // GDI on the handheld draws text without smoothing; so do we, which also
    // keeps every text pixel in its exact colour.
    p.setRenderHint(QPainter::TextAntialiasing, false);
}

void FillRect(QPainter& p, const QRect& r, const QColor& color) {
    if (r.width() > 0 && r.height() > 0) p.fillRect(r, color);
}

void FrameRect(QPainter& p, const QRect& r, const QColor& color) {
    if (r.width() <= 0 || r.height() <= 0) return;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

void StretchBlt(QPainter& p, const QRect& dest, const QImage& image, const QRect& src) {
    if (dest.width() <= 0 || dest.height() <= 0 || src.width() <= 0 || src.height() <= 0) return;
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(dest, image, src);
    p.restore();
}

void BitBltAnd(QPainter& p, int x, int y, const QImage& image) {
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.drawImage(QPoint(x, y), image);
    p.restore();
}

void DrawText(QPainter& p, const QRect& r, const QString& text, unsigned format,
              const QColor& textColor, const QColor& background) {
    if (r.width() <= 0 || r.height() <= 0) return;
    const QFontMetrics fm(p.font());
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    int x = r.left();
    int y = r.top();
    if (format & kCenter) x = r.left() + (r.width() - w) / 2;
    if (format & kVCenter) y = r.top() + (r.height() - h) / 2;
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.fillRect(QRect(x, y, w, h), background);
    p.setPen(textColor);
    p.drawText(QPoint(x, y + fm.ascent()), text);
    p.restore();
}

QFont PointFont(int points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(points);
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoAntialias);
    // Unsmoothed glyphs need whole-pixel advances: with the fractional
    // advances of unhinted metrics each glyph snaps to its own pixel and the
    // gaps between letters vary ("M AC Addr"). Full hinting gives whole-pixel
    // advances. Above scale 1, though, text is laid out at the logical size
    // and drawn at the device size, where advances hinted for the small size
    // would misplace the large glyphs; there the font's own metrics serve.
    const bool scaled = qGuiApp != nullptr && qGuiApp->devicePixelRatio() > 1.0;
    font.setHintingPreference(scaled ? QFont::PreferNoHinting : QFont::PreferFullHinting);
    return font;
}

QString DisplayText(const char* bytes, size_t maxLength) {
    return QString::fromStdString(DisplayByteText(bytes, maxLength));
}

QString DisplayText(const char* bytes) { return DisplayText(bytes, std::strlen(bytes)); }

}  // namespace gdi
