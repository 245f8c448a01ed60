// render: the plan with the circles of the file's points, as Open with
// "keep existing data points" shows them, stretched to a PNG of a given
// width the way the map screen stretches it.

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <cstdio>

#include "SiteCommands.h"
#include "aplist/ApList.h"
#include "map/MapPainting.h"
#include "map/PointCircles.h"
#include "site/SiteRecord.h"

namespace {

int Fail(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return 1;
}

}  // namespace

int RunRender(const QString& sitePath, const QString& outPath, int width) {
    const QFileInfo in(sitePath), out(outPath);
    if (out.exists() && in.exists() && in.canonicalFilePath() == out.canonicalFilePath())
        return Fail("The output file is the site file; choose another name.");

    FileSource src(QFile::encodeName(sitePath).toStdString());
    if (!src.Status().ok) return Fail(QString::fromStdString(src.Status().text));
    CSiteRecord site;
    MapBitmap plan;
    SiteStatus status = ReadSiteHeader(src, site);
    if (status.ok) status = ReadMapBitmap(src, site.BitmapOffset(), plan);
    CCircleLayer layer;
    layer.Reset(plan.width, plan.height);
    CApList entries;
    if (status.ok)
        status = ReadPoints(src, site, entries, [&layer](int32_t x, int32_t y, int16_t strength) {
            PaintCircle(layer, x, y, strength);
        });
    if (!status.ok) return Fail(QString::fromStdString(status.text));

    if (width <= 0) width = plan.width;
    const int64_t height =
        std::max<int64_t>(1, (int64_t{width} * plan.height + plan.width / 2) / plan.width);
    if (height > 32767) return Fail("The picture would be higher than 32767 pixels.");
    const QImage picture = RenderMapImage(plan, layer, {0, 0, plan.width, plan.height},
                                          QSize(width, static_cast<int>(height)));
    if (picture.isNull()) return Fail("Not enough memory for the picture.");

    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly))
        return Fail("Cannot write " + outPath + ": " + file.errorString());
    QImageWriter writer(&file, "png");
    if (!writer.write(picture) || !file.commit())
        return Fail("Cannot write " + outPath + ": " + file.errorString());
    return 0;
}
