#include "survey/SiteLoader.h"

#include "map/PointCircles.h"
#include "site/SiteFingerprint.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

using namespace sitelayout;

CSiteLoader::CSiteLoader(std::string path)
    : m_path(std::move(path)), m_file(m_path), m_site(std::make_unique<CSiteRecord>()) {}

CSiteLoader::~CSiteLoader() = default;

std::unique_ptr<CSiteRecord> CSiteLoader::TakeSite() {
    return std::exchange(m_site, std::make_unique<CSiteRecord>());
}

SiteStatus CSiteLoader::ReadPlan(Fingerprint fingerprint) {
    if (!m_file.Status().ok) return m_file.Status();
    SiteStatus status = ReadSiteHeader(m_file, *m_site);
    if (!status.ok) return status;
    status = ReadMapBitmap(m_file, m_site->BitmapOffset(), m_plan);
    if (!status.ok) return status;
    if (fingerprint == kTakeFingerprint) {
        // Save replaces the file only while it is still the one read here;
        // the plan's rows are taken from memory rather than read again.
        SiteFingerprint taken;
        status = TakeSiteFingerprint(
            m_file, *m_site, kBitmapPrefixBytes + uint64_t{m_plan.bits.size()}, taken, &m_plan);
        if (!status.ok) return status;
        m_site->m_fileFingerprint = taken;
    }
    // The plan stays as the file gives it; circles go on a layer of their own.
    m_layer.Reset(m_plan.width, m_plan.height);
    return status;
}

SiteStatus CSiteLoader::ReadPoints() {
    const ApRecord* groupStart = m_entries.Last();
    return ::ReadPoints(m_file, *m_site, m_entries, [&](int32_t x, int32_t y, int16_t strength) {
        PaintPointCircle(m_layer, x, y, strength);
        m_circles.Add(x, y, strength, m_entries.CountAfter(groupStart));
        groupStart = m_entries.Last();
    });
}

SiteStatus CSiteLoader::Tally(PointsTally& tally) { return TallyPoints(m_file, *m_site, tally); }

std::vector<uint32_t> CSiteLoader::ReadSignature() { return ::ReadSignature(m_file, *m_site); }
