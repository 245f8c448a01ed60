#include <cstring>

#include "site/BitmapInfo.h"
#include "site/ByteOrder.h"
#include "site/SiteFile.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

SiteStatus HeaderError(const char* text) { return SiteStatus::Fail(kFileErrorCaption, text); }

bool Overlap(uint64_t a, uint64_t aEnd, uint64_t b, uint64_t bEnd) { return a < bEnd && b < aEnd; }

// A save rewrites the header and the signature in place and cuts the file at
// pointsOffset, so the regions must not overlap and the points section must
// come last; otherwise a save would damage the map or the signature.
SiteStatus CheckLayout(IByteSource& src, const uint8_t* header, BitmapInfo& info) {
    using namespace sitelayout;
    const uint64_t size = src.Size();
    const uint64_t bitmapAt = LoadLe32(header + kBitmapOffset);
    const uint64_t signatureAt = LoadLe32(header + kSignatureOffset);
    const uint64_t pointsAt = LoadLe32(header + kPointsOffset);
    if (bitmapAt > size)
        return HeaderError("The map bitmap offset lies beyond the end of the file.");
    if (signatureAt > size)
        return HeaderError("The signature offset lies beyond the end of the file.");
    if (pointsAt > size) return HeaderError("The points offset lies beyond the end of the file.");
    if (bitmapAt < kSiteHeaderSize || signatureAt < kSiteHeaderSize || pointsAt < kSiteHeaderSize)
        return HeaderError("A section of the file starts inside the header.");

    SiteStatus status = ReadBitmapInfo(src, static_cast<uint32_t>(bitmapAt), info);
    if (!status.ok) return status;
    const uint64_t bitmapEnd = bitmapAt + info.sectionBytes;
    const uint64_t signatureEnd = signatureAt + kSignatureBytes;
    if (Overlap(bitmapAt, bitmapEnd, signatureAt, signatureEnd))
        return HeaderError("The signature section overlaps the map bitmap.");
    if (bitmapEnd > pointsAt || signatureEnd > pointsAt)
        return HeaderError("The points section is not the last section of the file.");
    return SiteStatus::Ok();
}

SiteStatus ReadHeaderOf(IByteSource& src, CSiteRecord& site) {
    using namespace sitelayout;
    // Checked in a copy, so that a rejected file leaves the record as it was.
    uint8_t image[kSiteHeaderSize] = {};
    const size_t got = src.ReadAt(0, image, sizeof image);

    if (LoadLe32(image + kMagic) != kSiteMagic) return HeaderError(kNotSiteFileText);
    if (LoadLe16(image + kFormatVersion) < 2) return HeaderError(kObsoleteSiteText);
    // More than 150 bytes: the excess carries nothing the handheld uses and
    // is skipped (a save leaves it in the file as it was).
    if (LoadLe32(image + kHeaderLength) < kSiteHeaderSize)
        return HeaderError("The header length is below 150 bytes.");
    if (got < kSiteHeaderSize)
        return HeaderError("The header is cut short: the file is too small.");

    BitmapInfo info;
    SiteStatus status = CheckLayout(src, image, info);
    if (!status.ok) return status;

    std::memcpy(site.m_header, image, sizeof image);
    site.SetPlanSize(info.width, info.height);
    return SiteStatus::Ok();
}

}  // namespace

SiteStatus ReadSiteHeader(IByteSource& src, CSiteRecord& site) {
    return NamingFile(ReadHeaderOf(src, site), src.Name());
}

void PrepareHeaderForSave(CSiteRecord& site, uint32_t now) {
    site.SetResetOnSave(0);
    site.SetLastSaveTime(now);
}
