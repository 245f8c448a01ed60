#include "site/SiteBuilder.h"

#include <cstring>

#include "site/ByteOrder.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

using namespace sitelayout;

void PutBitmapSection(uint8_t* p, const NewSitePlan& plan) {
    const uint32_t stride = DibStride(static_cast<uint32_t>(plan.width));
    const uint32_t sizeImage = stride * static_cast<uint32_t>(plan.height);
    // BITMAPFILEHEADER: "BM", bfSize, two reserved words, bfOffBits.
    p[0] = 'B';
    p[1] = 'M';
    StoreLe32(p + 2, kBitmapPrefixBytes + sizeImage);
    StoreLe32(p + 10, kBitmapPrefixBytes);
    uint8_t* info = p + kFileHeaderBytes;
    StoreLe32(info + 0, kInfoHeaderBytes);
    StoreLe32(info + 4, static_cast<uint32_t>(plan.width));
    StoreLe32(info + 8, static_cast<uint32_t>(plan.height));  // positive: bottom-up
    StoreLe16(info + 12, 1);
    StoreLe16(info + 14, 8);
    StoreLe32(info + 16, 0);
    StoreLe32(info + 20, sizeImage);
    StoreLe32(info + 24, 2835);  // 72 dpi
    StoreLe32(info + 28, 2835);
    StoreLe32(info + 32, 256);
    StoreLe32(info + 36, 0);
    uint8_t* table = info + kInfoHeaderBytes;
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = plan.colorTable[i];
        table[i * 4 + 0] = static_cast<uint8_t>(c);
        table[i * 4 + 1] = static_cast<uint8_t>(c >> 8);
        table[i * 4 + 2] = static_cast<uint8_t>(c >> 16);
        table[i * 4 + 3] = 0;
    }
    uint8_t* bits = table + kColorTableBytes;
    for (int32_t y = 0; y < plan.height; ++y) {
        uint8_t* row = bits + static_cast<size_t>(plan.height - 1 - y) * stride;
        plan.fillRow(y, row);
    }
}

}  // namespace

std::vector<uint8_t> BuildSiteFile(const NewSitePlan& plan, uint32_t now, SiteSectionOrder order) {
    const uint32_t stride = DibStride(static_cast<uint32_t>(plan.width));
    const uint64_t bitmapBytes = uint64_t{kBitmapPrefixBytes} + uint64_t{stride} * plan.height;
    const uint64_t bitmapAt = order == SiteSectionOrder::BitmapFirst
                                  ? kSiteHeaderSize
                                  : kSiteHeaderSize + kSignatureBytes;
    const uint64_t signatureAt =
        order == SiteSectionOrder::BitmapFirst ? kSiteHeaderSize + bitmapBytes : kSiteHeaderSize;
    const uint64_t pointsAt = kSiteHeaderSize + bitmapBytes + kSignatureBytes;

    std::vector<uint8_t> file(pointsAt + kSizeWordsBytes, 0);
    uint8_t* h = file.data();
    StoreLe32(h + kHeaderLength, kSiteHeaderSize);
    StoreLe32(h + kMagic, kSiteMagic);
    StoreLe16(h + kFormatVersion, 2);
    h[kResetOnSave] = 0;
    StoreLe32(h + kLastSaveTime, now);
    StoreLe32(h + kBitmapOffset, static_cast<uint32_t>(bitmapAt));
    StoreLe32(h + kSignatureOffset, static_cast<uint32_t>(signatureAt));
    StoreLe32(h + kPointsOffset, static_cast<uint32_t>(pointsAt));

    PutBitmapSection(h + bitmapAt, plan);
    for (uint32_t i = 0; i < kSignatureBytes; i += 4)
        StoreLe32(h + signatureAt + i, kBlankSignatureWord);
    StoreLe32(h + pointsAt, kPointRecordSize);
    StoreLe32(h + pointsAt + 4, kApRecordSize);
    return file;
}
