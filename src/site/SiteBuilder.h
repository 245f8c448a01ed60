#pragma once
// Builds a new site file around a map: the header (magic, format version 2,
// length 150, the uninterpreted bytes zero), the 8-bit bottom-up map bitmap
// section, a blank signature section and an empty points section (the two
// size words only) at the end.

#include <cstdint>
#include <functional>
#include <vector>

struct NewSitePlan {
    int32_t width = 0;              // 1..32767
    int32_t height = 0;             // 1..32767
    uint32_t colorTable[256] = {};  // 0x00RRGGBB
    // Fills `row` (width palette indices) with world row y (0 = top).
    std::function<void(int32_t y, uint8_t* row)> fillRow;
};

enum class SiteSectionOrder { BitmapFirst, SignatureFirst };

inline constexpr uint32_t kBlankSignatureWord = 0x00FFFFFF;

std::vector<uint8_t> BuildSiteFile(const NewSitePlan& plan, uint32_t now,
                                   SiteSectionOrder order = SiteSectionOrder::BitmapFirst);
