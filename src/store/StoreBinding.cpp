#include "store/StoreBinding.h"

#include "journal/SiteBinding.h"
#include "site/SiteFingerprint.h"
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
