// The sample office: rooms on both sides of a corridor, doors with their
// swing, windows, furniture and room names. Drawn without antialiasing so
// that the plan keeps a few exact colours in the 8-bit site bitmap.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

#include "SampleGen.h"

namespace {

const QColor kWall(48, 48, 48);
const QColor kFloor(255, 255, 255);
const QColor kCorridor(244, 239, 227);
const QColor kFurniture(214, 214, 214);
const QColor kWindow(127, 178, 229);
const QColor kLabel(20, 20, 20);
const QColor kDoor(120, 120, 120);

constexpr int kTop = 20, kBottom = 520, kLeft = 20, kRight = 780;
constexpr int kCorridorTop = 240, kCorridorBottom = 300;

void Wall(QPainter& p, int x1, int y1, int x2, int y2) {
    p.setPen(QPen(kWall, 5, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(x1, y1, x2, y2);
}

// A doorway of width 36 in a horizontal wall at y, hinge at x; the leaf
// swings into the room above (up) or below.
void Door(QPainter& p, int x, int y, bool up) {
    p.fillRect(x, y - 3, 36, 7, kCorridor);
    p.setPen(QPen(kDoor, 1));
    const int leafEnd = up ? y - 36 : y + 36;
    p.drawLine(x, y, x, leafEnd);
    p.drawArc(QRect(x - 36, y - 36, 72, 72), up ? 0 : 0, up ? 90 * 16 : -90 * 16);
}

void Window(QPainter& p, int x1, int y1, int x2, int y2) {
    p.setPen(QPen(kWindow, 3));
    p.drawLine(x1, y1, x2, y2);
}

void Label(QPainter& p, const QRect& room, const QString& name) {
    QFont font("Arial", 12, QFont::Bold);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    p.setPen(kLabel);
    p.drawText(room, Qt::AlignCenter, name);
}

void Desk(QPainter& p, int x, int y, int w, int h) {
    p.setPen(QPen(kWall, 1));
    p.setBrush(kFurniture);
    p.drawRect(x, y, w, h);
    p.setBrush(Qt::NoBrush);
}

}  // namespace

int DrawOfficePlan(const QString& pngPath) {
    QImage plan(800, 560, QImage::Format_RGB32);
    plan.fill(kFloor);
    QPainter p(&plan);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);

    p.fillRect(kLeft, kCorridorTop, kRight - kLeft, kCorridorBottom - kCorridorTop, kCorridor);

    // Outer walls with windows on the long sides.
    Wall(p, kLeft, kTop, kRight, kTop);
    Wall(p, kLeft, kBottom, kRight, kBottom);
    Wall(p, kLeft, kTop, kLeft, kBottom);
    Wall(p, kRight, kTop, kRight, kBottom);
    for (int x : {60, 260, 420, 600, 690}) Window(p, x, kTop, x + 60, kTop);
    for (int x : {60, 340, 440, 540, 690}) Window(p, x, kBottom, x + 60, kBottom);

    // Corridor walls and the rooms on either side.
    Wall(p, kLeft, kCorridorTop, kRight, kCorridorTop);
    Wall(p, kLeft, kCorridorBottom, kRight, kCorridorBottom);
    for (int x : {220, 380, 540}) Wall(p, x, kTop, x, kCorridorTop);
    for (int x : {180, 300, 620}) Wall(p, x, kCorridorBottom, x, kBottom);

    // Entrance at the west end of the corridor.
    p.fillRect(kLeft - 3, kCorridorTop + 12, 7, 36, kCorridor);

    for (int x : {150, 320, 480, 700}) Door(p, x, kCorridorTop, true);
    for (int x : {120, 250, 440, 700}) Door(p, x, kCorridorBottom, false);

    // Furniture.
    Desk(p, 60, 60, 110, 40);  // reception counter
    for (int y : {50, 140}) {
        Desk(p, 240, y, 50, 30);
        Desk(p, 400, y, 50, 30);
    }
    Desk(p, 590, 90, 140, 70);  // meeting table
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) Desk(p, 320 + col * 72, 330 + row * 60, 56, 28);
    Desk(p, 40, 330, 120, 24);   // kitchen worktop
    Desk(p, 200, 330, 24, 160);  // server racks
    Desk(p, 240, 330, 24, 160);
    for (int y : {330, 400, 470}) Desk(p, 640, y, 120, 24);  // store shelves

    Label(p, QRect(kLeft, kTop, 200, 220), "Reception");
    Label(p, QRect(220, kTop, 160, 220), "Office 1");
    Label(p, QRect(380, kTop, 160, 220), "Office 2");
    Label(p, QRect(540, 150, 240, 90), "Meeting Room");
    Label(p, QRect(kLeft, kCorridorBottom, 160, 220), "Kitchen");
    Label(p, QRect(180, 490, 120, 30), "Server");
    Label(p, QRect(300, 480, 320, 40), "Open Plan");
    Label(p, QRect(620, 490, 160, 30), "Store");
    Label(p, QRect(kLeft, kCorridorTop, kRight - kLeft, kCorridorBottom - kCorridorTop),
          "Corridor");

    // North arrow and caption below the building.
    p.setPen(QPen(kWall, 2));
    p.drawLine(750, 552, 750, 530);
    p.drawLine(750, 530, 745, 538);
    p.drawLine(750, 530, 755, 538);
    QFont small("Arial", 8);
    small.setStyleStrategy(QFont::NoAntialias);
    p.setFont(small);
    p.setPen(kLabel);
    p.drawText(QRect(kLeft, 526, 600, 30), Qt::AlignLeft | Qt::AlignVCenter,
               "Pellorin sample site: office, ground floor (1 px = 5 cm)");
    p.drawText(QRect(730, 526, 14, 30), Qt::AlignCenter, "N");
    p.end();

    if (!plan.save(pngPath, "PNG")) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(pngPath));
        return 1;
    }
    return 0;
}
