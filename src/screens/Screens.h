#pragma once
// The view's three screens, painted at the fixed pixel positions of the
// 240-pixel-wide handheld screen into any painter (the widget, or an image
// in tests and benchmarks).

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <cstdint>

#include "coverage/CoverageLayer.h"

class CApList;
class CCircleLayer;
class CMapViewport;
class IMapOverlay;
struct MapBitmap;

namespace screens {

// Start-up: the splash stretched over the client area, then the source's two
// texts ("(Firmware %s)" and "(SN %s)" for the board) centred in Arial 10,
// black on white. A `hardware` text takes the place of the picture's line
// under the product name ("for Brindax 802.11bg"), drawn as that line is;
// empty, the picture stays as it is.
void PaintStartupScreen(QPainter& p, const QRect& client, const QImage* splash, const QString& left,
                        const QString& right, const QString& hardware = QString());

// Site map: the visible part of the plan with `overlay` and the circle layer
// stretched over the part of the client area it covers (screens/MapPainting.h),
// white strips beside it, the cursor ANDed in at the centre. `viewport` must
// have a world (the view never shows the map without one). The overlay sees
// rows in device pixels of the client area (client x device pixel ratio).
void PaintMapScreen(QPainter& p, const QRect& client, CMapViewport& viewport, const MapBitmap& plan,
                    const CCircleLayer& layer, const QImage* cursor,
                    IMapOverlay* overlay = nullptr);

// A caption over the map's top-left corner (what the coverage map shows),
// in a small font on white, cut with "..." to the client's width.
void PaintMapCaption(QPainter& p, const QRect& client, const QString& text);

// The colour bands of a metric the coverage map shows (not the signal, whose
// bands are the circles' and have "RSSI Color Codes"), in the map's
// bottom-right corner: its name and unit, then a swatch and label per band,
// on translucent white.
void PaintMapLegend(QPainter& p, const QRect& client, const CoverageLayer& layer);

// Scan screen: radar frame, captions, the channel grid with the cells of
// `channelCells` highlighted (bit n - 1 for channel n), and the rows of
// `list` (the caller holds the report lock), channels as FormatChannel
// writes them.
void PaintScanScreen(QPainter& p, const QRect& client, const QImage* radar, uint16_t channelCells,
                     const CApList& list);

// Paints the scan screen once into a scratch image, with every printable
// character in its font, so that the first tap's scan screen does not pay for
// loading the radar and rasterising the glyphs (12 to 16 ms of the
// user-interface thread on the development machine, against 1 ms after).
void WarmScanScreen(const QImage* radar, QSize client, qreal devicePixelRatio);

}  // namespace screens
