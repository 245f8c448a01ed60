// The whole of a site file as the map screen and the report need it: the
// plan, the circles of its points on a layer, the survey entries and the
// signature.

#include <QFile>

#include "SiteCommands.h"
#include "map/PointCircles.h"
#include "site/SiteLayout.h"

using namespace sitelayout;

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

    // 200 x 100 little-endian words, bottom row first; a section the file
    // does not hold whole is no signature.
    out.signature.clear();
    const uint64_t at = out.site.SignatureOffset();
    std::vector<uint8_t> bytes(kSignatureBytes);
    if (at > src.Size() || src.Size() - at < kSignatureBytes ||
        src.ReadAt(at, bytes.data(), bytes.size()) != bytes.size())
        return status;
    out.signature.resize(kSignatureWidth * kSignatureHeight);
    for (uint32_t row = 0; row < kSignatureHeight; ++row) {
        for (uint32_t x = 0; x < kSignatureWidth; ++x) {
            const uint8_t* w = bytes.data() + 4 * (row * kSignatureWidth + x);
            out.signature[(kSignatureHeight - 1 - row) * kSignatureWidth + x] =
                uint32_t{w[0]} | uint32_t{w[1]} << 8 | uint32_t{w[2]} << 16;
        }
    }
    return status;
}
