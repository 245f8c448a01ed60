// Header and map bitmap reading: a longer header, top-down rows and the plan
// read by two threads. The fields of a good header are in the site tool's
// info (SiteToolTest.cpp), its uninterpreted bytes in SaveTest.cpp, every
// refused header in tests/robustness/SiteDefectTest.cpp; bottom-up rows and
// the palette come back whole through create and render in SiteToolTest.cpp.

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

// Only the first 150 bytes of a longer header are the header; its length is
// the whole, as the site tool's info shows it.
TEST(SiteHeader, ALongerHeaderKeepsItsLength) {
    MemorySource src(LongerHeaderSiteFile());
    CSiteRecord site;
    ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    EXPECT_EQ(std::make_pair(site.HeaderLength(), site.BitmapOffset()), std::make_pair(151u, 151u));
}

// Rows are stored bottom-up unless biHeight is negative: then world row 0 is
// the first stored row (SmallSiteFile's bottom row, y = 10, index (x + 10) % 7).
TEST(MapBitmapSection, ATopDownBitmapsFirstStoredRowIsItsTopAndMemoryNotToBeHadIsRefused) {
    auto topDown = SmallSiteFile(37, 11);
    Put32(topDown, kInfoAt + 8, static_cast<uint32_t>(-11));
    const MapBitmap flipped = ReadMap(topDown);
    EXPECT_EQ(std::make_tuple(flipped.topDown, flipped.height, flipped.IndexAt(0, 0),
                              flipped.IndexAt(5, 10)),
              std::make_tuple(true, 11, uint8_t{3}, uint8_t{5}));
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
