#pragma once
// A new site file made from a floor plan (FloorPlan.h): the page rendered,
// its colours reduced to the site file's palette (SitePalette.h), the file
// written whole or not at all, and the plan's source, and its scale when the
// plan was printed at a known ratio, kept in the survey store beside it.
// What pellorin-site create and the window's "New Site from Floor Plan" do.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "site/SiteBuilder.h"

namespace plans {

struct NewSiteRequest {
    QString plan;
    int page = 1;           // PDF pages count from 1
    double dpi = 150;       // PDF and SVG; for an image, what --plan-scale needs
    bool dpiGiven = false;  // an image's own resolution is used otherwise
    QString site;
    bool replace = false;               // an existing site file is never replaced unasked
    std::optional<int64_t> printRatio;  // N of a plan printed at 1:N
    SiteSectionOrder order = SiteSectionOrder::BitmapFirst;
    uint32_t saveTime = 0;
};

struct NewSiteResult {
    bool ok = false;
    std::string why;
    int32_t width = 0;
    int32_t height = 0;
    std::optional<double> metresPerPixel;
    // What the survey store had to say (it never stops the site being made).
    std::string storeNote;
};

NewSiteResult CreateSiteFromPlan(const NewSiteRequest& request);

}  // namespace plans
