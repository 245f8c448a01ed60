#include "site/SiteRecord.h"

#include <cstring>

#include "site/ByteOrder.h"
#include "site/SiteLayout.h"

CSiteRecord* g_pSite = nullptr;

CSiteRecord::CSiteRecord() = default;

uint32_t CSiteRecord::HeaderLength() const {
    return LoadLe32(m_header + sitelayout::kHeaderLength);
}
uint32_t CSiteRecord::Magic() const { return LoadLe32(m_header + sitelayout::kMagic); }
uint16_t CSiteRecord::FormatVersion() const {
    return LoadLe16(m_header + sitelayout::kFormatVersion);
}
uint32_t CSiteRecord::LastSaveTime() const {
    return LoadLe32(m_header + sitelayout::kLastSaveTime);
}
uint32_t CSiteRecord::BitmapOffset() const {
    return LoadLe32(m_header + sitelayout::kBitmapOffset);
}
uint32_t CSiteRecord::SignatureOffset() const {
    return LoadLe32(m_header + sitelayout::kSignatureOffset);
}
uint32_t CSiteRecord::PointsOffset() const {
    return LoadLe32(m_header + sitelayout::kPointsOffset);
}
void CSiteRecord::SetLastSaveTime(uint32_t seconds) {
    StoreLe32(m_header + sitelayout::kLastSaveTime, seconds);
}

void CSiteRecord::TakeRecordBuffers(const CSiteRecord& from) {
    std::memcpy(m_pointRec, from.m_pointRec, sizeof m_pointRec);
    std::memcpy(m_apRec, from.m_apRec, sizeof m_apRec);
    m_pointRecordSize = from.m_pointRecordSize;
    m_apRecordSize = from.m_apRecordSize;
}
