#include "Artwork.h"

#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

#include "screens/SplashLine.h"

namespace resgen {
namespace {

QImage Transparent(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QFont BoldFont(int pixels) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

QImage OpenIcon() {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    const QColor outline(120, 80, 10);
    p.setPen(QPen(outline, 1));
    p.setBrush(QColor(220, 170, 40));
    p.drawPolygon(
        QPolygonF({{1.5, 3.5}, {6.5, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
    p.setBrush(QColor(255, 215, 80));
    p.drawPolygon(QPolygonF({{1.5, 13.5}, {4, 7.5}, {15.5, 7.5}, {13.5, 13.5}}));
    return image;
}

QImage SaveIcon() {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    p.setPen(QPen(QColor(10, 30, 80), 1));
    p.setBrush(QColor(40, 90, 190));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 2, 8, 5));  // label
    p.setBrush(QColor(190, 195, 205));
    p.drawRect(QRectF(5, 10, 6, 4.5));  // shutter
    p.setBrush(QColor(40, 90, 190));
    p.drawRect(QRectF(8.5, 10.8, 1.5, 3));
    return image;
}

QImage ColorWheelIcon() {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    const QColor hues[] = {QColor(255, 0, 0), QColor(255, 128, 0), QColor(255, 255, 0),
                           QColor(0, 200, 0), QColor(0, 0, 255),   QColor(0, 0, 0)};
    const QRectF box(1, 1, 14, 14);
    p.setPen(Qt::NoPen);
    for (int k = 0; k < 6; ++k) {
        p.setBrush(hues[k]);
        p.drawPie(box, (90 - 60 * k) * 16, -60 * 16);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
    return image;
}

QImage MagnifierIcon(bool plus) {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    p.setPen(QPen(QColor(60, 40, 20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    p.setPen(QPen(QColor(30, 30, 30), 1.5));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 5, 5);
    p.setPen(QPen(QColor(0, 0, 0), 1.5));
    p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
    if (plus) p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
    return image;
}

QImage LetterIcon(const QString& letter) {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    QRadialGradient fill(QPointF(6, 5), 10);
    fill.setColorAt(0, QColor(90, 150, 255));
    fill.setColorAt(1, QColor(20, 60, 170));
    p.setPen(QPen(QColor(10, 30, 90), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::white);
    p.setFont(BoldFont(12));
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, letter);
    return image;
}

// Three arcs and a dot: the Wi-Fi mark, opening upwards from `base`.
void WifiMark(QPainter& p, QPointF base, double scale, const QColor& color) {
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, 1.6 * scale, Qt::SolidLine, Qt::RoundCap));
    for (int k = 1; k <= 3; ++k) {
        const double r = 3.2 * k * scale;
        p.drawArc(QRectF(base.x() - r, base.y() - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(base, 1.3 * scale, 1.3 * scale);
    p.restore();
}

// The coverage map: a floor plan's corner under the colour bands, strongest
// (red) where a point was measured, fading through the legend's colours.
QImage CoverageIcon() {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 0.5, 15, 15));
    const QColor bands[] = {QColor(0, 0, 255), QColor(0, 255, 0), QColor(255, 255, 0),
                            QColor(255, 128, 0), QColor(255, 0, 0)};
    p.setPen(Qt::NoPen);
    for (int k = 0; k < 5; ++k) {
        QColor c = bands[k];
        c.setAlpha(200);
        p.setBrush(c);
        const double r = 7.0 - 1.3 * k;
        p.drawEllipse(QPointF(6.5, 9.5), r, r);
    }
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.drawLine(QPointF(11.5, 1), QPointF(11.5, 5.5));  // a wall of the plan
    p.drawLine(QPointF(11.5, 5.5), QPointF(15, 5.5));
    return image;
}

// The network list: the Wi-Fi mark over three rows of a list, the first
// one chosen.
QImage NetworksIcon() {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    WifiMark(p, QPointF(8, 6.5), 0.6, QColor(20, 60, 170));
    p.fillRect(QRectF(0, 7.5, 16, 3), QColor(90, 150, 255));
    for (int k = 0; k < 3; ++k) {
        const double y = 9 + 2.8 * k;
        p.setPen(QPen(k == 0 ? QColor(255, 255, 255) : QColor(30, 30, 30), 1));
        p.drawLine(QPointF(1, y), QPointF(2.5, y));
        p.drawLine(QPointF(4, y), QPointF(15, y));
    }
    return image;
}

// More commands: three bars in the blue of Help and About, the sign of a
// list that opens.
QImage CommandsIcon() {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    p.setPen(QPen(QColor(10, 30, 90), 1));
    for (int k = 0; k < 3; ++k) {
        const QRectF bar(1.5, 2.5 + 5 * k, 13, 2);
        QLinearGradient fill(bar.topLeft(), bar.bottomLeft());
        fill.setColorAt(0, QColor(90, 150, 255));
        fill.setColorAt(1, QColor(20, 60, 170));
        p.setBrush(fill);
        p.drawRoundedRect(bar, 1.2, 1.2);
    }
    return image;
}

}  // namespace

std::vector<ToolbarIcon> ToolbarIcons() {
    return {
        {QStringLiteral("open"), OpenIcon()},
        {QStringLiteral("save"), SaveIcon()},
        {QStringLiteral("colors"), ColorWheelIcon()},
        {QStringLiteral("zoomin"), MagnifierIcon(true)},
        {QStringLiteral("zoomout"), MagnifierIcon(false)},
        {QStringLiteral("help"), LetterIcon(QStringLiteral("?"))},
        {QStringLiteral("about"), LetterIcon(QStringLiteral("i"))},
        {QStringLiteral("coverage"), CoverageIcon()},
        {QStringLiteral("networks"), NetworksIcon()},
        {QStringLiteral("commands"), CommandsIcon()},
    };
}

QImage ToolbarStrip(const std::vector<ToolbarIcon>& icons) {
    QImage strip = Transparent(16 * int(icons.size()), 16);
    QPainter p(&strip);
    for (size_t k = 0; k < icons.size(); ++k) p.drawImage(16 * int(k), 0, icons[k].image);
    return strip;
}

QImage CursorImage() {
    // Only pure black and pure white, no antialiasing: AND with white keeps
    // the map, AND with black darkens it. The gap leaves the scan spot itself
    // visible.
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const QColor ink(0, 0, 0);
    p.fillRect(QRect(15, 2, 2, 11), ink);
    p.fillRect(QRect(15, 19, 2, 11), ink);
    p.fillRect(QRect(2, 15, 11, 2), ink);
    p.fillRect(QRect(19, 15, 11, 2), ink);
    return image;
}

QImage SplashImage() {
    QImage image(240, 290, QImage::Format_RGB32);
    QPainter p(&image);
    Smooth(p);

    QLinearGradient sky(0, 0, 0, 176);
    sky.setColorAt(0, QColor(8, 30, 80));
    sky.setColorAt(1, QColor(30, 110, 190));
    p.fillRect(QRect(0, 0, 240, 176), sky);
    QLinearGradient ground(0, 220, 0, 290);
    ground.setColorAt(0, QColor(30, 110, 190));
    ground.setColorAt(1, QColor(8, 30, 80));
    p.fillRect(QRect(0, 220, 240, 70), ground);

    p.setPen(Qt::white);
    p.setFont(BoldFont(38));
    p.drawText(QRect(0, 2, 240, 40), Qt::AlignCenter, QStringLiteral("Pellorin"));
    QFont small(QStringLiteral("Liberation Sans"));
    small.setPixelSize(13);
    p.setFont(small);
    p.setPen(QColor(200, 225, 255));
    p.drawText(QRect(0, 40, 240, 16), Qt::AlignCenter, QStringLiteral("Wi-Fi Site Survey"));

    // The handheld: a rounded body with a screen showing a floor plan and
    // coloured survey points, and the Wi-Fi mark above its antenna; drawn a
    // little smaller about its bottom so that it clears the captions.
    p.save();
    p.translate(120, 176);
    p.scale(0.92, 0.92);
    p.translate(-120, -176);
    const QRectF body(88, 84, 64, 92);
    p.setPen(QPen(QColor(20, 20, 30), 1.5));
    QLinearGradient metal(body.topLeft(), body.topRight());
    metal.setColorAt(0, QColor(150, 155, 165));
    metal.setColorAt(0.5, QColor(215, 220, 228));
    metal.setColorAt(1, QColor(140, 145, 155));
    p.setBrush(metal);
    p.drawRoundedRect(body, 9, 9);
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(QRectF(140, 74, 4, 11));  // antenna
    const QRectF screen(95, 92, 50, 56);
    p.setBrush(Qt::white);
    p.drawRect(screen);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.drawLine(QPointF(95, 118), QPointF(125, 118));
    p.drawLine(QPointF(125, 92), QPointF(125, 136));
    p.drawLine(QPointF(108, 118), QPointF(108, 148));
    const struct {
        QPointF at;
        QColor color;
    } points[] = {{{103, 102}, QColor(255, 0, 0)},   {{116, 108}, QColor(255, 128, 0)},
                  {{135, 101}, QColor(255, 255, 0)}, {{100, 138}, QColor(0, 255, 0)},
                  {{118, 130}, QColor(0, 0, 255)},   {{136, 140}, QColor(0, 0, 0)}};
    p.setPen(QPen(QColor(40, 40, 40), 0.8));
    for (const auto& pt : points) {
        p.setBrush(pt.color);
        p.drawEllipse(pt.at, 3.5, 3.5);
    }
    p.setPen(QPen(QColor(40, 40, 50), 1.2));
    p.setBrush(QColor(110, 115, 125));
    p.drawEllipse(QPointF(120, 162), 8, 8);  // joystick
    p.setBrush(QColor(170, 175, 185));
    p.drawEllipse(QPointF(120, 162), 3, 3);
    WifiMark(p, QPointF(142, 72), 2.4, QColor(255, 255, 255));
    p.restore();

    // The band of the firmware and serial captions stays plain white: rows
    // 183 .. 198 of the picture, and also the rows that land under the
    // captions when the picture is stretched onto the 268-pixel-high view
    // (183 .. 198 of the view are rows 198 .. 214 of the picture).
    p.fillRect(QRect(0, 176, 240, 44), Qt::white);

    splash::DrawHardwareLine(p, QStringLiteral("for Brindax 802.11bg"));
    QFont tiny(QStringLiteral("Liberation Sans"));
    tiny.setPixelSize(11);
    p.setFont(tiny);
    p.setPen(QColor(200, 225, 255));
    p.drawText(QRect(0, 243, 240, 16), Qt::AlignCenter, QStringLiteral("Tamb  -  Version 1.0"));
    const QColor bands[] = {QColor(255, 0, 0), QColor(255, 128, 0), QColor(255, 255, 0),
                            QColor(0, 255, 0), QColor(0, 0, 255),   QColor(0, 0, 0)};
    p.setPen(QPen(QColor(230, 240, 255), 1));
    for (int k = 0; k < 6; ++k) {
        p.setBrush(bands[k]);
        p.drawEllipse(QPointF(70 + 20 * k, 272), 6, 6);
    }
    return image;
}

QImage RadarImage(int frame) {
    QImage image(104, 104, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    Smooth(p);
    const QPointF c(52, 52);
    const double radius = 48;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 38, 0));
    p.drawEllipse(c, radius, radius);

    // The sweep points at 12 o'clock in frame 0 and turns 90 degrees
    // clockwise per frame; a fading trail follows it.
    const double sweepDeg = 90.0 - 90.0 * frame;  // Qt angles: counter-clockwise from 3 o'clock
    QConicalGradient trail(c, sweepDeg);
    // The gradient runs counter-clockwise from the sweep: the side the sweep
    // has just passed.
    trail.setColorAt(0.0, QColor(60, 255, 60, 200));
    trail.setColorAt(0.18, QColor(0, 160, 0, 60));
    trail.setColorAt(0.25, QColor(0, 80, 0, 0));
    trail.setColorAt(1.0, QColor(0, 80, 0, 0));
    p.setBrush(trail);
    p.drawEllipse(c, radius, radius);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 170, 0), 1));
    for (int k = 1; k <= 3; ++k) p.drawEllipse(c, radius * k / 3, radius * k / 3);
    p.drawLine(QPointF(c.x() - radius, c.y()), QPointF(c.x() + radius, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - radius), QPointF(c.x(), c.y() + radius));

    // Echoes: each is brightest just after the sweep has passed it.
    const struct {
        double angleDeg;  // Qt convention
        double distance;
    } echoes[] = {{60, 30}, {-20, 22}, {-120, 38}, {160, 14}, {120, 42}};
    for (const auto& e : echoes) {
        double behind = std::fmod(e.angleDeg - sweepDeg + 720.0, 360.0);  // 0: just swept
        const int level = behind < 90 ? 255 - int(behind * 2) : 70;
        const double a = e.angleDeg * std::numbers::pi / 180;
        const QPointF at(c.x() + e.distance * std::cos(a), c.y() - e.distance * std::sin(a));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(level / 2, level, level / 2));
        p.drawEllipse(at, 2.5, 2.5);
    }

    const double a = sweepDeg * std::numbers::pi / 180;
    p.setPen(QPen(QColor(170, 255, 170), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() + radius * std::cos(a), c.y() - radius * std::sin(a)));
    p.setPen(QPen(QColor(0, 200, 0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, radius + 1, radius + 1);
    return image;
}

QImage AppIcon(int size) {
    QImage image = Transparent(size, size);
    QPainter p(&image);
    Smooth(p);
    p.scale(size / 32.0, size / 32.0);
    QLinearGradient fill(0, 0, 0, 32);
    fill.setColorAt(0, QColor(40, 120, 220));
    fill.setColorAt(1, QColor(10, 40, 110));
    p.setPen(QPen(QColor(5, 20, 60), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 6, 6);
    WifiMark(p, QPointF(16, 25), 2.2, Qt::white);
    return image;
}

}  // namespace resgen
