#pragma once
// Byte positions inside the site file's header and records (see
// docs/site-file.md for the whole layout).
//
// Header, 150 bytes at offset 0:
//   0 u32 headerLength | 4 u32 magic | 8 u16 formatVersion | 10 2 bytes kept
//  12 u8 resetOnSave   | 13 121 bytes kept | 134 u32 lastSaveTime
// 138 u32 bitmapOffset | 142 u32 signatureOffset | 146 u32 pointsOffset
// Point record, 42 bytes: 0 i32 x | 4 i32 y | 8 char[32] name | 40 u16 apCount
// AP record, 41 bytes: 0 u8 channel | 1 i16 rssi256 | 3 u8[6] mac | 9 char[32] ssid

#include <cstdint>

namespace sitelayout {

inline constexpr uint32_t kHeaderLength = 0;
inline constexpr uint32_t kMagic = 4;
inline constexpr uint32_t kFormatVersion = 8;
inline constexpr uint32_t kResetOnSave = 12;
inline constexpr uint32_t kLastSaveTime = 134;
inline constexpr uint32_t kBitmapOffset = 138;
inline constexpr uint32_t kSignatureOffset = 142;
inline constexpr uint32_t kPointsOffset = 146;

inline constexpr uint32_t kPointX = 0;
inline constexpr uint32_t kPointY = 4;
inline constexpr uint32_t kPointName = 8;
inline constexpr uint32_t kPointApCount = 40;

inline constexpr uint32_t kApChannel = 0;
inline constexpr uint32_t kApRssi256 = 1;
inline constexpr uint32_t kApMac = 3;
inline constexpr uint32_t kApSsid = 9;

inline constexpr uint32_t kTextField = 32;  // name and ssid, NUL included

inline constexpr uint32_t kFileHeaderBytes = 14;    // BITMAPFILEHEADER
inline constexpr uint32_t kInfoHeaderBytes = 40;    // BITMAPINFOHEADER
inline constexpr uint32_t kColorTableBytes = 1024;  // 256 RGBQUAD
inline constexpr uint32_t kBitmapPrefixBytes =
    kFileHeaderBytes + kInfoHeaderBytes + kColorTableBytes;

inline constexpr uint32_t kSignatureWidth = 200;
inline constexpr uint32_t kSignatureHeight = 100;
inline constexpr uint32_t kSignatureBytes = kSignatureWidth * kSignatureHeight * 4;

inline constexpr uint32_t kSizeWordsBytes = 8;
inline constexpr int32_t kMaxMapSide = 32767;
// The plan is held as the file stores it, a byte a pixel: 2^28 pixels take
// 256 MiB (16384 x 16384, far beyond any floor plan). Larger maps are refused
// before anything is allocated: where memory is overcommitted, an allocation
// that succeeds is no promise, and touching the pages could end the program
// instead.
inline constexpr uint64_t kMaxMapPixels = uint64_t{1} << 28;

// Bytes per row of an 8-bit DIB: rows are padded to 4 bytes.
inline constexpr uint32_t DibStride(uint32_t width) { return ((width * 8 + 31) / 32) * 4; }

}  // namespace sitelayout
