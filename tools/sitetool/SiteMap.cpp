// The whole of a site file as the map screen and the report need it: the
// plan, the circles of its points on a layer, the survey entries and the
// signature.

#include <QFile>

#include "SiteCommands.h"
#include "map/PointCircles.h"

SiteStatus LoadSiteMap(const QString& sitePath, SiteMap& out) {
    FileSource src(QFile::encodeName(sitePath).toStdString());
    if (!src.Status().ok) return src.Status();
    SiteStatus status = ReadSiteHeader(src, out.site);
    if (status.ok) status = ReadMapBitmap(src, out.site.BitmapOffset(), out.plan);
    if (!status.ok) return status;
    out.layer.Reset(out.plan.width, out.plan.height);
    status = ReadPoints(src, out.site, out.entries, [&out](int32_t x, int32_t y, int16_t strength) {
        PaintPointCircle(out.layer, x, y, strength);
    });
    if (!status.ok) return status;

    out.signature = ReadSignature(src, out.site);
    return status;
}
