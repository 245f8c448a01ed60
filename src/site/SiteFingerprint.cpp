#include "site/SiteFingerprint.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "common/Crc32.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

constexpr uint64_t kToEnd = std::numeric_limits<uint64_t>::max();
// Small: the buffer is new memory, each of whose pages costs a fault at
// its first touch, and only the header, the section prefix and the points
// section are read through it at Open.
constexpr size_t kReadChunk = size_t{64} << 10;

}  // namespace

CSiteFingerprinter::CSiteFingerprinter(uint64_t bitmapOffset, uint64_t bitmapLength,
                                       uint64_t pointsOffset) {
    // The header always comes before the points section, so one CRC runs
    // over both.
    m_header.end = kSiteHeaderSize;
    m_header.crc = &m_contentCrc;
    m_bitmap.begin = m_bitmap.next = bitmapOffset;
    m_bitmap.end = bitmapOffset + bitmapLength;
    m_bitmap.crc = &m_bitmapCrc;
    m_points.begin = m_points.next = pointsOffset;
    m_points.end = kToEnd;
    m_points.crc = &m_contentCrc;
}

void CSiteFingerprinter::Feed(uint64_t offset, const uint8_t* data, size_t n) {
    for (Region* r : {&m_header, &m_bitmap, &m_points}) {
        const uint64_t from = std::max(offset, r->begin);
        const uint64_t to = std::min(offset + n, r->end);
        if (from >= to || to <= r->next) continue;
        if (from > r->next) {
            r->gap = true;
            continue;
        }
        // from <= next < to: the part not seen yet.
        *r->crc = Crc32(data + (r->next - offset), static_cast<size_t>(to - r->next), *r->crc);
        r->next = to;
    }
}

void CSiteFingerprinter::FeedCrc(uint64_t offset, uint64_t n, uint32_t crc) {
    if (n == 0) return;
    for (Region* r : {&m_header, &m_bitmap, &m_points}) {
        if (offset + n <= r->begin || offset >= r->end) continue;
        if (offset != r->next || offset + n > r->end) {
            r->gap = true;  // not a piece this region can take whole
            continue;
        }
        *r->crc = Crc32Combine(*r->crc, crc, n);
        r->next = offset + n;
    }
}

bool CSiteFingerprinter::Result(uint64_t fileSize, SiteFingerprint& out) const {
    const auto whole = [fileSize](const Region& r) {
        return !r.gap && r.next == std::min(r.end, fileSize) && r.begin <= fileSize;
    };
    if (!whole(m_header) || !whole(m_bitmap) || !whole(m_points) || m_bitmap.end > fileSize)
        return false;
    out.size = fileSize;
    out.contentCrc = m_contentCrc;
    out.bitmapOffset = m_bitmap.begin;
    out.bitmapLength = m_bitmap.end - m_bitmap.begin;
    out.bitmapCrc = m_bitmapCrc;
    out.pointsOffset = m_points.begin;
    return true;
}

SiteStatus TakeSiteFingerprint(IByteSource& src, const CSiteRecord& site, uint64_t bitmapLength,
                               SiteFingerprint& out, const MapBitmap* plan) {
    using sitelayout::kBitmapPrefixBytes;
    const uint64_t size = src.Size();
    const uint64_t bitmapAt = site.BitmapOffset();
    CSiteFingerprinter fingerprinter(bitmapAt, bitmapLength, site.PointsOffset());
    const bool rowsKnown = plan != nullptr && bitmapLength > kBitmapPrefixBytes &&
                           plan->bits.size() == bitmapLength - kBitmapPrefixBytes;
    std::vector<uint8_t> buffer(kReadChunk);
    const auto read = [&](uint64_t begin, uint64_t end) {
        for (uint64_t at = begin; at < end;) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(end - at, kReadChunk));
            const size_t got = src.ReadAt(at, buffer.data(), want);
            if (got == 0) break;
            fingerprinter.Feed(at, buffer.data(), got);
            at += got;
        }
    };
    read(0, kSiteHeaderSize);
    if (rowsKnown) {
        read(bitmapAt, bitmapAt + kBitmapPrefixBytes);
        fingerprinter.FeedCrc(bitmapAt + kBitmapPrefixBytes, bitmapLength - kBitmapPrefixBytes,
                              plan->bitsCrc);
    } else {
        read(bitmapAt, bitmapAt + bitmapLength);
    }
    read(site.PointsOffset(), size);
    if (!fingerprinter.Result(size, out))
        return NamingFile(
            SiteStatus::Fail(kFileErrorCaption, "The site file could not be read to its end."),
            src.Name());
    return SiteStatus::Ok();
}
