#pragma once
// The survey journal: a file beside the site file ("office.hss.journal")
// holding every change made to the survey since the site was opened or last
// saved, each record flushed to the disk before its point is shown as
// recorded. A crash loses nothing that the surveyor saw recorded; the next
// Open replays the journal. docs/journal.md tells the whole story.
//
// All integers little-endian, fields packed. Texts are stored as a length
// byte and that many bytes (no NUL; any byte values but 0).
//
// File header, 16 bytes:
//   0  u8[8]  magic        50 4C 4A 4E 0D 0A 1A 0A ("PLJN" CR LF ^Z LF)
//   8  u16    version      1
//  10  u16    headerBytes  16
//  12  u32    headerCrc    CRC-32 of bytes 0..11
// Records follow, one after another, to the end of the file. Each is framed:
//   0  u32    payloadBytes 1 .. kMaxPayloadBytes
//   4  u32    crc          CRC-32 of the 4 bytes at 0 and then the payload
//   8  ...    payload      its first byte is the kind
// Begin (kind 1, 26 bytes; the first record of every journal, and only there):
//   0 u8 kind | 1 u64 siteSize | 9 u32 lastSaveTime | 13 u32 contentCrc
//  17 u8 keepPoints | 18 i32 locationCount | 22 i32 apCount
// Point (kind 2, 23 bytes + name + entries):
//   0 u8 kind | 1 i32 x | 5 i32 y | 9 i16 strength | 11 i32 locationCount
//  15 i32 apCount | 19 u32 entryCount | 23 text name (at most 31)
//   . entryCount entries
// Entry of a point (13 bytes + macText + ssid):
//   0 u8 channel | 1 i32 rssi | 5 u8[6] mac | 11 text macText (at most 15)
//   . text ssid (at most 31)
// Deletion (kind 3, 17 bytes):
//   0 u8 kind | 1 i32 firstIndex | 5 i32 x | 9 i32 y | 13 i32 removed
// Saved (kind 4, 17 bytes; written just before a save replaces the site file):
//   0 u8 kind | 1 u64 siteSize | 9 u32 lastSaveTime | 13 u32 contentCrc
//
// A record whose frame runs past the end of the file, whose CRC does not
// match, or whose payload does not decode exactly to its last byte ends the
// journal there: the records before it are whole, nothing after it is read.

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

namespace journal {

inline constexpr uint8_t kMagic[8] = {0x50, 0x4C, 0x4A, 0x4E, 0x0D, 0x0A, 0x1A, 0x0A};
inline constexpr uint16_t kVersion = 1;
inline constexpr uint32_t kHeaderBytes = 16;
inline constexpr uint32_t kFrameBytes = 8;
// Far above any real point (20 access points take about 1 kB), far below
// what would hurt to allocate.
inline constexpr uint32_t kMaxPayloadBytes = 16u << 20;

enum class Kind : uint8_t { Begin = 1, Point = 2, Deletion = 3, Saved = 4 };

inline constexpr uint32_t kBeginBytes = 26;
inline constexpr uint32_t kPointFixedBytes = 23;
inline constexpr uint32_t kEntryFixedBytes = 13;
inline constexpr uint32_t kDeletionBytes = 17;
inline constexpr uint32_t kSavedBytes = 17;
inline constexpr size_t kMaxName = 31;     // pointName and ssid: char[32] with the NUL
inline constexpr size_t kMaxMacText = 15;  // macText: char[16] with the NUL

}  // namespace journal

// Which site file a journal belongs to: the file exactly as it was when the
// journal began. contentCrc covers the 150-byte header and then the points
// section (pointsOffset to the end), the only parts a save rewrites apart
// from the signature.
struct JournalBinding {
    uint64_t siteSize = 0;
    uint32_t lastSaveTime = 0;
    uint32_t contentCrc = 0;
    bool operator==(const JournalBinding&) const = default;
};

// The first record: the site file, whether Open kept the file's points in
// the survey, and the recording counters when the journal began (0 after an
// Open, the running counts after a save).
struct JournalBegin {
    JournalBinding binding;
    bool keepPoints = false;
    int32_t locationCount = 0;
    int32_t apCount = 0;
    bool operator==(const JournalBegin&) const = default;
};

// One survey-list entry as recording put it there; x, y and pointName are
// those of its point.
struct JournalEntry {
    uint8_t channel = 0;
    int32_t rssi = 0;  // the average of 16-bit readings
    uint8_t mac[6] = {};
    char macText[16] = {};
    char ssid[32] = {};
    bool operator==(const JournalEntry&) const = default;
};

// A recorded point: its entries in survey-list order, the strength that chose
// the colour of its circle (painted at x, y), and the site record's counters
// right after it.
struct JournalPoint {
    int32_t x = 0;
    int32_t y = 0;
    char name[32] = {};
    int16_t strength = -90;
    int32_t locationCount = 0;
    int32_t apCount = 0;
    std::vector<JournalEntry> entries;
    bool operator==(const JournalPoint&) const = default;
};

// A deleted point: the run of `removed` survey records from the 1-based
// position `firstIndex` on at (x, y).
struct JournalDeletion {
    int32_t firstIndex = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t removed = 0;
    bool operator==(const JournalDeletion&) const = default;
};

// A save about to replace the site file with one of this binding. When the
// journal ends with it and the file on disk has that binding, the save went
// through and the file holds everything the journal does.
struct JournalSaved {
    JournalBinding binding;
    bool operator==(const JournalSaved&) const = default;
};

using JournalChange = std::variant<JournalPoint, JournalDeletion>;

// Encoding and decoding of single records (frame included).
namespace journal {

// The 16-byte file header.
void AppendFileHeader(std::vector<uint8_t>& out);
// False when the header is not one this reader knows (magic, version, size,
// CRC).
bool FileHeaderIsValid(const uint8_t* header16);

// Each appends one whole framed record. AppendPoint returns false (and
// appends nothing) for a point whose payload would exceed kMaxPayloadBytes.
void AppendBegin(std::vector<uint8_t>& out, const JournalBegin& begin);
bool AppendPoint(std::vector<uint8_t>& out, const JournalPoint& point);
void AppendDeletion(std::vector<uint8_t>& out, const JournalDeletion& deletion);
void AppendSaved(std::vector<uint8_t>& out, const JournalSaved& saved);

// Decodes one payload (CRC already checked). False when it is not exactly a
// record of a known kind: wrong size, a text too long or holding a NUL, or
// bytes left over.
using Decoded = std::variant<JournalBegin, JournalPoint, JournalDeletion, JournalSaved>;
bool DecodePayload(const uint8_t* payload, size_t n, Decoded& out);

}  // namespace journal
