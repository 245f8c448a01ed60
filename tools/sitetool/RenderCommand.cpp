// render: the plan with the circles of the file's points, as Open with
// "keep existing data points" shows them, stretched to a PNG of a given
// width the way the map screen stretches it.

#include <QImageWriter>
#include <QSaveFile>

#include "SiteCommands.h"
#include "screens/MapPainting.h"

int RunRender(const QString& sitePath, const QString& outPath, int width) {
    if (const int refused = GuardOutput(sitePath, outPath)) return refused;

    SiteMap map(sitePath);
    const SiteStatus status = LoadSiteMap(map);
    if (!status.ok) return Fail(status);
    const MapBitmap& plan = map.loaded.Plan();

    if (width <= 0) width = plan.width;
    const int64_t height =
        std::max<int64_t>(1, (int64_t{width} * plan.height + plan.width / 2) / plan.width);
    if (height > 32767) return Fail("The picture would be higher than 32767 pixels.");
    const QImage picture = RenderMapImage(plan, map.loaded.Layer(), {0, 0, plan.width, plan.height},
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
