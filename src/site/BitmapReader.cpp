#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "common/Crc32.h"
#include "common/SharedPieces.h"
#include "site/BitmapInfo.h"
#include "site/ByteOrder.h"
#include "site/SiteLayout.h"

namespace {

SiteStatus BitmapError(const char* text) { return SiteStatus::Fail(kFileErrorCaption, text); }

}  // namespace

SiteStatus ReadBitmapInfo(IByteSource& src, uint32_t offset, BitmapInfo& out) {
    using namespace sitelayout;
    const uint64_t size = src.Size();
    if (static_cast<uint64_t>(offset) + kBitmapPrefixBytes > size)
        return BitmapError("The map bitmap section lies beyond the end of the file.");

    uint8_t info[kInfoHeaderBytes];
    if (src.ReadAt(uint64_t{offset} + kFileHeaderBytes, info, sizeof info) != sizeof info)
        return BitmapError("The map bitmap header could not be read.");

    const auto width = static_cast<int32_t>(LoadLe32(info + 4));
    const auto height = static_cast<int32_t>(LoadLe32(info + 8));
    const uint16_t bitCount = LoadLe16(info + 14);
    const uint32_t compression = LoadLe32(info + 16);
    const uint32_t sizeImage = LoadLe32(info + 20);

    if (bitCount != 8) return BitmapError("The map bitmap is not an 8-bit, 256-colour bitmap.");
    if (compression != 0) return BitmapError("The map bitmap is compressed.");
    const int64_t rows = std::llabs(static_cast<int64_t>(height));
    if (width < 1 || width > kMaxMapSide || rows < 1 || rows > kMaxMapSide)
        return BitmapError("The map bitmap's width or height is out of range.");
    const uint32_t stride = DibStride(static_cast<uint32_t>(width));
    if (static_cast<uint64_t>(sizeImage) < uint64_t{stride} * static_cast<uint64_t>(rows))
        return BitmapError("The map bitmap's image size is too small for its rows.");
    const uint64_t sectionBytes = uint64_t{kBitmapPrefixBytes} + sizeImage;
    if (uint64_t{offset} + sectionBytes > size)
        return BitmapError("The map bitmap section lies beyond the end of the file.");

    out.width = width;
    out.height = static_cast<int32_t>(rows);
    out.topDown = height < 0;
    out.bitCount = bitCount;
    out.sizeImage = sizeImage;
    out.stride = stride;
    out.sectionBytes = sectionBytes;
    return SiteStatus::Ok();
}

void ByteBlock::Free::operator()(uint8_t* p) const { std::free(p); }

bool ByteBlock::Allocate(size_t n) {
    constexpr size_t kHugePage = size_t{2} << 20;
    m_bytes.reset();
    m_size = 0;
    uint8_t* p = nullptr;
    if (n >= kHugePage) {
        const size_t rounded = n / kHugePage * kHugePage + (n % kHugePage != 0 ? kHugePage : 0);
        if (rounded < n) return false;
        p = static_cast<uint8_t*>(std::aligned_alloc(kHugePage, rounded));
        // Advice only: where huge pages are not to be had, 4 kB pages serve.
        if (p != nullptr) ::madvise(p, rounded, MADV_HUGEPAGE);
    } else {
        p = static_cast<uint8_t*>(std::malloc(n == 0 ? 1 : n));
    }
    if (p == nullptr) return false;
    m_bytes.reset(p);
    m_size = n;
    return true;
}

namespace {

SiteStatus ReadBitmapOf(IByteSource& src, uint32_t offset, MapBitmap& out, CSharedPieces* shared) {
    using namespace sitelayout;
    BitmapInfo info;
    SiteStatus status = ReadBitmapInfo(src, offset, info);
    if (!status.ok) return status;
    if (static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height) > kMaxMapPixels)
        return BitmapError(kMapMemoryText);

    // The section's headers and colour table as stored: Save As writes them
    // back as they were.
    uint8_t prefix[kBitmapPrefixBytes];
    if (src.ReadAt(offset, prefix, sizeof prefix) != sizeof prefix)
        return BitmapError("The map bitmap's colour table could not be read.");
    const uint8_t* table = prefix + kFileHeaderBytes + kInfoHeaderBytes;

    // biSizeImage may declare far more than the rows take; the rest is
    // never read.
    ByteBlock bits;
    if (!bits.Allocate(static_cast<size_t>(info.stride) * static_cast<size_t>(info.height)))
        return BitmapError(kMapMemoryText);
    // Pieces small enough to stay in a core's cache between the kernel's
    // copy and the CRC, large enough that the calls cost nothing; each
    // thread checksums the pieces it read, and their CRCs are joined.
    constexpr size_t kPiece = size_t{512} << 10;
    const size_t pieces = (bits.size() + kPiece - 1) / kPiece;
    std::vector<uint32_t> crcs(pieces);
    const auto readPiece = [&](size_t i) {
        const size_t at = i * kPiece, want = std::min(kPiece, bits.size() - at);
        if (src.ReadAt(uint64_t{offset} + kBitmapPrefixBytes + at, bits.data() + at, want) != want)
            return false;
        crcs[i] = Crc32(bits.data() + at, want);
        return true;
    };
    CSharedPieces alone;
    if (!(shared ? *shared : alone).Run(pieces, readPiece))
        return BitmapError("The map bitmap's pixels could not be read.");
    uint32_t crc = 0;
    const uint32_t join = Crc32CombineOperator(kPiece);
    for (size_t i = 0; i + 1 < pieces; ++i) crc = Crc32CombineWith(crc, crcs[i], join);
    if (pieces > 0) crc = Crc32Combine(crc, crcs.back(), bits.size() - (pieces - 1) * kPiece);

    out.width = info.width;
    out.height = info.height;
    out.topDown = info.topDown;
    out.stride = info.stride;
    out.sizeImage = info.sizeImage;
    for (int i = 0; i < 256; ++i) {
        const uint8_t* q = table + i * 4;  // RGBQUAD: blue, green, red, reserved
        out.colorTable[i] = (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0];
    }
    std::memcpy(out.storedPrefix, prefix, sizeof prefix);
    out.bits = std::move(bits);
    out.bitsCrc = crc;
    return SiteStatus::Ok();
}

}  // namespace

SiteStatus ReadMapBitmap(IByteSource& src, uint32_t offset, MapBitmap& out, CSharedPieces* shared) {
    return NamingFile(ReadBitmapOf(src, offset, out, shared), src.Name());
}
