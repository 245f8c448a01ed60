// create: a new site file around a floor plan (an image, an SVG or a PDF
// page), and scale: the plan's scale into the survey store beside a site.

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "SiteCommands.h"
#include "map/PlanScale.h"
#include "plans/NewSite.h"
#include "store/SurveyStore.h"

namespace {

int Fail(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return 1;
}

// Seconds since 1970, or SOURCE_DATE_EPOCH for reproducible sample files.
uint32_t SaveTime() {
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const unsigned long long v = std::strtoull(fixed, &end, 10);
        if (end != fixed && *end == '\0') return static_cast<uint32_t>(v);
    }
    return static_cast<uint32_t>(std::time(nullptr));
}

}  // namespace

int RunCreate(const CreateOptions& o) {
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
        return Fail(exists ? r.why.substr(0, r.why.size() - 1) + " or add --force to replace it."
                           : r.why);
    }
    if (!r.storeNote.empty()) std::fprintf(stderr, "%s\n", r.storeNote.c_str());
    return 0;
}

int RunScale(const QString& sitePath, double x1, double y1, double x2, double y2, double metres) {
    const ScaleResult scale = ScaleFromLine(x1, y1, x2, y2, metres);
    if (!scale.metresPerPixel) return Fail(scale.why);
    const std::string path = QFile::encodeName(sitePath).toStdString();
    StoreBinding binding;
    std::string why;
    if (!ReadSiteBinding(path, binding, why)) return Fail(why);
    std::string told;
    CSurveyStore store([&told](const std::string&, const std::string& text) { told = text; });
    PlanScaleRecord r;
    r.metresPerPixel = *scale.metresPerPixel;
    r.fromLine = true;
    r.x1 = x1, r.y1 = y1, r.x2 = x2, r.y2 = y2, r.metres = metres;
    if (!store.OpenForPlan(path, binding) || !store.SetScale(r))
        return Fail(told.empty() ? "The survey store beside the site cannot be written." : told);
    std::printf("%.9g\n", r.metresPerPixel);
    return 0;
}
