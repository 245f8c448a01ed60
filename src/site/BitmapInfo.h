#pragma once
// The checked BITMAPINFOHEADER of a map bitmap section; shared by the header
// check (which needs the section's extent) and the bitmap reader.
//
// BITMAPINFOHEADER (40 bytes, after the 14-byte BITMAPFILEHEADER):
//   0 u32 biSize | 4 i32 biWidth | 8 i32 biHeight (negative: top-down)
//  12 u16 biPlanes | 14 u16 biBitCount | 16 u32 biCompression
//  20 u32 biSizeImage | 24 i32 biXPelsPerMeter | 28 i32 biYPelsPerMeter
//  32 u32 biClrUsed | 36 u32 biClrImportant

#include <cstdint>

#include "site/SiteFile.h"

struct BitmapInfo {
    int32_t width = 0;
    int32_t height = 0;  // magnitude
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t sizeImage = 0;
    uint32_t stride = 0;
    uint64_t sectionBytes = 0;  // 14 + 40 + 1024 + sizeImage
};

// Reads and checks the info header of the section at `offset`: 8 bits per
// pixel, uncompressed, sides 1..32767, biSizeImage enough for the rows, the
// whole section inside the source.
SiteStatus ReadBitmapInfo(IByteSource& src, uint32_t offset, BitmapInfo& out);
