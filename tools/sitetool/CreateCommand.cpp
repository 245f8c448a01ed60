// create: a new site file around a floor plan (an image, an SVG or a PDF
// page), and scale: the plan's scale into the survey store beside a site.

#include <QFile>
#include <cstdio>
#include <string>

#include "SiteCommands.h"
#include "map/PlanScale.h"
#include "plans/NewSite.h"
#include "store/SurveyStore.h"
#include "survey/SiteStoreBinding.h"

int RunCreate(const CreateOptions& o) {
    if (const int refused = GuardOutput(o.plan, o.site, "input image")) return refused;
    plans::NewSiteRequest q;
    q.plan = o.plan;
    q.site = o.site;
    q.page = o.page;
    q.dpi = o.dpi > 0 ? o.dpi : 150;
    q.dpiGiven = o.dpi > 0;
    q.replace = o.force;
    q.printRatio = o.printRatio;
    q.order = o.signatureFirst ? SiteSectionOrder::SignatureFirst : SiteSectionOrder::BitmapFirst;
    q.saveTime = SaveTime();
    const plans::NewSiteResult r = plans::CreateSiteFromPlan(q);
    if (!r.ok) {
        const bool exists = r.why.find(" exists already;") != std::string::npos;
        return Fail(QString::fromStdString(
            exists ? r.why.substr(0, r.why.size() - 1) + " or add --force to replace it." : r.why));
    }
    if (!r.storeNote.empty()) std::fprintf(stderr, "%s\n", r.storeNote.c_str());
    return 0;
}

int RunScale(const QString& sitePath, double x1, double y1, double x2, double y2, double metres) {
    const ScaleResult scale = ScaleFromLine(x1, y1, x2, y2, metres);
    if (!scale.metresPerPixel) return Fail(QString::fromStdString(scale.why));
    const std::string path = QFile::encodeName(sitePath).toStdString();
    StoreBinding binding;
    std::string why;
    if (!ReadSiteBinding(path, binding, why)) return Fail(QString::fromStdString(why));
    std::string told;
    CSurveyStore store([&told](const std::string&, const std::string& text) { told = text; });
    PlanScaleRecord r;
    r.metresPerPixel = *scale.metresPerPixel;
    r.fromLine = true;
    r.x1 = x1, r.y1 = y1, r.x2 = x2, r.y2 = y2, r.metres = metres;
    if (!store.OpenForPlan(path, binding) || !store.SetScale(r))
        return Fail(told.empty() ? QString("The survey store beside the site cannot be written.")
                                 : QString::fromStdString(told));
    std::printf("%.9g\n", r.metresPerPixel);
    return 0;
}
