// Header and map bitmap reading: the fields of a good file in either section
// order, longer headers and row order. Every refused header is in
// tests/robustness/SiteDefectTest.cpp; what a save changes in the header is
// in SaveTest.cpp.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>

#include "SiteTestSupport.h"
#include "common/Crc32.h"
#include "common/SharedPieces.h"
#include "site/SiteFile.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

constexpr size_t kBitmapAt = 150;           // SmallSiteFile puts the bitmap first
constexpr size_t kInfoAt = kBitmapAt + 14;  // BITMAPINFOHEADER

// The map bitmap of the bitmap-first `file`, read as Open reads it.
MapBitmap ReadMap(const std::vector<uint8_t>& file) {
    MemorySource src(file);
    MapBitmap map;
    EXPECT_TRUE(ReadMapBitmap(src, kBitmapAt, map).ok);
    return map;
}

}  // namespace

TEST(SiteHeader, ReadsTheFieldsOfAFreshFileInEitherSectionOrderAndOfALongerHeader) {
    constexpr uint32_t kBitmapBytes = 14 + 40 + 1024 + 40 * 11;
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        uint32_t headerLength, bitmap, signature, points;
    } cases[] = {
        {"bitmap first", SmallSiteFile(), 150, 150, 150 + kBitmapBytes, 150 + kBitmapBytes + 80000},
        {"signature first", SmallSiteFile(37, 11, SiteSectionOrder::SignatureFirst), 150,
         150 + 80000, 150, 150 + kBitmapBytes + 80000},
        // Only the first 150 bytes are the header; the rest is skipped.
        {"151-byte header", LongerHeaderSiteFile(), 151, 151, 151 + kBitmapBytes,
         151 + kBitmapBytes + 80000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource src(c.file);
        CSiteRecord site;
        ASSERT_TRUE(ReadSiteHeader(src, site).ok);
        EXPECT_EQ(std::make_tuple(site.HeaderLength(), site.Magic(), site.FormatVersion(),
                                  site.LastSaveTime(), site.BitmapOffset(), site.SignatureOffset(),
                                  site.PointsOffset()),
                  std::make_tuple(c.headerLength, 0x54414C20u, uint16_t{2}, 1000u, c.bitmap,
                                  c.signature, c.points));
        EXPECT_EQ(0, std::memcmp(site.m_header, c.file.data(), 150));
        MapBitmap map;
        ASSERT_TRUE(ReadMapBitmap(src, site.BitmapOffset(), map).ok);
        EXPECT_EQ(map.width, 37);
    }
}

TEST(MapBitmapSection, ReadsSizePaletteAndRowsBottomUpOrTopDownIntoMemoryItCanHave) {
    const auto file = SmallSiteFile(37, 11);
    const MapBitmap map = ReadMap(file);
    EXPECT_EQ(std::make_tuple(map.height, map.topDown, map.stride, map.bits.size()),
              std::make_tuple(11, false, 40u, size_t{40 * 11}));
    EXPECT_EQ(map.colorTable[5], 0x050505u);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(map.IndexAt(x, y), (x + y) % 7) << x << "," << y;

    // The same bits marked top-down: world row 0 is now the first stored row.
    auto topDown = file;
    Put32(topDown, kInfoAt + 8, static_cast<uint32_t>(-11));
    const MapBitmap flipped = ReadMap(topDown);
    EXPECT_EQ(std::make_tuple(flipped.topDown, flipped.height, flipped.IndexAt(0, 0)),
              std::make_tuple(true, 11, map.IndexAt(0, 10)));

    // Of a bitmap bigger than its rows need, only the rows are read.
    auto roomy = file;
    Put32(roomy, kInfoAt + 20, 40 * 11 + 4);
    const MapBitmap big = ReadMap(roomy);
    EXPECT_EQ(std::make_pair(big.bits.size(), big.sizeImage),
              std::make_pair(size_t{40 * 11}, 40u * 11 + 4));

    // A plan of more than 2 MB is held on huge pages where there are any:
    // every byte as stored all the same.
    const auto plan = SmallSiteFile(1501, 1500);
    const MapBitmap large = ReadMap(plan);
    ASSERT_EQ(large.bits.size(), size_t{1504} * 1500);
    EXPECT_EQ(
        std::memcmp(large.bits.data(), plan.data() + kBitmapAt + sitelayout::kBitmapPrefixBytes,
                    large.bits.size()),
        0);
    // Memory for more bytes than can be had is refused and holds nothing.
    ByteBlock block;
    ASSERT_TRUE(block.Allocate(16));
    EXPECT_FALSE(block.Allocate(SIZE_MAX));
    EXPECT_TRUE(block.size() == 0u && block.data() == nullptr);
}

TEST(MapBitmapSection, ReadByTwoThreadsThePlanIsWholeWithTheCrcOfItsRows) {
    const auto plan = SmallSiteFile(1501, 1500);  // five pieces
    const uint8_t* rows = plan.data() + kBitmapAt + sitelayout::kBitmapPrefixBytes;
    const size_t rowBytes = size_t{1504} * 1500;
    // A disk error from this offset on (SIZE_MAX: none).
    struct Failing : MemorySource {
        using MemorySource::MemorySource;
        size_t failFrom = SIZE_MAX;
        size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
            return offset + n > failFrom ? 0 : MemorySource::ReadAt(offset, dst, n);
        }
    };
    for (const size_t failFrom : {SIZE_MAX, size_t{1} << 20, size_t{2} << 20}) {
        SCOPED_TRACE(failFrom);
        Failing src(plan);
        src.failFrom = failFrom;
        CSharedPieces pieces;
        std::jthread helper([&pieces] { pieces.Help(); });
        MapBitmap map;
        const SiteStatus status = ReadMapBitmap(src, kBitmapAt, map, &pieces);
        pieces.Close();
        helper.join();  // it leaves: a hang here is the fault
        if (failFrom != SIZE_MAX) {
            EXPECT_EQ(status.text.rfind("The map bitmap's pixels could not be read.", 0), 0u);
            continue;
        }
        ASSERT_TRUE(status.ok);
        ASSERT_EQ(map.bits.size(), rowBytes);
        EXPECT_EQ(std::memcmp(map.bits.data(), rows, rowBytes), 0);
        EXPECT_EQ(map.bitsCrc, Crc32(rows, rowBytes));
        EXPECT_EQ(map.bitsCrc, ReadMap(plan).bitsCrc);  // as read alone
    }
    // A helper that comes after the plan was refused leaves at once.
    CSharedPieces closed;
    closed.Close();
    closed.Help();
}
