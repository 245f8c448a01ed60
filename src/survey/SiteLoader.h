#pragma once
// CSiteLoader: the one reader of a whole site file. The window's Open, every
// pellorin-site command, the report and the screenshots read through it, so
// a file is checked the same way everywhere and fails with the same message.
// The steps run in order, each only after the one before succeeded:
//
//   ReadPlan     the header (magic, version, layout) and the map bitmap;
//                with kTakeFingerprint also the file's fingerprint, which a
//                later save compares with the file on disk; with
//                kPointsAlongside the points section is read and its
//                circles painted on a second thread meanwhile, for
//                ReadPoints to take, and `alongside` run there after them
//                (the thread has ended when ReadPlan returns; without a
//                thread to be had `alongside` is not run)
//   ReadPoints   the points section: its entries into Entries(), one circle
//                per point group onto Layer() and into Circles()
//   Tally, ReadSignature   what the tools show of the points and signature
//
// Nothing here is shown or asked: a failed step returns Open's message.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "aplist/ApList.h"
#include "map/CircleLayer.h"
#include "map/CircleLog.h"
#include "site/SiteFile.h"

class CSiteRecord;

class CSiteLoader {
public:
    enum Fingerprint { kSkipFingerprint, kTakeFingerprint };
    // The window's Open reads the points while the plan's megabytes come in:
    // they are independent, and the circles would otherwise wait for them.
    enum Points { kPointsWhenAsked, kPointsAlongside };

    explicit CSiteLoader(std::string path);
    ~CSiteLoader();
    CSiteLoader(const CSiteLoader&) = delete;
    CSiteLoader& operator=(const CSiteLoader&) = delete;

    [[nodiscard]] SiteStatus ReadPlan(Fingerprint fingerprint = kTakeFingerprint,
                                      Points points = kPointsWhenAsked,
                                      const std::function<void()>& alongside = {});
    [[nodiscard]] SiteStatus ReadPoints();
    [[nodiscard]] SiteStatus Tally(PointsTally& tally);
    // The signature section's 200 x 100 words (0x00RRGGBB), top row first;
    // empty when the file does not hold the section whole.
    std::vector<uint32_t> ReadSignature();

    const std::string& Path() const { return m_path; }
    IByteSource& Bytes() { return m_file; }
    CSiteRecord& Site() { return *m_site; }
    const CSiteRecord& Site() const { return *m_site; }
    // The site record, for the document that adopts the file.
    std::unique_ptr<CSiteRecord> TakeSite();
    MapBitmap& Plan() { return m_plan; }
    const MapBitmap& Plan() const { return m_plan; }
    // The circles' layer, of the plan's size: made empty here when the
    // points thread's is not taken (the const one as ReadPoints left it).
    CCircleLayer& Layer();
    const CCircleLayer& Layer() const { return m_layer; }
    CCircleLog& Circles() { return m_circles; }
    const CCircleLog& Circles() const { return m_circles; }
    CApList& Entries() { return *m_entries; }
    const CApList& Entries() const { return *m_entries; }

private:
    struct PointsRead;

    std::string m_path;
    FileSource m_file;
    std::unique_ptr<CSiteRecord> m_site;
    MapBitmap m_plan;
    CCircleLayer m_layer;
    CCircleLog m_circles;
    std::unique_ptr<CApList> m_entries;
    std::unique_ptr<PointsRead> m_ahead;  // read alongside the plan, not yet taken
};
