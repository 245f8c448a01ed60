#include "plans/NewSite.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>

#include "map/PlanScale.h"
#include "plans/FloorPlan.h"
#include "plans/SitePalette.h"
#include "site/FileOps.h"
#include "store/SurveyStore.h"
#include "survey/SiteStoreBinding.h"

namespace plans {
namespace {

NewSiteResult Fail(std::string why) {
    NewSiteResult r;
    r.why = std::move(why);
    return r;
}

}  // namespace

NewSiteResult CreateSiteFromPlan(const NewSiteRequest& q) {
    const QFileInfo in(q.plan), out(q.site);
    if (out.exists() && in.exists() && in.canonicalFilePath() == out.canonicalFilePath())
        return Fail("The site file would be the floor plan itself; choose another name.");
    // The new file is renamed into place: over a device or a FIFO that would
    // put a file where they were.
    struct stat outStat {};
    if (::stat(QFile::encodeName(q.site).constData(), &outStat) == 0 && !S_ISREG(outStat.st_mode))
        return Fail("Cannot write " + q.site.toStdString() + ": " + NotAFileText(outStat.st_mode));
    // A surveyed site must not be lost to a slip (a dangling link counts too).
    if (!q.replace && (out.exists() || out.isSymLink()))
        return Fail(q.site.toStdString() + " exists already; choose another name.");

    const PlanProbe probe = ProbePlan(q.plan);
    if (!probe.ok) return Fail(probe.why);
    std::string why;
    const QImage image = RenderPlan(q.plan, probe, q.page, q.dpi, why);
    if (image.isNull()) return Fail(why);

    NewSiteResult r;
    if (q.printRatio) {
        double dpi = q.dpi;
        if (probe.kind == PlanKind::kImage && !q.dpiGiven)
            dpi = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() * 0.0254 : 0;
        const ScaleResult scale = ScaleFromPrint(dpi, static_cast<double>(*q.printRatio));
        if (!scale.metresPerPixel)
            return Fail(dpi > 0 ? scale.why
                                : "The image " + in.fileName().toStdString() +
                                      " does not say its resolution; give it with --dpi.");
        r.metresPerPixel = scale.metresPerPixel;
    }

    CSitePalette palette;
    palette.Build(reinterpret_cast<const uint32_t*>(image.constBits()), image.width(),
                  image.height(), static_cast<size_t>(image.bytesPerLine() / 4));
    NewSitePlan plan;
    plan.width = image.width();
    plan.height = image.height();
    std::copy(palette.Colors(), palette.Colors() + 256, plan.colorTable);
    plan.fillRow = [&](int32_t y, uint8_t* row) {
        palette.MapRow(reinterpret_cast<const uint32_t*>(image.constScanLine(y)), image.width(),
                       row);
    };
    std::vector<uint8_t> bytes;
    try {
        bytes = BuildSiteFile(plan, q.saveTime, q.order);
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory for the site file.");
    }

    QSaveFile file(q.site);
    if (!file.open(QIODevice::WriteOnly))
        return Fail("Cannot write " + q.site.toStdString() + ": " +
                    file.errorString().toStdString());
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (!file.commit())
        return Fail("Cannot write " + q.site.toStdString() + ": " +
                    file.errorString().toStdString());
    r.ok = true;
    r.width = plan.width;
    r.height = plan.height;

    // The store beside the new file: what the plan was and, when known, its
    // scale. A store that cannot be written leaves the site as it is.
    const std::string sitePath = QFile::encodeName(q.site).toStdString();
    StoreBinding binding;
    std::string unread;
    CSurveyStore store([&r](const std::string&, const std::string& text) { r.storeNote = text; });
    if (!ReadSiteBinding(sitePath, binding, unread) || !store.OpenForPlan(sitePath, binding))
        return r;
    PlanSourceRecord source;
    source.file = in.absoluteFilePath().toStdString();
    source.format = probe.format;
    if (probe.kind != PlanKind::kImage) {
        source.page = q.page;
        source.dpi = q.dpi;
    }
    source.width = plan.width;
    source.height = plan.height;
    store.SetPlanSource(source);
    if (r.metresPerPixel) {
        PlanScaleRecord scale;
        scale.metresPerPixel = *r.metresPerPixel;
        scale.printRatio = *q.printRatio;
        store.SetScale(scale);
    }
    return r;
}

}  // namespace plans
