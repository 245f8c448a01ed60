#pragma once
// Walks the points section of a site file, record by record, through a small
// read-ahead buffer. Shared by the survey-list reader and the tally of the
// command-line tool.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "site/ByteOrder.h"
#include "site/SiteFile.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

// Sequential reads over an IByteSource. A record longer than the caller's
// buffer keeps its first `keep` bytes; the excess is skipped.
class SectionCursor {
public:
    SectionCursor(IByteSource& src, uint64_t at) : m_src(src), m_pos(at), m_end(src.Size()) {}

    // True when all `length` bytes were there.
    bool Take(uint8_t* dst, uint64_t length, size_t keep) {
        if (m_pos > m_end || length > m_end - m_pos) return false;
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(length, keep));
        size_t copied = 0;
        while (copied < wanted) {
            if (m_pos + copied < m_bufAt || m_pos + copied >= m_bufAt + m_buf.size()) {
                if (!Fill(m_pos + copied)) return false;
            }
            const size_t inBuf = static_cast<size_t>(m_bufAt + m_buf.size() - (m_pos + copied));
            const size_t n = std::min(wanted - copied, inBuf);
            std::memcpy(dst + copied, m_buf.data() + (m_pos + copied - m_bufAt), n);
            copied += n;
        }
        m_pos += length;
        return true;
    }

private:
    static constexpr size_t kChunk = 64 * 1024;

    bool Fill(uint64_t at) {
        m_buf.resize(static_cast<size_t>(std::min<uint64_t>(kChunk, m_end - at)));
        const size_t got = m_src.ReadAt(at, m_buf.data(), m_buf.size());
        m_buf.resize(got);  // a source that shrank under us reads short
        m_bufAt = at;
        return got > 0;
    }

    IByteSource& m_src;
    uint64_t m_pos;
    uint64_t m_end;
    std::vector<uint8_t> m_buf;
    uint64_t m_bufAt = 0;
};

// Calls group(pointRec, apCount) for each point record, ap(apRec) for each
// complete AP record and groupEnd() after the group's records; group and ap
// return false to end the walk at once. The record sizes found are stored in
// pointSize / apSize only when the section was accepted. A short read of the size words or the first point record is not
// an error: the section holds no points.
template <typename Group, typename Ap, typename GroupEnd>
SiteStatus WalkPoints(IByteSource& src, uint64_t at, uint8_t* pointRec, uint8_t* apRec,
                      uint32_t& pointSize, uint32_t& apSize, Group group, Ap ap,
                      GroupEnd groupEnd) {
    using namespace sitelayout;
    SectionCursor cursor(src, at);
    uint8_t words[kSizeWordsBytes];
    if (!cursor.Take(words, 4, 4) || !cursor.Take(words + 4, 4, 4)) return SiteStatus::Ok();
    const uint32_t pointBytes = LoadLe32(words);
    const uint32_t apBytes = LoadLe32(words + 4);
    if (pointBytes < kPointRecordSize || apBytes < kApRecordSize)
        return SiteStatus::Fail(kFileErrorCaption,
                                "The points section's record sizes are below 42 and 41 bytes.");
    pointSize = pointBytes;
    apSize = apBytes;

    while (cursor.Take(pointRec, pointBytes, kPointRecordSize)) {
        const uint16_t apCount = LoadLe16(pointRec + kPointApCount);
        if (!group(static_cast<const uint8_t*>(pointRec), apCount)) return SiteStatus::Ok();
        bool shortRead = false;
        for (uint32_t i = 0; i < apCount && !shortRead; ++i) {
            shortRead = !cursor.Take(apRec, apBytes, kApRecordSize);
            if (!shortRead && !ap(static_cast<const uint8_t*>(apRec))) return SiteStatus::Ok();
        }
        groupEnd();
        // A short read reaches the end of the file: what is left cannot be
        // a further point record (with an absurd AP size word it would
        // otherwise be AP bytes taken for points).
        if (shortRead) break;
    }
    return SiteStatus::Ok();
}
