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

JournalMatch MatchJournal(const JournalContents& journal, IByteSource& site) {
    if (!journal.hasBegin) return JournalMatch::Unbound;
    JournalBinding now;
    if (!ComputeSiteBinding(site, now) || !(now == journal.begin.binding))
        return JournalMatch::OtherFile;
    return JournalMatch::Matches;
}
