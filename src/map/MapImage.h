#pragma once
// The site map in memory: one 32-bit RGB image converted from the file's
// 8-bit bitmap, so that circles painted into it keep their exact colours.
// The 8-bit plan is kept beside it, so that any part of the map can be
// painted afresh without circles.

#include <QImage>
#include <QRect>

struct MapBitmap;

// A null image when the bitmap is empty or memory runs out.
QImage MapImageFromBitmap(const MapBitmap& bitmap);
// Paints `area` (clipped to both) of `map` from the plan through its palette.
void RestoreFromPlan(QImage& map, const MapBitmap& plan, const QRect& area);
