// Header and map bitmap reading: the fields of a good file in either section
// order, longer headers, row order and the save-time header update. Every
// refused header is in tests/robustness/SiteDefectTest.cpp.

#include <gtest/gtest.h>

#include <cstring>

#include "SiteTestSupport.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

constexpr size_t kBitmapAt = 150;           // SmallSiteFile puts the bitmap first
constexpr size_t kInfoAt = kBitmapAt + 14;  // BITMAPINFOHEADER

}  // namespace

TEST(SiteHeader, ReadsTheFieldsOfAFreshFileInEitherSectionOrder) {
    constexpr uint32_t kBitmapBytes = 14 + 40 + 1024 + 40 * 11;
    for (auto order : {SiteSectionOrder::BitmapFirst, SiteSectionOrder::SignatureFirst}) {
        const bool bitmapFirst = order == SiteSectionOrder::BitmapFirst;
        SCOPED_TRACE(bitmapFirst ? "bitmap first" : "signature first");
        const auto file = SmallSiteFile(37, 11, order);
        MemorySource src(file);
        CSiteRecord site;
        ASSERT_TRUE(ReadSiteHeader(src, site).ok);
        EXPECT_EQ(site.HeaderLength(), 150u);
        EXPECT_EQ(site.Magic(), 0x54414C20u);
        EXPECT_EQ(Get32(file, 4), 0x54414C20u);  // bytes 20 4C 41 54
        EXPECT_EQ(site.FormatVersion(), 2);
        EXPECT_EQ(site.LastSaveTime(), 1000u);
        EXPECT_EQ(site.BitmapOffset(), bitmapFirst ? 150u : 150u + 80000);
        EXPECT_EQ(site.SignatureOffset(), bitmapFirst ? 150u + kBitmapBytes : 150u);
        EXPECT_EQ(site.PointsOffset(), 150u + kBitmapBytes + 80000);
        EXPECT_EQ(0, std::memcmp(site.m_header, file.data(), 150));
        MapBitmap map;
        ASSERT_TRUE(ReadMapBitmap(src, site.BitmapOffset(), map).ok);
        EXPECT_EQ(map.width, 37);
    }
}

TEST(SiteHeader, LongerHeaderKeepsTheFirst150BytesAndSkipsTheRest) {
    const auto file = LongerHeaderSiteFile();
    MemorySource src(file);
    CSiteRecord site;
    ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    EXPECT_EQ(site.HeaderLength(), 151u);
    EXPECT_EQ(0, std::memcmp(site.m_header, file.data(), 150));
    MapBitmap map;
    ASSERT_TRUE(ReadMapBitmap(src, site.BitmapOffset(), map).ok);
    EXPECT_EQ(map.width, 37);
}

TEST(MapBitmapSection, ReadsSizePaletteAndRowsBottomUpOrTopDown) {
    const auto file = SmallSiteFile(37, 11);
    MemorySource src(file);
    MapBitmap map;
    ASSERT_TRUE(ReadMapBitmap(src, kBitmapAt, map).ok);
    EXPECT_EQ(map.height, 11);
    EXPECT_FALSE(map.topDown);
    EXPECT_EQ(map.stride, 40u);
    EXPECT_EQ(map.bits.size(), 40u * 11);
    EXPECT_EQ(map.colorTable[5], 0x050505u);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(map.IndexAt(x, y), (x + y) % 7) << x << "," << y;

    // The same bits marked top-down: world row 0 is now the first stored row.
    auto topDown = file;
    Put32(topDown, kInfoAt + 8, static_cast<uint32_t>(-11));
    MemorySource src2(topDown);
    MapBitmap flipped;
    ASSERT_TRUE(ReadMapBitmap(src2, kBitmapAt, flipped).ok);
    EXPECT_TRUE(flipped.topDown);
    EXPECT_EQ(flipped.height, 11);
    EXPECT_EQ(flipped.IndexAt(0, 0), map.IndexAt(0, 10));

    // Of a bitmap bigger than its rows need, only the rows are read.
    auto roomy = file;
    Put32(roomy, kInfoAt + 20, 40 * 11 + 4);
    MemorySource src3(roomy);
    MapBitmap big;
    ASSERT_TRUE(ReadMapBitmap(src3, kBitmapAt, big).ok);
    EXPECT_EQ(big.bits.size(), 40u * 11);
    EXPECT_EQ(big.sizeImage, 40u * 11 + 4);
}

TEST(SiteHeader, PrepareForSaveSetsOnlyResetFlagAndSaveTime) {
    auto file = SmallSiteFile();
    for (size_t i = 13; i < 134; ++i) file[i] = static_cast<uint8_t>(i);
    file[10] = 0x77;
    file[12] = 1;
    MemorySource src(file);
    CSiteRecord site;
    ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    PrepareHeaderForSave(site, 0x12345678);
    EXPECT_EQ(site.ResetOnSave(), 0);
    EXPECT_EQ(site.LastSaveTime(), 0x12345678u);
    for (size_t i = 0; i < 150; ++i) {
        if (i == 12 || (i >= 134 && i < 138)) continue;
        ASSERT_EQ(site.m_header[i], file[i]) << i;
    }
}

TEST(FileSourceTest, ReportsAMissingFileWithTheErrnoText) {
    FileSource missing("/nonexistent/pellorin/site.hss");
    EXPECT_FALSE(missing.Status().ok);
    EXPECT_EQ(missing.Status().caption, "File Open Error");
    EXPECT_EQ(missing.Status().text, "No such file or directory");
    ScratchDir dir;
    FileSource present(dir.Write("a.hss", SmallSiteFile()).string());
    ASSERT_TRUE(present.Status().ok);
    CSiteRecord site;
    EXPECT_TRUE(ReadSiteHeader(present, site).ok);
    FileSource directory(dir.Path().string());
    EXPECT_FALSE(directory.Status().ok);
}
