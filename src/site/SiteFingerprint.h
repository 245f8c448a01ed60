#pragma once
// What tells one version of a site file from another: its size, the CRC-32
// of its header followed by its points section (the checksum a survey
// journal binds itself to, journal/SiteBinding.h) and the CRC-32 of its map
// bitmap section. Open takes the fingerprint of the file it read; Save
// replaces the file only while the file on disk still has it, so a file
// rewritten or replaced by another program after Open is never mixed with
// the survey.

#include <cstdint>

#include "site/SiteFile.h"

struct SiteFingerprint {
    uint64_t size = 0;          // of the whole file
    uint32_t contentCrc = 0;    // the first 150 bytes, then pointsOffset .. end of file
    uint64_t bitmapOffset = 0;  // the map bitmap section: 14 + 40 + 1024 +
    uint64_t bitmapLength = 0;  // biSizeImage bytes from bitmapOffset
    uint32_t bitmapCrc = 0;
    uint64_t pointsOffset = 0;
    bool operator==(const SiteFingerprint&) const = default;
};

// Builds a fingerprint from a file's bytes fed in ascending offsets, in
// pieces of any size (a save feeds the chunks it copies). Bytes outside the
// three regions are ignored.
class CSiteFingerprinter {
public:
    CSiteFingerprinter(uint64_t bitmapOffset, uint64_t bitmapLength, uint64_t pointsOffset);
    void Feed(uint64_t offset, const uint8_t* data, size_t n);
    // The same for `n` bytes at `offset` whose CRC-32 was taken elsewhere
    // (`crc`); they must lie inside one region, right where it goes on.
    void FeedCrc(uint64_t offset, uint64_t n, uint32_t crc);
    // False when a region's bytes were not all fed, in order.
    [[nodiscard]] bool Result(uint64_t fileSize, SiteFingerprint& out) const;

private:
    struct Region {
        uint64_t begin = 0;
        uint64_t end = 0;   // UINT64_MAX: to the end of the file
        uint64_t next = 0;  // the next byte the CRC expects
        bool gap = false;
        uint32_t* crc = nullptr;
    };
    uint32_t m_contentCrc = 0;
    uint32_t m_bitmapCrc = 0;
    Region m_header, m_bitmap, m_points;
};

// The fingerprint of an accepted site file: `site` holds its header and
// `bitmapLength` is the size of its map bitmap section. `plan`, when given,
// is that section as Open has just read it (its rows are the bitmapLength -
// 1,078 bytes after the section's prefix): their CRC is the one taken while
// reading, so they are not passed over a second time. Fails ("File Error")
// when the file is shorter than that header says.
SiteStatus TakeSiteFingerprint(IByteSource& src, const CSiteRecord& site, uint64_t bitmapLength,
                               SiteFingerprint& out, const MapBitmap* plan = nullptr);
