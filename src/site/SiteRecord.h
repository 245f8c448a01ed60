#pragma once
// CSiteRecord (current one behind g_pSite): the open site's header image and
// file record buffers, the recording counters, the point being measured and
// the point selected by a tap-and-hold.

#include <cstdint>
#include <optional>

#include "site/SiteFingerprint.h"

class CApList;

constexpr uint32_t kSiteHeaderSize = 150;
constexpr uint32_t kSiteMagic = 0x54414C20;
constexpr uint32_t kPointRecordSize = 42;
constexpr uint32_t kApRecordSize = 41;

class CSiteRecord {
public:
    CSiteRecord();
    virtual ~CSiteRecord() = default;

    // Empties surveyList and the two counters (Open).
    void ClearSurvey();
    // The points section's record buffers and sizes of `from` (a read or a
    // save made on another record).
    void TakeRecordBuffers(const CSiteRecord& from);
    // Starts the pending point and empties scanList (tap, centre press).
    // Once the plan's size is known, the point is brought onto its pixels
    // (0 .. width - 1, 0 .. height - 1): the cursor may stand on the plan's
    // far edge, one past its last pixel, and a record off the plan would be
    // a point nobody can survey again.
    void BeginPoint(int32_t x, int32_t y, const char* name);
    // The plan's size in pixels, from the map bitmap's header (ReadSiteHeader).
    void SetPlanSize(int32_t width, int32_t height);
    int32_t PlanWidth() const { return m_planWidth; }  // 0: not known
    int32_t PlanHeight() const { return m_planHeight; }
    // Turns scanList into survey records; 1 when an AP was recorded, 0 when
    // the "FILL" placeholder was. Traverses scanList under scanListLock.
    int RecordPoint();
    void GetBestRssi(int16_t& out) const { out = m_bestRssi; }
    // 1 when a recorded point lies within a squared distance of 3200. Its run
    // of records is deleted by the survey document (DeletePointCommand).
    int SelectNearestPoint(int32_t x, int32_t y);

    // Header image fields (little-endian, byte-wise).
    uint32_t HeaderLength() const;
    uint32_t Magic() const;
    uint16_t FormatVersion() const;
    uint8_t ResetOnSave() const { return m_header[12]; }
    uint32_t LastSaveTime() const;
    uint32_t BitmapOffset() const;
    uint32_t SignatureOffset() const;
    uint32_t PointsOffset() const;
    void SetResetOnSave(uint8_t value) { m_header[12] = value; }
    void SetLastSaveTime(uint32_t seconds);

    int32_t m_locationCount = 0;  // points recorded since the last Open
    int32_t m_apCount = 0;        // AP records added since the last Open

    double m_selX = 0;
    double m_selY = 0;
    int32_t m_selApCount = 0;
    int32_t m_selBestRssi = -120;
    int32_t m_selFirstIndex = 0;
    char m_selBestMac[16] = {};
    char m_selBestSsid[32] = {};

    uint8_t m_header[kSiteHeaderSize] = {};
    uint8_t m_pointRec[kPointRecordSize] = {};
    uint8_t m_apRec[kApRecordSize] = {};
    uint32_t m_pointRecordSize = 0;
    uint32_t m_apRecordSize = 0;
    // The file as Open read it and as the last save left it; a save refuses
    // to replace a file that no longer has it. Empty: not checked.
    std::optional<SiteFingerprint> m_fileFingerprint;

    int32_t m_planWidth = 0;  // 0: not known, points are taken as given
    int32_t m_planHeight = 0;

    int16_t m_bestRssi = -90;
    int32_t m_pendingX = 0;
    int32_t m_pendingY = 0;
    char m_pendingName[32] = {};
};

// The current site record; replaced by each successful Open, null before one.
extern CSiteRecord* g_pSite;
