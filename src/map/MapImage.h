#pragma once
// The site map in memory: one 32-bit RGB image converted from the file's
// 8-bit bitmap, so that circles painted into it keep their exact colours.

#include <QImage>

struct MapBitmap;

// A null image when the bitmap is empty or memory runs out.
QImage MapImageFromBitmap(const MapBitmap& bitmap);
