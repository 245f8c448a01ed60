// Header and map bitmap checks: what Open accepts, what it rejects, and that
// a rejected file leaves the site record as it was.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "SiteTestSupport.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

constexpr size_t kBitmapAt = 150;           // SmallSiteFile puts the bitmap first
constexpr size_t kInfoAt = kBitmapAt + 14;  // BITMAPINFOHEADER

struct Rejection {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* text;  // nullptr: any one-line text
};

}  // namespace

TEST(SiteHeader, AcceptsAFreshFileAndReadsItsFields) {
    const auto file = SmallSiteFile(37, 11);
    MemorySource src(file);
    CSiteRecord site;
    ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    EXPECT_EQ(site.HeaderLength(), 150u);
    EXPECT_EQ(site.Magic(), 0x54414C20u);
    EXPECT_EQ(site.FormatVersion(), 2);
    EXPECT_EQ(site.LastSaveTime(), 1000u);
    EXPECT_EQ(site.BitmapOffset(), 150u);
    EXPECT_EQ(site.SignatureOffset(), 150u + 14 + 40 + 1024 + 40 * 11);
    EXPECT_EQ(site.PointsOffset(), site.SignatureOffset() + 80000);
    EXPECT_EQ(0, std::memcmp(site.m_header, file.data(), 150));
    EXPECT_EQ(file[4], 0x20);  // magic bytes 20 4C 41 54
    EXPECT_EQ(file[7], 0x54);
}

TEST(SiteHeader, RejectsEachBadHeaderOrBitmapAndLeavesTheRecordUntouched) {
    const std::vector<Rejection> cases = {
        {"wrong magic", [](auto& f) { f[5] = 'X'; }, "Not a Site File."},
        {"magic before version",
         [](auto& f) {
             f[5] = 'X';
             Put16(f, 8, 1);
         },
         "Not a Site File."},
        {"version 1", [](auto& f) { Put16(f, 8, 1); },
         "Obsolete Site File, recreate using Quendle"},
        {"version 0", [](auto& f) { Put16(f, 8, 0); },
         "Obsolete Site File, recreate using Quendle"},
        {"empty file", [](auto& f) { f.clear(); }, "Not a Site File."},
        {"header length 149", [](auto& f) { Put32(f, 0, 149); },
         "The header length is below 150 bytes."},
        {"header cut short", [](auto& f) { f.resize(120); }, nullptr},
        {"bitmap offset past end",
         [](auto& f) { Put32(f, 138, static_cast<uint32_t>(f.size() + 1)); }, nullptr},
        {"signature offset past end",
         [](auto& f) { Put32(f, 142, static_cast<uint32_t>(f.size() + 1)); }, nullptr},
        {"points offset past end",
         [](auto& f) { Put32(f, 146, static_cast<uint32_t>(f.size() + 1)); }, nullptr},
        {"section inside header", [](auto& f) { Put32(f, 142, 100); }, nullptr},
        {"signature over bitmap", [](auto& f) { Put32(f, 142, Get32(f, 142) - 8); }, nullptr},
        {"points before signature end", [](auto& f) { Put32(f, 146, Get32(f, 146) - 1); }, nullptr},
        {"24 bits per pixel", [](auto& f) { Put16(f, kInfoAt + 14, 24); }, nullptr},
        {"1 bit per pixel", [](auto& f) { Put16(f, kInfoAt + 14, 1); }, nullptr},
        {"run-length compressed", [](auto& f) { Put32(f, kInfoAt + 16, 1); }, nullptr},
        {"width 0", [](auto& f) { Put32(f, kInfoAt + 4, 0); }, nullptr},
        {"negative width", [](auto& f) { Put32(f, kInfoAt + 4, static_cast<uint32_t>(-37)); },
         nullptr},
        {"width 32768", [](auto& f) { Put32(f, kInfoAt + 4, 32768); }, nullptr},
        {"height 0", [](auto& f) { Put32(f, kInfoAt + 8, 0); }, nullptr},
        {"height -32768", [](auto& f) { Put32(f, kInfoAt + 8, static_cast<uint32_t>(-32768)); },
         nullptr},
        {"image size 0", [](auto& f) { Put32(f, kInfoAt + 20, 0); }, nullptr},
        {"image size short of the rows", [](auto& f) { Put32(f, kInfoAt + 20, 40 * 11 - 1); },
         nullptr},
        {"image size past the end",
         [](auto& f) { Put32(f, kInfoAt + 20, static_cast<uint32_t>(f.size())); }, nullptr},
    };
    for (const Rejection& c : cases) {
        auto file = SmallSiteFile(37, 11);
        c.damage(file);
        MemorySource src(file);
        CSiteRecord site;
        std::memset(site.m_header, 0xAB, sizeof site.m_header);
        const SiteStatus status = ReadSiteHeader(src, site);
        EXPECT_FALSE(status.ok) << c.what;
        EXPECT_EQ(status.caption, "File Error") << c.what;
        if (c.text) {
            EXPECT_EQ(status.text, c.text) << c.what;
        }
        EXPECT_FALSE(status.text.empty()) << c.what;
        EXPECT_EQ(status.text.find('\n'), std::string::npos) << c.what;
        for (uint8_t b : site.m_header) ASSERT_EQ(b, 0xAB) << c.what;
    }
}

TEST(SiteHeader, LongerHeaderKeepsTheFirst150BytesAndSkipsTheRest) {
    auto file = SmallSiteFile(37, 11);
    file.insert(file.begin() + 150, 0x5A);  // one extra header byte
    Put32(file, 0, 151);
    for (size_t at : {138u, 142u, 146u}) Put32(file, at, Get32(file, at) + 1);
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
    EXPECT_EQ(map.width, 37);
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
    CSiteRecord site;
    ASSERT_TRUE(ReadSiteHeader(src2, site).ok);
    MapBitmap flipped;
    ASSERT_TRUE(ReadMapBitmap(src2, kBitmapAt, flipped).ok);
    EXPECT_TRUE(flipped.topDown);
    EXPECT_EQ(flipped.height, 11);
    EXPECT_EQ(flipped.IndexAt(0, 0), map.IndexAt(0, 10));

    // A bitmap bigger than its rows need is read in full.
    auto roomy = SmallSiteFile(37, 11);
    Put32(roomy, kInfoAt + 20, 40 * 11 + 4);
    MemorySource src3(roomy);
    MapBitmap big;
    ASSERT_TRUE(ReadMapBitmap(src3, kBitmapAt, big).ok);
    EXPECT_EQ(big.bits.size(), 40u * 11 + 4);
}

TEST(MapBitmapSection, SignatureFirstLayoutIsAcceptedToo) {
    const auto file = SmallSiteFile(8, 3, SiteSectionOrder::SignatureFirst);
    MemorySource src(file);
    CSiteRecord site;
    ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    EXPECT_EQ(site.SignatureOffset(), 150u);
    EXPECT_EQ(site.BitmapOffset(), 80150u);
    MapBitmap map;
    ASSERT_TRUE(ReadMapBitmap(src, site.BitmapOffset(), map).ok);
    EXPECT_EQ(map.width, 8);
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
    const auto path = dir.Write("a.hss", SmallSiteFile());
    FileSource present(path.string());
    ASSERT_TRUE(present.Status().ok);
    CSiteRecord site;
    EXPECT_TRUE(ReadSiteHeader(present, site).ok);
    FileSource directory(dir.Path().string());
    EXPECT_FALSE(directory.Status().ok);
}
