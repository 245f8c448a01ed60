#include "store/StoreBinding.h"

#include "journal/SiteBinding.h"
#include "site/SiteFile.h"
#include "site/SiteFingerprint.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

bool StoreBindingOf(const CSiteRecord& site, StoreBinding& out) {
    StoreBinding b;
    if (!SiteBindingOf(site, b.site)) return false;
    b.planCrc = site.m_fileFingerprint->bitmapCrc;
    b.planBytes = site.m_fileFingerprint->bitmapLength;
    out = b;
    return true;
}

StoreBinding StoreBindingAfterSave(const StoreBinding& before, const CSiteRecord& site,
                                   const CApList& list, uint32_t now) {
    StoreBinding b = before;
    b.site = BindingAfterSave(site, list, now);
    return b;
}

std::string StorePathFor(const std::string& sitePath) { return sitePath + ".survey"; }

bool ReadSiteBinding(const std::string& sitePath, StoreBinding& out, std::string& why,
                     int32_t* width, int32_t* height) {
    FileSource src(sitePath);
    CSiteRecord site;
    MapBitmap map;
    SiteStatus status = src.Status();
    if (status.ok) status = ReadSiteHeader(src, site);
    if (status.ok) status = ReadMapBitmap(src, site.BitmapOffset(), map);
    SiteFingerprint fp;
    if (status.ok)
        status = TakeSiteFingerprint(src, site,
                                     sitelayout::kBitmapPrefixBytes + uint64_t{map.bits.size()}, fp,
                                     &map);
    if (!status.ok) {
        why = status.text;
        return false;
    }
    site.m_fileFingerprint = fp;
    if (width != nullptr) *width = map.width;
    if (height != nullptr) *height = map.height;
    return StoreBindingOf(site, out);
}
