#include "journal/SiteBinding.h"

#include <algorithm>
#include <vector>

#include "common/Crc32.h"
#include "journal/JournalReader.h"
#include "site/ByteOrder.h"
#include "site/SiteFile.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

bool CrcOfRange(IByteSource& src, uint64_t from, uint64_t to, uint32_t& crc) {
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(to - from, 1 << 20)));
    while (from < to) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(to - from, chunk.size()));
        const size_t got = src.ReadAt(from, chunk.data(), want);
        if (got != want) return false;
        crc = Crc32(chunk.data(), got, crc);
        from += got;
    }
    return true;
}

}  // namespace

bool ComputeSiteBinding(IByteSource& site, JournalBinding& out) {
    uint8_t header[kSiteHeaderSize];
    const uint64_t size = site.Size();
    if (size < kSiteHeaderSize || site.ReadAt(0, header, sizeof header) != sizeof header)
        return false;
    const uint32_t pointsAt = LoadLe32(header + sitelayout::kPointsOffset);
    if (pointsAt < kSiteHeaderSize || pointsAt > size) return false;
    JournalBinding b;
    b.siteSize = size;
    b.lastSaveTime = LoadLe32(header + sitelayout::kLastSaveTime);
    b.contentCrc = Crc32(header, sizeof header);
    if (!CrcOfRange(site, pointsAt, size, b.contentCrc)) return false;
    out = b;
    return true;
}

bool SiteBindingOf(const CSiteRecord& site, JournalBinding& out) {
    if (!site.m_fileFingerprint) return false;
    out = {site.m_fileFingerprint->size, site.LastSaveTime(), site.m_fileFingerprint->contentCrc};
    return true;
}

JournalBinding BindingAfterSave(const CSiteRecord& site, const CApList& list, uint32_t now) {
    // What SaveSiteFile writes: the header prepared for the save, the old
    // bytes up to pointsOffset, then the points section.
    CSiteRecord staged = site;
    PrepareHeaderForSave(staged, now);
    const std::vector<uint8_t> points = EncodePointsSection(staged, list);
    JournalBinding b;
    b.siteSize = uint64_t{staged.PointsOffset()} + points.size();
    b.lastSaveTime = now;
    b.contentCrc = Crc32(points.data(), points.size(), Crc32(staged.m_header, kSiteHeaderSize));
    return b;
}

JournalMatch MatchJournal(const JournalContents& journal, const JournalBinding& site) {
    if (!journal.hasBegin) return JournalMatch::Unbound;
    if (journal.begin.binding == site) return JournalMatch::Matches;
    if (journal.savedAs && *journal.savedAs == site) return JournalMatch::Saved;
    return JournalMatch::OtherFile;
}

JournalMatch MatchJournal(const JournalContents& journal, IByteSource& site) {
    if (!journal.hasBegin) return JournalMatch::Unbound;
    JournalBinding now;
    if (!ComputeSiteBinding(site, now)) return JournalMatch::OtherFile;
    return MatchJournal(journal, now);
}
