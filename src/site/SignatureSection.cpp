// The signature section, written by Save and read by the report: the
// encoder and the decoder side by side, so the two agree on the row order.

#include "site/ByteOrder.h"
#include "site/SiteFile.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

using namespace sitelayout;

std::vector<uint8_t> EncodeSignature(const SignaturePixelFn& pixel) {
    std::vector<uint8_t> out(kSignatureBytes);
    uint8_t* p = out.data();
    for (int y = static_cast<int>(kSignatureHeight) - 1; y >= 0; --y) {
        for (int x = 0; x < static_cast<int>(kSignatureWidth); ++x, p += 4)
            StoreLe32(p, pixel(x, y));
    }
    return out;
}

std::vector<uint32_t> DecodeSignature(const uint8_t* section) {
    std::vector<uint32_t> pixels(kSignatureWidth * kSignatureHeight);
    const uint8_t* p = section;
    for (uint32_t y = kSignatureHeight; y-- > 0;) {
        for (uint32_t x = 0; x < kSignatureWidth; ++x, p += 4)
            pixels[y * kSignatureWidth + x] = LoadLe32(p) & 0x00FFFFFFu;
    }
    return pixels;
}

std::vector<uint32_t> ReadSignature(IByteSource& src, const CSiteRecord& site) {
    const uint64_t at = site.SignatureOffset();
    std::vector<uint8_t> bytes(kSignatureBytes);
    if (at > src.Size() || src.Size() - at < kSignatureBytes ||
        src.ReadAt(at, bytes.data(), bytes.size()) != bytes.size())
        return {};
    return DecodeSignature(bytes.data());
}
