#include "survey/SiteLoader.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <mutex>
#include <system_error>
#include <thread>

#include "common/SharedPieces.h"
#include "map/PointCircles.h"
#include "site/SiteFingerprint.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

using namespace sitelayout;

namespace {

// The points thread makes its 2,000 and more records one by one. A new
// thread's heap is opened to it by the page as they come, each step a change
// of the memory map that waits on the plan thread's page faults and holds
// them up in turn: some 90 steps in the first Open of a process. With a pad
// of 2 MB (address space, not memory, until it is used) the thread's heap
// starts with room for all of them; the first Open went from 1.32x to 1.21x
// the reading of the file's bytes (medians of 31 fresh processes each).
void GrowHeapsInLargeSteps() {
#if defined(__GLIBC__)
    static std::once_flag once;
    std::call_once(once, [] { ::mallopt(M_TOP_PAD, 2 << 20); });
#endif
}

// The points section's entries into `entries`, one circle per point group
// onto `layer` and into `circles`; the record buffers go into `site`.
SiteStatus ReadPointsInto(IByteSource& file, CSiteRecord& site, CApList& entries,
                          CCircleLayer& layer, CCircleLog& circles) {
    const ApRecord* groupStart = entries.Last();
    const SiteStatus status =
        ::ReadPoints(file, site, entries, [&](int32_t x, int32_t y, int16_t strength) {
            PaintPointCircle(layer, x, y, strength);
            circles.Add(x, y, strength, entries.CountAfter(groupStart));
            groupStart = entries.Last();
        });
    layer.ReturnUnusedTail();
    return status;
}

}  // namespace

// What the second thread made of the points section: a record of its own
// (the header's copy, with the record buffers ReadPoints fills) and its own
// entries, layer and circles, so that nothing of it is seen until
// ReadPoints takes it, and nothing at all when the points are not kept.
struct CSiteLoader::PointsRead {
    explicit PointsRead(const CSiteRecord& header)
        : site(header), entries(std::make_unique<CApList>()) {}
    CSiteRecord site;
    std::unique_ptr<CApList> entries;
    CCircleLayer layer;
    CCircleLog circles;
    SiteStatus status;
};

CSiteLoader::CSiteLoader(std::string path)
    : m_path(std::move(path)),
      m_file(m_path),
      m_site(std::make_unique<CSiteRecord>()),
      m_entries(std::make_unique<CApList>()) {}

CSiteLoader::~CSiteLoader() = default;

std::unique_ptr<CSiteRecord> CSiteLoader::TakeSite() {
    return std::exchange(m_site, std::make_unique<CSiteRecord>());
}

SiteStatus CSiteLoader::ReadPlan(Fingerprint fingerprint, Points points,
                                 const std::function<void()>& alongside) {
    m_ahead.reset();
    if (!m_file.Status().ok) return m_file.Status();
    SiteStatus status = ReadSiteHeader(m_file, *m_site);
    if (!status.ok) return status;
    // Both threads only pread the one descriptor; the thread is joined on
    // every way out (declared after what it writes, so ended before that goes).
    std::unique_ptr<PointsRead> ahead;
    CSharedPieces planPieces;
    std::jthread pointsThread;
    const struct HelpEnds {  // before the thread is joined
        CSharedPieces& pieces;
        ~HelpEnds() { pieces.Close(); }
    } helpEnds{planPieces};
    if (points == kPointsAlongside) {
        GrowHeapsInLargeSteps();
        ahead = std::make_unique<PointsRead>(*m_site);
        try {
            // The layer's tile table (half a megabyte for a big plan) is
            // made here too, off the plan read's way; with the points in,
            // the thread reads the plan's pieces too.
            pointsThread = std::jthread([this, read = ahead.get(), &planPieces, &alongside] {
                const int32_t width = read->site.PlanWidth(), height = read->site.PlanHeight();
                read->layer.Reset(width, height);
                read->status =
                    ReadPointsInto(m_file, read->site, *read->entries, read->layer, read->circles);
                if (alongside) alongside();
                planPieces.Help();
            });
        } catch (const std::system_error&) {
            ahead.reset();  // no thread to be had: ReadPoints reads them itself
        }
    }
    status = ReadMapBitmap(m_file, m_site->BitmapOffset(), m_plan,
                           pointsThread.joinable() ? &planPieces : nullptr);
    planPieces.Close();
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
    if (pointsThread.joinable()) pointsThread.join();
    // The plan stays as the file gives it; circles go on a layer of their
    // own (Layer), the points thread's when its points are taken.
    m_ahead = std::move(ahead);
    return status;
}

SiteStatus CSiteLoader::ReadPoints() {
    const std::unique_ptr<PointsRead> ahead = std::move(m_ahead);
    // Taken only onto an empty loader and a layer of the plan's size (the
    // header's and the bitmap's agree on it for every file ReadPlan accepts).
    if (ahead && m_entries->Count() == 0 && m_circles.Circles().empty() &&
        ahead->layer.Width() == m_plan.width && ahead->layer.Height() == m_plan.height) {
        m_site->TakeRecordBuffers(ahead->site);
        m_entries = std::move(ahead->entries);
        m_layer = std::move(ahead->layer);
        m_circles = std::move(ahead->circles);
        return ahead->status;
    }
    return ReadPointsInto(m_file, *m_site, *m_entries, Layer(), m_circles);
}

CCircleLayer& CSiteLoader::Layer() {
    if (m_layer.Width() != m_plan.width || m_layer.Height() != m_plan.height)
        m_layer.Reset(m_plan.width, m_plan.height);
    return m_layer;
}

SiteStatus CSiteLoader::Tally(PointsTally& tally) { return TallyPoints(m_file, *m_site, tally); }

std::vector<uint32_t> CSiteLoader::ReadSignature() { return ::ReadSignature(m_file, *m_site); }
