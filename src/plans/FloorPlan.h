#pragma once
// A floor plan file as a new site's map: a PNG, JPEG, BMP, GIF, TIFF or WebP
// image, an SVG drawing, or a page of a PDF. What it is and how big a page
// comes out at a resolution (for the window's "New Site from Floor Plan"
// dialog and for pellorin-site create), and the page rendered onto white
// paper. Every refusal is one text naming the file and the reason.

#include <QImage>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <string>

namespace plans {

enum class PlanKind { kImage, kSvg, kPdf };

struct PlanProbe {
    bool ok = false;
    std::string why;  // !ok: "Cannot use the floor plan office.pdf: it is encrypted."
    PlanKind kind = PlanKind::kImage;
    std::string format;  // "pdf", "svg", "png", "jpeg", "tiff" ...
    int pages = 1;
    QSize imagePixels;  // kImage: its own size (invalid when the format does not say)
};

// What the plan is, read without rendering it.
PlanProbe ProbePlan(const QString& path);

// The map a page of the plan gives at `dpi` (PDF and SVG; an image has its
// own size): its size, the memory making the site takes, and whether the
// site file and this machine allow it; if not, `why` says so with the
// largest resolution that would fit (`fittingDpi`, 0 when none would).
struct PlanSize {
    int64_t width = 0;
    int64_t height = 0;
    uint64_t bytes = 0;
    bool fits = false;
    double fittingDpi = 0;
    std::string why;
};
PlanSize SizeAt(const QString& path, const PlanProbe& probe, int page, double dpi);

// Memory a plan of w x h pixels takes on the way to a site file.
uint64_t BytesForPlan(int64_t width, int64_t height);

// Page `page` (from 1) at `dpi`, opaque (RGB32, transparency on white paper);
// a null image and `why` when it cannot be made.
QImage RenderPlan(const QString& path, const PlanProbe& probe, int page, double dpi,
                  std::string& why);

}  // namespace plans
