#pragma once
// The program's pictures, drawn with QPainter.

#include <QImage>
#include <QString>
#include <vector>

namespace resgen {

// The ten toolbar buttons, left to right, with their file names.
struct ToolbarIcon {
    QString name;
    QImage image;  // 16 x 16, transparent background
};
std::vector<ToolbarIcon> ToolbarIcons();
// The buttons side by side, 16 pixels each (160 x 16).
QImage ToolbarStrip(const std::vector<ToolbarIcon>& icons);

// Bitmap 136: a black cross on white, 32 x 32, for AND-combining onto the map.
QImage CursorImage();
// Bitmap 137: the start-up picture, 240 x 290, rows 183 .. 198 plain white.
QImage SplashImage();
// Bitmaps 139 .. 142: the radar scope with its sweep at frame 0 .. 3.
QImage RadarImage(int frame);
// The application icon at `size` x `size`.
QImage AppIcon(int size);

}  // namespace resgen
