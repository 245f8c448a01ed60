#include "screens/Screens.h"

#include <QFontMetrics>
#include <algorithm>

#include "aplist/ApList.h"
#include "map/MapViewport.h"
#include "platform/Gdi.h"
#include "screens/MapPainting.h"
#include "screens/SplashLine.h"
#include "sources/wifi/WifiChannel.h"

namespace screens {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kGreen(0, 255, 0);
const QColor kDarkGreen(0, 128, 0);

QRect ToQRect(const VpRect& r) { return gdi::Rect(r.left, r.top, r.right, r.bottom); }

// The channel column of a table row. An adapter's channels ("149", "6:233")
// are wider than the board's two digits: they use the gap before the MAC
// column, and one still wider is drawn narrower rather than cut.
void DrawChannel(QPainter& p, int top, const ApRecord& rec) {
    char channel[8];
    FormatChannel(static_cast<WifiBand>(rec.band), rec.channel, channel);
    const QString text = QString::fromLatin1(channel);
    if (rec.band == 0) {  // the board's, exactly as it always was
        gdi::DrawText(p, gdi::Rect(0, top, 15, top + 15), text, gdi::kLeftTop, kGreen, kBlack);
        return;
    }
    constexpr int kRoom = 19;
    const QFont font = p.font();
    const int width = p.fontMetrics().horizontalAdvance(text);
    if (width > kRoom) {
        QFont narrow = font;
        narrow.setStretch(std::max(50, 100 * kRoom / width));
        p.setFont(narrow);
    }
    gdi::DrawText(p, gdi::Rect(0, top, kRoom, top + 15), text, gdi::kLeftTop, kGreen, kBlack);
    p.setFont(font);
}

// The splash with another hardware line: the line's rows are painted over
// with the picture's own colour of each row (its foot is a vertical
// gradient), then the line is drawn as the generator drew the board's. The
// last one made is kept, so a repaint costs nothing.
const QImage& SplashWithLine(const QImage& splash, const QString& line) {
    static QImage made;
    static qint64 madeFrom = 0;
    static QString madeLine;
    if (made.isNull() || madeFrom != splash.cacheKey() || madeLine != line) {
        made = splash.convertToFormat(QImage::Format_RGB32);
        QPainter p(&made);
        const QRect band = splash::HardwareLineRect().intersected(made.rect());
        for (int y = band.top(); y <= band.bottom(); ++y)
            p.fillRect(QRect(0, y, made.width(), 1), QColor(made.pixel(0, y)));
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        splash::DrawHardwareLine(p, line);
        madeFrom = splash.cacheKey();
        madeLine = line;
    }
    return made;
}

}  // namespace

void PaintStartupScreen(QPainter& p, const QRect& client, const QImage* splash, const QString& left,
                        const QString& right, const QString& hardware) {
    gdi::Prepare(p);
    if (splash != nullptr && !splash->isNull()) {
        const QImage& picture = hardware.isEmpty() ? *splash : SplashWithLine(*splash, hardware);
        gdi::StretchBlt(p, gdi::Rect(0, 0, client.width(), client.height()), picture,
                        picture.rect());
    }
    p.setFont(gdi::PointFont(10));
    const unsigned centred = gdi::kCenter | gdi::kVCenter;
    gdi::DrawText(p, gdi::Rect(5, 183, 115, 198), left, centred, kBlack, kWhite);
    gdi::DrawText(p, gdi::Rect(125, 183, 235, 198), right, centred, kBlack, kWhite);
}

void PaintMapScreen(QPainter& p, const QRect& client, CMapViewport& viewport, const MapBitmap& plan,
                    const CCircleLayer& layer, const QImage* cursor, IMapOverlay* overlay) {
    gdi::Prepare(p);
    VpRect dest{0, 0, client.width(), client.height()};
    VpRect source;
    viewport.ComputeBlit(dest, source);
    PaintMap(p, ToQRect(dest), plan, layer, source, overlay);
    for (int32_t i = 0; i < viewport.GetStripCount(); ++i) {
        gdi::FillRect(p, ToQRect(viewport.GetStrip(i)), kWhite);
    }
    if (cursor != nullptr && !cursor->isNull()) {
        gdi::BitBltAnd(p, client.width() / 2 - 16, client.height() / 2 - 16, *cursor);
    }
}

void PaintMapCaption(QPainter& p, const QRect& client, const QString& text) {
    constexpr int kPad = 2;
    p.save();
    p.setFont(gdi::PointFont(7));
    const QFontMetrics fm(p.font());
    const QString shown = fm.elidedText(text, Qt::ElideMiddle, client.width() - 2 * kPad - 2);
    const QRect box(client.left(), client.top(), fm.horizontalAdvance(shown) + 2 * kPad + 1,
                    fm.height() + 1);
    p.fillRect(box, kWhite);
    p.setPen(kBlack);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawText(box.adjusted(kPad, 0, -kPad, 0), Qt::AlignLeft | Qt::AlignVCenter, shown);
    p.restore();
}

void PaintMapLegend(QPainter& p, const QRect& client, const CoverageLayer& layer) {
    if (!layer.metric) return;
    const MetricBands& bands = BandsOf(*layer.metric);
    constexpr int kPad = 3, kSwatch = 8, kGap = 3;
    p.save();
    p.setFont(gdi::PointFont(7));
    const QFontMetrics fm(p.font());
    QString title = QString::fromUtf8(bands.name);
    if (*bands.unit != '\0') title += QStringLiteral(" (%1)").arg(QString::fromUtf8(bands.unit));
    int width = fm.horizontalAdvance(title);
    for (const MetricBand& b : bands.bands)
        width = std::max(width, kSwatch + kGap + fm.horizontalAdvance(QString::fromUtf8(b.label)));
    const int line = std::max(fm.height(), kSwatch + 1);
    const int rows = 1 + static_cast<int>(bands.bands.size());
    const QSize size(std::min(width + 2 * kPad, client.width()), rows * line + 2 * kPad);
    const QRect box(client.right() + 1 - size.width(), client.bottom() + 1 - size.height(),
                    size.width(), size.height());
    p.fillRect(box, QColor(255, 255, 255, 200));
    p.setPen(kBlack);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    const QRect inner = box.adjusted(kPad, kPad, -kPad, -kPad);
    p.drawText(QRect(inner.left(), inner.top(), inner.width(), line),
               Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText(title, Qt::ElideRight, inner.width()));
    for (size_t i = 0; i < bands.bands.size(); ++i) {
        const int top = inner.top() + static_cast<int>(i + 1) * line;
        const QRect swatch(inner.left(), top + (line - kSwatch) / 2, kSwatch, kSwatch);
        p.fillRect(swatch, QColor(bands.bands[i].colour));
        p.drawRect(swatch.adjusted(0, 0, -1, -1));
        const QRect text(swatch.right() + 1 + kGap, top, inner.right() - swatch.right() - kGap,
                         line);
        p.drawText(
            text, Qt::AlignLeft | Qt::AlignVCenter,
            fm.elidedText(QString::fromUtf8(bands.bands[i].label), Qt::ElideRight, text.width()));
    }
    p.restore();
}

void PaintScanScreen(QPainter& p, const QRect& client, const QImage* radar, uint16_t channelCells,
                     const CApList& list) {
    gdi::Prepare(p);
    p.setFont(gdi::PointFont(8));
    gdi::FillRect(p, gdi::Rect(0, 0, client.width(), client.height()), kBlack);

    gdi::DrawText(p, gdi::Rect(0, 50, 15, 65), QStringLiteral("CH"), gdi::kLeftTop, kWhite, kBlack);
    gdi::DrawText(p, gdi::Rect(20, 50, 100, 65), QStringLiteral("MAC Addr"), gdi::kLeftTop, kWhite,
                  kBlack);
    gdi::DrawText(p, gdi::Rect(110, 50, 180, 65), QStringLiteral("SSID"), gdi::kLeftTop, kWhite,
                  kBlack);
    gdi::DrawText(p, gdi::Rect(190, 50, 220, 65), QStringLiteral("RSSI"), gdi::kLeftTop, kWhite,
                  kBlack);

    if (radar != nullptr && !radar->isNull()) {
        gdi::StretchBlt(p, gdi::Rect(0, 0, 50, 50), *radar, radar->rect());
    }

    gdi::FrameRect(p, gdi::Rect(50, 0, 225, 24), kDarkGreen);
    gdi::FrameRect(p, gdi::Rect(50, 25, 225, 49), kDarkGreen);
    gdi::FrameRect(p, gdi::Rect(75, 0, 200, 49), kDarkGreen);
    gdi::FrameRect(p, gdi::Rect(100, 0, 175, 49), kDarkGreen);
    gdi::FrameRect(p, gdi::Rect(125, 0, 150, 49), kDarkGreen);

    for (int n = 1; n <= 14; ++n) {
        const int c = (n - 1) % 7;
        const int r = n <= 7 ? 0 : 1;
        const bool scanned = (channelCells >> (n - 1)) & 1;
        gdi::FillRect(p, gdi::Rect(51 + 25 * c, 25 * r + 2, 74 + 25 * c, 25 * r + 23),
                      scanned ? kDarkGreen : kBlack);
        gdi::DrawText(p, gdi::Rect(51 + 25 * c, 25 * r + 5, 74 + 25 * c, 25 * r + 20),
                      QString::asprintf("%02d", n), gdi::kLeftTop, scanned ? kWhite : kGreen,
                      scanned ? kGreen : kBlack);
    }

    const int bottom = client.height();
    int k = 0;
    for (const ApRecord* rec = list.First(); rec != nullptr; ++k) {
        const int t = 70 + 20 * k;
        if (k > 0 && t > bottom - 20) break;
        const int64_t count = rec->readingCount != 0 ? rec->readingCount : 1;
        const int64_t average = rec->rssi / count;  // truncates toward zero
        DrawChannel(p, t, *rec);
        gdi::DrawText(p, gdi::Rect(20, t, 100, t + 15),
                      gdi::DisplayText(rec->macText, sizeof rec->macText), gdi::kLeftTop, kGreen,
                      kBlack);
        gdi::DrawText(p, gdi::Rect(110, t, 180, t + 15),
                      gdi::DisplayText(rec->ssid, sizeof rec->ssid), gdi::kLeftTop, kGreen, kBlack);
        gdi::DrawText(p, gdi::Rect(190, t, 220, t + 15), QString::number(average), gdi::kLeftTop,
                      kGreen, kBlack);
        ApRecord* next = const_cast<ApRecord*>(rec);
        if (list.GetNext(next) != CApList::kOk) break;
        rec = next;
    }
}

void WarmScanScreen(const QImage* radar, QSize client, qreal devicePixelRatio) {
    if (client.isEmpty()) return;
    QImage scratch(client * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    scratch.setDevicePixelRatio(devicePixelRatio);
    QPainter p(&scratch);
    const CApList none;
    PaintScanScreen(p, QRect(QPoint(0, 0), client), radar, 0xFFFF, none);
    QString printable;
    for (char c = ' '; c <= '~'; ++c) printable += QLatin1Char(c);
    gdi::DrawText(p, gdi::Rect(0, 0, client.width(), 15), printable, gdi::kLeftTop, kGreen, kBlack);
}

}  // namespace screens
